#include "allocations.h"

#include <cstdlib>
#include <new>

#include "subhost/host.h"

namespace kznbench {
namespace {

bool gCounting = false;
int gInModule = 0;
// Host calls being served when the module's procedure was entered: everything the module runs in
// is itself inside a host call (the dialog's modal run).
std::size_t gServedAtEntry = 0;
std::size_t gCount = 0;

std::size_t Served() {
    const subhost::Host* host = subhost::Host::Current();
    return host == nullptr ? 0 : host->callsBeingServed();
}

void Note() {
    if (!gCounting || gInModule == 0) {
        return;
    }
    if (Served() == gServedAtEntry) {
        ++gCount;
    }
}

void* Allocate(std::size_t size) {
    Note();
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void ModuleAllocations::Start() {
    gCount = 0;
    gCounting = true;
}

std::size_t ModuleAllocations::Stop() {
    gCounting = false;
    return gCount;
}

void ModuleAllocations::EnterModule() {
    if (gInModule++ == 0) {
        gServedAtEntry = Served();
    }
}

void ModuleAllocations::LeaveModule() {
    --gInModule;
}

}  // namespace kznbench

// The module is loaded into this program, so its operator new is this one.
void* operator new(std::size_t size) {
    return kznbench::Allocate(size);
}
void* operator new[](std::size_t size) {
    return kznbench::Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    kznbench::Note();
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    kznbench::Note();
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

// Counts the heap allocations the module makes in a stretch of work: this program replaces the
// global operator new, and an allocation counts while a module procedure the host called runs and
// no host call is being served (what the host allocates to serve the module is the host's).
#pragma once

#include <cstddef>

namespace kznbench {

struct ModuleAllocations {
    static void Start();        // counts from zero
    static std::size_t Stop();  // the count, and stops counting
    // Brackets a module procedure the host calls.
    static void EnterModule();
    static void LeaveModule();
};

}  // namespace kznbench

// One fuzzer: libFuzzer hands every input to the entry function of the target it was built for.
#include <cstdlib>
#include <cstring>

#include "entries.h"

namespace {

kznfuzz::Entry Chosen() {
    for (const kznfuzz::Target& target : kznfuzz::Targets()) {
        if (std::strcmp(target.name, KZN_FUZZ_TARGET) == 0) {
            return target.entry;
        }
    }
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kznfuzz::Entry entry = Chosen();
    entry(data, size);
    return 0;
}

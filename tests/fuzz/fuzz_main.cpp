// libFuzzer's entry for one target; KZN_FUZZ_TARGET names it.
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kznfuzz::KZN_FUZZ_TARGET(data, size);
}

// libFuzzer entry for text typed under a display mask; the round itself is in mask_fuzz_body.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/mask_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return arv::fuzz::maskFuzzOne(data, size);
}

// libFuzzer entry for memo files (.DBT); the round itself is in memo_fuzz_body.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/memo_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return arv::fuzz::memoFuzzOne(data, size);
}

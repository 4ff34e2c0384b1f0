// libFuzzer entry for table files (.DBF); the round itself is in dbf_fuzz_body.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/dbf_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return arv::fuzz::dbfFuzzOne(data, size);
}

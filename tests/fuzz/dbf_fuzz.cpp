// libFuzzer entry for the table file reader.
#include <cstddef>
#include <cstdint>

#include "dbf_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return arv::fuzz::dbfFuzzOne(data, size);
}

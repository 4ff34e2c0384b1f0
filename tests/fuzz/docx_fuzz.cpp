// libFuzzer entry for word-processor templates (.docx); the round itself is in docx_fuzz_body.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/docx_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return arv::fuzz::docxFuzzOne(data, size);
}

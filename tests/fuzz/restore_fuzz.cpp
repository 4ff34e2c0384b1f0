// libFuzzer entry for archives taken back by the restore; the round itself is in restore_fuzz_body.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/restore_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return arv::fuzz::restoreFuzzOne(data, size);
}

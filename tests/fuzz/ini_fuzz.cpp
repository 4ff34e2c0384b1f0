// libFuzzer entry for the settings file ARV.INI; the round itself is in ini_fuzz_body.h.
#include <cstddef>
#include <cstdint>

#include "fuzz/ini_fuzz_body.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return arv::fuzz::iniFuzzOne(data, size);
}

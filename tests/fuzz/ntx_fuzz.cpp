// libFuzzer entry for the index engine: each input is written to a scratch file and run through
// exerciseNtx(). Seeds: tests/fuzz/corpus/ntx/.
#include "fuzz/ntx_fuzz_body.h"

#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/arv_ntx_fuzz_" + std::to_string(::getpid()) + ".ntx";
    }();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    size_t done = 0;
    while (done < size) {
        ssize_t w = ::write(fd, data + done, size - done);
        if (w <= 0) break;
        done += size_t(w);
    }
    ::close(fd);
    arv::fuzz::exerciseNtx(path);
    return 0;
}

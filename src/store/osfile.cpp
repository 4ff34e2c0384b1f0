#include "store/osfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace arv::store::os {

void Fd::reset()
{
    if (fd_ >= 0) {
        // close() must not be retried on EINTR on Linux: the descriptor is gone either way.
        ::close(fd_);
        fd_ = -1;
    }
}

int openFile(const std::string& path, int flags, mode_t mode)
{
    for (;;) {
        int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

ssize_t preadAll(int fd, void* buf, size_t n, off_t off)
{
    auto* p = static_cast<char*>(buf);
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd, p + done, n - done, off + static_cast<off_t>(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        done += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

bool pwriteAll(int fd, const void* buf, size_t n, off_t off)
{
    const auto* p = static_cast<const char*>(buf);
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::pwrite(fd, p + done, n - done, off + static_cast<off_t>(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(r);
    }
    return true;
}

int ofdLock(int fd, short type, off_t start, off_t len, bool wait)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    fl.l_pid = 0;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

int flockFile(int fd, int operation)
{
    for (;;) {
        if (::flock(fd, operation) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

int dataSync(int fd)
{
    for (;;) {
        if (::fdatasync(fd) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

int fullSync(int fd)
{
    for (;;) {
        if (::fsync(fd) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

int syncParentDir(const std::string& path)
{
    auto slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    Fd d(openFile(dir, O_RDONLY | O_DIRECTORY));
    if (!d.valid()) return errno;
    return fullSync(d.get());
}

int truncateFile(int fd, off_t length)
{
    for (;;) {
        if (::ftruncate(fd, length) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

off_t fileSize(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    return st.st_size;
}

} // namespace arv::store::os

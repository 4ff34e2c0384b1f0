// Thin wrappers over the POSIX file calls the table engine needs: interrupted calls are retried,
// partial reads and writes are completed, and failures come back as errno values so that the
// caller can raise an arv::Error naming its own file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace arv::store::os {

// An owned file descriptor, closed on destruction (which also drops its flock and OFD locks).
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& o) noexcept : fd_(o.release()) {}
    Fd& operator=(Fd&& o) noexcept
    {
        if (this != &o) {
            reset();
            fd_ = o.release();
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release()
    {
        int f = fd_;
        fd_ = -1;
        return f;
    }
    void reset();

private:
    int fd_ = -1;
};

// open(2) with O_CLOEXEC added; -1 and errno on failure.
int openFile(const std::string& path, int flags, mode_t mode = 0644);

// Reads up to n bytes at off, stopping early only at end of file. Returns the bytes read, or -1
// with errno set.
ssize_t preadAll(int fd, void* buf, size_t n, off_t off);
// Writes all n bytes at off; false with errno set on failure.
bool pwriteAll(int fd, const void* buf, size_t n, off_t off);

// Open-file-description byte-range lock (F_OFD_SETLK / F_OFD_SETLKW). type is F_RDLCK, F_WRLCK
// or F_UNLCK. Returns 0 on success, else the errno (EAGAIN/EACCES: held by someone else).
int ofdLock(int fd, short type, off_t start, off_t len, bool wait);

// flock(2) retried on EINTR. Returns 0 or the errno (EWOULDBLOCK when held elsewhere).
int flockFile(int fd, int operation);

// fdatasync(2) / fsync(2) retried on EINTR. Return 0 or the errno.
int dataSync(int fd);
int fullSync(int fd);
// Syncs the directory that holds path, so that a newly created entry survives a crash.
int syncParentDir(const std::string& path);

// ftruncate(2) retried on EINTR. Returns 0 or the errno.
int truncateFile(int fd, off_t length);

// Size of the open file, or -1 with errno set.
off_t fileSize(int fd);

} // namespace arv::store::os

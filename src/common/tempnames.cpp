#include "common/tempnames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace arv {

namespace {

std::string base36(uint64_t v, size_t minWidth)
{
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string out;
    do {
        out.insert(out.begin(), digits[v % 36]);
        v /= 36;
    } while (v != 0);
    while (out.size() < minWidth) out.insert(out.begin(), '0');
    return out;
}

constexpr int64_t kHundredthsPerDay = 8640000;

// Local date and time as one count of hundredths of a second (days since the epoch * a day).
int64_t localTick()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&secs, &tm);
    const auto sub = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    // Days counted from 1970-01-01 on the local calendar, via the proleptic day formula.
    const int64_t y = tm.tm_year + 1900 - (tm.tm_mon < 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (tm.tm_mon + 10) % 12; // March = 0
    const int64_t doy = (153 * mp + 2) / 5 + tm.tm_mday - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468;
    const int64_t hundredths = (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) * 100 + (sub < 0 ? 0 : sub / 10);
    return days * kHundredthsPerDay + hundredths;
}

std::string formatTick(int64_t tick)
{
    const int64_t days = tick / kHundredthsPerDay;
    const int64_t hundredths = tick % kHundredthsPerDay;
    // Civil date from days since 1970-01-01.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%07d", static_cast<int>(y), static_cast<int>(m), static_cast<int>(d),
                  static_cast<int>(hundredths));
    return buf;
}

std::chrono::system_clock::time_point modified(const struct stat& st)
{
    return std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec) +
           std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(st.st_mtim.tv_nsec));
}

// Deletes a regular file unless it is newer than `startTime` or some process holds a lock on
// it. The probes are kept while unlinking, so a holder cannot slip in between.
bool removeFreeFile(const std::string& path, std::chrono::system_clock::time_point startTime)
{
    bool writable = true;
    int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        writable = false;
        fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) return false;
    bool free = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && modified(st) < startTime &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = 0;
        probe.l_len = 0; // the whole file, however far it grows
        if (writable) {
            free = ::fcntl(fd, F_OFD_SETLK, &probe) == 0;
        } else {
            free = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type == F_UNLCK;
        }
    }
    const bool removed = free && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

size_t cleanEntry(const std::string& path, std::chrono::system_clock::time_point startTime);

// Journals (".JRN") left by a program that died in the middle of a write are replayed by the
// table engine, which removes them itself.
bool isJournal(const std::string& name)
{
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".JRN";
}

// Empties a left-over folder (entries of any name) and removes it when nothing stays behind.
size_t cleanFolder(const std::string& path, std::chrono::system_clock::time_point startTime)
{
    size_t removed = 0;
    if (::DIR* dir = ::opendir(path.c_str())) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
        for (const std::string& name : names) removed += cleanEntry(path + '/' + name, startTime);
    }
    if (::rmdir(path.c_str()) == 0) ++removed;
    return removed;
}

size_t cleanEntry(const std::string& path, std::chrono::system_clock::time_point startTime)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0;
    if (S_ISDIR(st.st_mode)) {
        // A folder changed since the start belongs to a running program.
        return modified(st) < startTime ? cleanFolder(path, startTime) : 0;
    }
    if (S_ISREG(st.st_mode)) return removeFreeFile(path, startTime) ? 1 : 0;
    if (S_ISLNK(st.st_mode) && modified(st) < startTime) return ::unlink(path.c_str()) == 0 ? 1 : 0;
    return 0;
}

} // namespace

std::string workstationTag()
{
    static const std::string host = [] {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
        uint64_t hash = 1469598103934665603ULL; // FNV-1a
        for (const char* p = name; *p; ++p) {
            hash ^= static_cast<unsigned char>(*p);
            hash *= 1099511628211ULL;
        }
        return base36(hash % (36 * 36 * 36), 3);
    }();
    // The process id is asked every time: a forked child must not reuse its parent's.
    return host + base36(static_cast<uint64_t>(::getpid()), 1);
}

std::string GETNEWFNAME()
{
    static std::mutex mutex;
    static int64_t last = 0;
    const std::lock_guard<std::mutex> guard(mutex);
    int64_t tick = localTick();
    while (tick == last) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        tick = localTick();
    }
    // A clock set back must not give an earlier name again: carry on from the last one.
    if (tick < last) tick = last + 1;
    last = tick;
    return std::string(1, kTempPrefix) + workstationTag() + formatTick(tick);
}

size_t cleanupLeftovers(const std::string& folder, std::chrono::system_clock::time_point startTime)
{
    std::vector<std::string> names;
    if (::DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] == kTempPrefix && !isJournal(entry->d_name)) names.push_back(entry->d_name);
        ::closedir(dir);
    }
    const std::string base = folder.empty() ? std::string(".") : folder;
    size_t removed = 0;
    for (const std::string& name : names) removed += cleanEntry(base + '/' + name, startTime);
    return removed;
}

size_t cleanupStartLeftovers(const std::string& workingFolder, std::chrono::system_clock::time_point startTime)
{
    size_t removed = cleanupLeftovers(workingFolder, startTime);
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (!ec) removed += cleanupLeftovers(temp.string(), startTime);
    return removed;
}

} // namespace arv

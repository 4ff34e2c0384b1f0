#include "store/files.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/statvfs.h>
#include <unistd.h>

#include "common/error.h"

namespace arv::store {

namespace fs = std::filesystem;

namespace {

const char* kJournal = "\x7FREPLACE.JRN";

bool iequal(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

std::string resolveFile(const std::string& folder, const std::string& name)
{
    fs::path exact = fs::path(folder) / name;
    std::error_code ec;
    if (fs::exists(exact, ec)) return exact.string();
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (iequal(e.path().filename().string(), name)) return e.path().string();
    return exact.string();
}

bool fileExists(const std::string& folder, const std::string& name)
{
    std::error_code ec;
    return fs::exists(resolveFile(folder, name), ec);
}

void syncFile(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void syncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void replaceFiles(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& moves)
{
    fs::path journal = fs::path(folder) / kJournal;
    {
        std::ofstream j(journal, std::ios::binary | std::ios::trunc);
        for (const auto& [from, to] : moves) j << from << '\t' << to << '\n';
        if (!j) throw Error::fromErrno(errno ? errno : EIO, EG_WRITE, journal.string(), "write");
    }
    syncFile(journal.string());
    syncFolder(folder);
    for (const auto& [from, to] : moves) {
        fs::path src = fs::path(folder) / from;
        fs::path dst = fs::path(folder) / to;
        if (::rename(src.c_str(), dst.c_str()) != 0)
            throw Error::fromErrno(errno, EG_WRITE, dst.string(), "rename");
    }
    syncFolder(folder);
    std::error_code ec;
    fs::remove(journal, ec);
    syncFolder(folder);
}

void recoverReplacements(const std::string& folder)
{
    fs::path journal = fs::path(folder) / kJournal;
    std::error_code ec;
    if (!fs::exists(journal, ec)) return;
    std::ifstream j(journal, std::ios::binary);
    std::string line;
    while (std::getline(j, line)) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        fs::path src = fs::path(folder) / line.substr(0, tab);
        fs::path dst = fs::path(folder) / line.substr(tab + 1);
        if (fs::exists(src, ec)) ::rename(src.c_str(), dst.c_str());
    }
    j.close();
    syncFolder(folder);
    fs::remove(journal, ec);
    syncFolder(folder);
}

unsigned long long freeSpace(const std::string& folder)
{
    struct statvfs st{};
    if (::statvfs(folder.c_str(), &st) != 0) return 0;
    return static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
}

} // namespace arv::store

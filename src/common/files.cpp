#include "common/files.h"

#include "common/text_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace arv {

namespace {

std::string folderOf(std::string_view drive)
{
    return drive.empty() ? std::string(".") : std::string(drive);
}

std::string join(const std::string& folder, std::string_view name)
{
    if (folder.empty()) return std::string(name);
    return folder.back() == '/' ? folder + std::string(name) : folder + '/' + std::string(name);
}

bool canEnter(const std::string& folder)
{
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(folder.c_str(), X_OK) == 0;
}

bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

DiskCheck ISREADY(std::string_view drive, bool withMessage)
{
    if (canEnter(folderOf(drive))) return {true, {}};
    return {false, withMessage ? std::string(kMsgDiscoNonPronto) : std::string()};
}

DiskCheck ISFULL(std::string_view drive, unsigned long long minBytes)
{
    if (drive.empty()) return {false, {}};
    const std::string folder = folderOf(drive);
    struct statvfs vfs {};
    if (!canEnter(folder) || ::statvfs(folder.c_str(), &vfs) != 0) return {true, std::string(kMsgDiscoNonPronto)};
    const unsigned long long freeBytes =
        static_cast<unsigned long long>(vfs.f_bavail) * static_cast<unsigned long long>(vfs.f_frsize);
    if (freeBytes >= minBytes) return {false, {}};
    return {true, std::string(kMsgSpazioInsufficiente)};
}

DiskCheck ISPROTECTED(std::string_view drive)
{
    const std::string folder = folderOf(drive);
    if (!canEnter(folder)) return {true, std::string(kMsgDiscoNonPronto)};
    const std::string probe = join(folder, std::string(8, '\x7f') + '.' + std::string(3, '\x7f'));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return {true, std::string(kMsgDiscoProtetto)};
    ::close(fd);
    ::unlink(probe.c_str());
    return {false, {}};
}

std::vector<std::string> WILDEXP(const std::vector<std::string>& patterns)
{
    std::vector<std::string> result;
    std::set<std::string> seen;
    for (const std::string& pattern : patterns) {
        const size_t slash = pattern.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
        const std::string namePattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
        if (namePattern.empty()) continue;
        ::DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
        if (!dir) continue;
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (::fnmatch(namePattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
            if (!isRegularFile(folder.empty() ? name : folder + name)) continue;
            names.push_back(folder + name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (std::string& name : names)
            if (seen.insert(name).second) result.push_back(std::move(name));
    }
    return result;
}

bool DELDIR(std::string_view folder)
{
    const std::string path(folder);
    ::DIR* dir = ::opendir(path.c_str());
    if (!dir) return false;
    std::vector<std::string> files;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string full = join(path, name);
        struct stat st {};
        if (::lstat(full.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) files.push_back(full);
    }
    ::closedir(dir);
    std::sort(files.begin(), files.end());
    for (const std::string& file : files)
        if (::unlink(file.c_str()) != 0) return false;
    return true;
}

bool DELFILE(std::string_view file, std::string* message)
{
    const std::string path(file);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (ISPROTECTED(folder).value) {
        if (message) *message = std::string(kMsgDiscoProtetto);
        return false;
    }
    // Read-only means no write permission bit at all, whoever is asking.
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::unlink(path.c_str()) == 0;
}

bool DIR(std::string_view folder) { return !folder.empty() && canEnter(std::string(folder)); }

bool LFNFNAME(std::string_view name)
{
    const std::string t = detail::upperAscii(detail::trim(name));
    if (t.empty()) return false;
    for (char c : t) {
        if (static_cast<unsigned char>(c) < 32) return false;
        if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) return false;
    }
    return true;
}

std::optional<std::filesystem::path> findFileNoCase(const std::filesystem::path& folder, const std::string& name)
{
    namespace fs = std::filesystem;
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
        return std::nullopt;
    auto upper = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    std::error_code ec;
    const fs::path exact = folder / name;
    if (fs::is_regular_file(exact, ec)) return exact;
    const std::string wanted = upper(name);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fe;
        if (it->is_regular_file(fe) && upper(it->path().filename().string()) == wanted) return it->path();
    }
    return std::nullopt;
}

} // namespace arv

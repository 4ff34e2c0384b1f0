#include "store/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
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

namespace {

// A field of mountinfo with its octal escapes (\040 for a blank) decoded.
std::string unescapeMountField(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(s[i + 2])) && std::isdigit(static_cast<unsigned char>(s[i + 3]))) {
            out += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool underMount(const std::string& path, const std::string& mountPoint)
{
    if (mountPoint == "/") return true;
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

} // namespace

std::string localLockOption(const std::string& mountinfo, const std::string& folder)
{
    std::error_code ec;
    std::string path = fs::weakly_canonical(fs::absolute(folder, ec), ec).string();
    if (path.empty()) path = folder;
    // The deepest mount point above the folder; of two on the same point the later one is on top.
    std::string bestPoint, fsType, options;
    std::istringstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string w; fields >> w;) f.push_back(w);
        auto dash = std::find(f.begin(), f.end(), "-");
        if (f.size() < 6 || dash == f.end() || f.end() - dash < 3 || dash - f.begin() < 6) continue;
        std::string point = unescapeMountField(f[4]);
        if (!underMount(path, point) || point.size() < bestPoint.size()) continue;
        bestPoint = point;
        fsType = *(dash + 1);
        options = f[5] + "," + *(dash + 3);
    }
    std::vector<std::string> opts;
    std::istringstream os(options);
    for (std::string o; std::getline(os, o, ',');) opts.push_back(o);
    auto has = [&](const char* o) { return std::find(opts.begin(), opts.end(), o) != opts.end(); };
    if (fsType == "cifs" || fsType == "smb3" || fsType == "smbfs") return has("nobrl") ? "nobrl" : "";
    if (fsType == "nfs" || fsType == "nfs4") {
        for (const char* o : {"nolock", "local_lock=all", "local_lock=posix"})
            if (has(o)) return o;
    }
    return "";
}

std::string lockMountWarning(const std::string& folder)
{
    std::ifstream in("/proc/self/mountinfo", std::ios::binary);
    return lockMountWarning(folder, std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

std::string lockMountWarning(const std::string& folder, const std::string& mountinfo)
{
    std::string option = localLockOption(mountinfo, folder);
    if (option.empty()) return "";
    return "La cartella di lavoro " + folder + " è su una condivisione di rete montata con l'opzione \"" + option +
           "\": i blocchi dei record non arrivano al server, e più postazioni che lavorano insieme possono "
           "danneggiare archivi e indici senza alcun avviso.;Per lavorare da più postazioni rimontare la "
           "condivisione senza \"" + option + "\". Da una sola postazione si può proseguire.;;Proseguire?";
}

unsigned long long freeSpace(const std::string& folder)
{
    struct statvfs st{};
    if (::statvfs(folder.c_str(), &st) != 0) return 0;
    return static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
}

} // namespace arv::store

#include "records/zipfile.h"
#include "common/text_util.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

#include "common/files.h"
#include "common/tempnames.h"
#include "store/files.h"

namespace arv::records {

using namespace store;

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 64 * 1024;

std::string folderOf(const std::string& file)
{
    fs::path parent = fs::path(file).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

void removeQuietly(const fs::path& p)
{
    std::error_code ec;
    fs::remove(p, ec);
}

// The name an entry is stored under when the folders are kept: the path without a leading
// "/", "./" or drive.
std::string storedPath(const std::string& file)
{
    std::string s = file;
    std::replace(s.begin(), s.end(), '\\', '/');
    if (s.size() >= 2 && s[1] == ':' && std::isalpha(static_cast<unsigned char>(s[0]))) s.erase(0, 2);
    while (!s.empty() && (s[0] == '/' || s.rfind("./", 0) == 0)) s.erase(0, s[0] == '/' ? 1 : 2);
    return s;
}

// Adds one file; false on any failure.
bool addFile(zipFile zf, const std::string& path, const std::string& name)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    zip_fileinfo info{};
    std::tm tm{};
    ::localtime_r(&st.st_mtime, &tm);
    info.tmz_date.tm_sec = static_cast<uInt>(tm.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(tm.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(tm.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(tm.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(tm.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(tm.tm_year + 1900);
    const int zip64 = static_cast<unsigned long long>(st.st_size) >= 0xffffffffULL ? 1 : 0;
    if (zipOpenNewFileInZip3_64(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr,
                                0, zip64) != ZIP_OK)
        return false;
    std::ifstream in(path, std::ios::binary);
    bool ok = static_cast<bool>(in);
    std::vector<char> buf(kChunk);
    while (ok && in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        std::streamsize n = in.gcount();
        if (n > 0 && zipWriteInFileInZip(zf, buf.data(), static_cast<unsigned>(n)) != ZIP_OK) ok = false;
    }
    if (ok && !in.eof()) ok = false;
    if (zipCloseFileInZip(zf) != ZIP_OK) ok = false;
    return ok;
}

struct UnzCloser {
    unzFile f;
    ~UnzCloser()
    {
        if (f) unzClose(f);
    }
};

} // namespace

// ---------------------------------------------------------------- writing

ZipResult ZIP(const std::string& archive, const std::vector<std::string>& files, bool usePassword,
              const std::string& password, bool keepFolders)
{
    const std::string folder = folderOf(archive);
    if (DiskCheck ready = ISREADY(folder); !ready) return {false, ready.message};
    for (const std::string& f : files) {
        std::error_code ec;
        if (!fs::is_regular_file(f, ec)) return {false, kMsgFileNotFound + f};
    }
    const ZipResult failed{false, kMsgZipCreateError + archive};
    // The system's ZIP layer writes encrypted entries that no reader accepts: an archive with a
    // password is refused rather than written unreadable.
    if (usePassword) return {false, failed.message + ";;La protezione con password non è disponibile."};
    const fs::path temp = fs::path(folder) / (GETNEWFNAME() + ".ZIP");
    zipFile zf = zipOpen64(temp.c_str(), APPEND_STATUS_CREATE);
    if (!zf) return failed;
    (void)password;
    bool ok = true;
    for (const std::string& f : files) {
        std::string name = keepFolders ? storedPath(f) : fs::path(f).filename().string();
        if (!addFile(zf, f, name)) {
            ok = false;
            break;
        }
    }
    if (zipClose(zf, nullptr) != ZIP_OK) ok = false;
    if (ok) {
        syncFile(temp.string());
        ok = ::rename(temp.c_str(), archive.c_str()) == 0;
        if (ok) syncFolder(folder);
    }
    if (!ok) {
        removeQuietly(temp);
        return failed;
    }
    return {};
}

// ---------------------------------------------------------------- reading

EntryName entryName(std::string_view stored)
{
    std::string s(stored);
    std::replace(s.begin(), s.end(), '\\', '/');
    EntryName refused{EntryName::Refused, {}};
    if (s.empty() || s[0] == '/') return refused;
    if (s.size() >= 2 && s[1] == ':') return refused;
    for (unsigned char c : s)
        if (c < 32 || c == 127) return refused;
    size_t start = 0;
    std::string last;
    for (;;) {
        size_t slash = s.find('/', start);
        std::string part = s.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part == "..") return refused;
        last = part;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    if (last.empty()) return {EntryName::Folder, {}};
    if (last == "." || last.find(':') != std::string::npos) return refused;
    return {EntryName::File, last};
}

bool listZip(const std::string& archive, std::vector<ZipEntry>& entries, std::string* message)
{
    entries.clear();
    auto fail = [&] {
        if (message) *message = kMsgUnzipError + archive;
        return false;
    };
    UnzCloser uf{unzOpen64(archive.c_str())};
    if (!uf.f) return fail();
    int r = unzGoToFirstFile(uf.f);
    if (r == UNZ_END_OF_LIST_OF_FILE) return true;
    while (r == UNZ_OK) {
        unz_file_info64 info{};
        char name[1024];
        if (unzGetCurrentFileInfo64(uf.f, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return fail();
        entries.push_back({std::string(name, strnlen(name, sizeof name)), info.uncompressed_size});
        r = unzGoToNextFile(uf.f);
    }
    return r == UNZ_END_OF_LIST_OF_FILE ? true : fail();
}

ZipResult UNZIP(const std::string& archive, bool usePassword, const std::string& password, const std::string& oneFile,
                const std::string& targetFolder, std::vector<std::string>* extracted)
{
    if (extracted) extracted->clear();
    if (DiskCheck ready = ISREADY(targetFolder); !ready) return {false, ready.message};
    std::error_code ec;
    if (!fs::is_regular_file(archive, ec)) return {false, kMsgFileNotFound + archive};
    const ZipResult failed{false, kMsgUnzipError + archive};

    // The whole directory is checked before anything is written.
    std::vector<ZipEntry> entries;
    if (!listZip(archive, entries)) return failed;
    std::map<std::string, std::string> wanted; // stored name -> bare name
    std::map<std::string, int> seen;           // upper-case bare names
    unsigned long long total = 0;
    for (const ZipEntry& e : entries) {
        EntryName n = entryName(e.stored);
        if (n.kind == EntryName::Refused)
            return {false, kMsgUnzipError + archive + ";;Nome di file non ammesso: " + e.stored};
        if (n.kind == EntryName::Folder) continue;
        if (!oneFile.empty() && detail::upperAscii(n.name) != detail::upperAscii(fs::path(oneFile).filename().string())) continue;
        if (++seen[detail::upperAscii(n.name)] > 1) return {false, kMsgUnzipError + archive + ";;File ripetuto: " + n.name};
        wanted[e.stored] = n.name;
        total += e.size;
    }
    if (!oneFile.empty() && wanted.empty()) return {false, kMsgFileNotFound + oneFile};
    if (freeSpace(targetFolder) < total + 8192) return {false, std::string(kMsgSpazioInsufficiente)};

    UnzCloser uf{unzOpen64(archive.c_str())};
    if (!uf.f) return failed;
    const char* pw = usePassword && !password.empty() ? password.c_str() : nullptr;
    std::vector<std::pair<fs::path, fs::path>> done; // temporary -> final
    auto discard = [&] {
        for (const auto& d : done) removeQuietly(d.first);
    };
    std::vector<char> buf(kChunk);
    for (int r = unzGoToFirstFile(uf.f); r != UNZ_END_OF_LIST_OF_FILE; r = unzGoToNextFile(uf.f)) {
        if (r != UNZ_OK) {
            discard();
            return failed;
        }
        unz_file_info64 info{};
        char name[1024];
        if (unzGetCurrentFileInfo64(uf.f, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
            discard();
            return failed;
        }
        auto it = wanted.find(std::string(name, strnlen(name, sizeof name)));
        if (it == wanted.end()) continue;
        const fs::path temp = fs::path(targetFolder) / (GETNEWFNAME() + ".TMP");
        done.emplace_back(temp, fs::path(targetFolder) / it->second);
        if (unzOpenCurrentFilePassword(uf.f, pw) != UNZ_OK) {
            discard();
            return failed;
        }
        bool ok = true;
        unsigned long long written = 0;
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            ok = static_cast<bool>(out);
            for (;;) {
                int n = unzReadCurrentFile(uf.f, buf.data(), static_cast<unsigned>(buf.size()));
                if (n < 0) ok = false;
                if (n <= 0) break;
                written += static_cast<unsigned>(n);
                if (written > info.uncompressed_size) {
                    ok = false; // more than the directory announced
                    break;
                }
                out.write(buf.data(), n);
                if (!out) ok = false;
            }
            out.flush();
            if (!out) ok = false;
        }
        // Closing the entry compares the CRC of what was read with the stored one.
        if (unzCloseCurrentFile(uf.f) != UNZ_OK) ok = false;
        if (written != info.uncompressed_size) ok = false;
        if (!ok) {
            discard();
            return failed;
        }
        syncFile(temp.string());
    }
    for (const auto& [temp, final] : done) {
        if (::rename(temp.c_str(), final.c_str()) != 0) {
            discard();
            return failed;
        }
        if (extracted) extracted->push_back(final.filename().string());
    }
    syncFolder(targetFolder);
    return {};
}

} // namespace arv::records

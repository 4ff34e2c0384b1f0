// What every fuzz body needs: a scratch folder of this process, whole-file reads and writes,
// the way a broken rule stops the run, and the split of a framed input into named parts.
#pragma once

#include <fcntl.h>
#include <minizip/zip.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace arv::fuzz {

// A folder of this process under TMPDIR, made once and removed when the process ends normally;
// fuzz.sh points TMPDIR at memory.
inline const std::string& scratchDir()
{
    static const std::string* dir = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "arvfuzzXXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        auto* kept = new std::string(tmpl); // outlives every static that may still use it
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratchDir(), ec);
        });
        return kept;
    }();
    return *dir;
}

inline void writeBytes(const std::string& path, const void* data, size_t size)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot write " + path);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t w = ::write(fd, p, size);
        if (w <= 0) break;
        p += w;
        size -= static_cast<size_t>(w);
    }
    ::close(fd);
}

inline void writeBytes(const std::string& path, std::string_view bytes) { writeBytes(path, bytes.data(), bytes.size()); }

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A rule of the code under test did not hold: the fuzzer keeps the input, a corpus test fails.
[[noreturn]] inline void fail(const char* target, const std::string& what)
{
    std::fprintf(stderr, "%s fuzz: %s\n", target, what.c_str());
    std::abort();
}

// A framed input holds several files in one: each part begins with a line "@@ NAME" (at the
// start of the input or right after a line end) and runs to the next such line. Bytes before
// the first part are ignored. Seeds are written this way so that the fuzzer changes the files
// themselves rather than the compressed bytes of an archive.
inline constexpr std::string_view kPartMark = "@@ ";

inline bool isFramed(std::string_view in) { return in.substr(0, kPartMark.size()) == kPartMark; }

inline std::vector<std::pair<std::string, std::string>> splitParts(std::string_view in)
{
    std::vector<std::pair<std::string, std::string>> parts;
    size_t at = isFramed(in) ? 0 : in.find(std::string("\n") + std::string(kPartMark));
    if (at != 0 && at != std::string_view::npos) ++at;
    while (at != std::string_view::npos && at < in.size()) {
        size_t nameStart = at + kPartMark.size();
        size_t nameEnd = in.find('\n', nameStart);
        if (nameEnd == std::string_view::npos) {
            parts.emplace_back(std::string(in.substr(nameStart)), std::string());
            break;
        }
        size_t next = in.find(std::string("\n") + std::string(kPartMark), nameEnd);
        size_t end = next == std::string_view::npos ? in.size() : next;
        parts.emplace_back(std::string(in.substr(nameStart, nameEnd - nameStart)),
                           std::string(in.substr(nameEnd + 1, end > nameEnd ? end - nameEnd - 1 : 0)));
        at = next == std::string_view::npos ? next : next + 1;
    }
    return parts;
}

inline std::string joinParts(const std::vector<std::pair<std::string, std::string>>& parts)
{
    std::string out;
    for (const auto& [name, bytes] : parts) {
        if (!out.empty()) out += '\n';
        out += std::string(kPartMark) + name + "\n" + bytes;
    }
    return out;
}

// The parts as the entries of a ZIP file under their own names, whatever they are (deflated, as
// a backup or a word processor stores them).
inline bool writeZipParts(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts)
{
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) return false;
    for (const auto& [name, bytes] : parts) {
        zip_fileinfo info{};
        if (zipOpenNewFileInZip64(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_DEFAULT_COMPRESSION, 0) != ZIP_OK)
            continue;
        zipWriteInFileInZip(zf, bytes.data(), static_cast<unsigned>(bytes.size()));
        zipCloseFileInZip(zf);
    }
    return zipClose(zf, nullptr) == ZIP_OK;
}

} // namespace arv::fuzz

// Reading and writing small ZIP packages in tests (.xlsx read back, .docx made up).
#pragma once

#include <unzip.h>
#include <zip.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace arv::test {

inline std::optional<std::string> readZipEntry(const std::string& path, const std::string& entry)
{
    unzFile zf = unzOpen64(path.c_str());
    if (!zf) return std::nullopt;
    std::optional<std::string> out;
    if (unzLocateFile(zf, entry.c_str(), 0) == UNZ_OK && unzOpenCurrentFile(zf) == UNZ_OK) {
        std::string data;
        char buf[8192];
        int n;
        while ((n = unzReadCurrentFile(zf, buf, sizeof buf)) > 0) data.append(buf, static_cast<size_t>(n));
        unzCloseCurrentFile(zf);
        out = data;
    }
    unzClose(zf);
    return out;
}

inline void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    for (const auto& [name, data] : entries) {
        zip_fileinfo info{};
        zipOpenNewFileInZip64(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0);
        zipWriteInFileInZip(zf, data.data(), static_cast<unsigned>(data.size()));
        zipCloseFileInZip(zf);
    }
    zipClose(zf, nullptr);
}

} // namespace arv::test

// One fuzz round over the table reader: the input is opened as a table file, and again as the
// memo file of a valid table whose records point at many blocks. Nothing may crash or hang;
// arv::Error is the only acceptable complaint.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/error.h"
#include "store/dbf.h"

namespace arv::fuzz {

inline const std::string& dbfFuzzDir()
{
    static const std::string dir = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "arvfuzzXXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        return tmpl;
    }();
    return dir;
}

inline void dbfFuzzWrite(const std::string& path, const void* data, size_t size)
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

// A table with a memo field and records whose pointers cover plain, edge and garbage values.
inline std::string dbfFuzzMemoTable()
{
    static const char* const kPointers[] = {"         1", "         2", "         3", "         4",
                                            "1         ", "         0", "4294967295", "9999999999",
                                            "      12ab", "          ", "        -1", "        17"};
    const int fields = 2, recordLength = 1 + 10 + 4, headerLength = 32 + 32 * fields + 2;
    std::string t(static_cast<size_t>(headerLength), '\0');
    t[0] = '\x83';
    t[1] = 126;
    t[2] = 1;
    t[3] = 1;
    size_t records = sizeof kPointers / sizeof kPointers[0];
    t[4] = static_cast<char>(records);
    t[8] = static_cast<char>(headerLength);
    t[10] = static_cast<char>(recordLength);
    std::memcpy(&t[32], "NOTE", 4);
    t[32 + 11] = 'M';
    t[32 + 16] = 10;
    std::memcpy(&t[64], "CODE", 4);
    t[64 + 11] = 'C';
    t[64 + 16] = 4;
    t[96] = '\x0D';
    for (size_t i = 0; i < records; ++i) {
        t += (i % 5 == 4) ? '*' : ' ';
        t += kPointers[i];
        t += "ab  ";
    }
    t += '\x1A';
    return t;
}

// Opens the table and reads every record through every getter; arv::Error is swallowed.
inline void dbfFuzzReadAll(const std::string& path, bool writeToo)
{
    using namespace arv::store;
    try {
        auto t = DbfFile::open(path, OpenMode::Shared, !writeToo);
        t->tornTail();
        uint32_t n = t->recordCount();
        std::string r;
        const int fields = static_cast<int>(t->fields().size());
        for (uint32_t i = 1; i <= n && t->read(i, r); ++i) {
            for (int f = 0; f < fields; ++f) {
                t->raw(r, f);
                t->getString(r, f);
                t->getNumber(r, f);
                t->getDate(r, f);
                t->getLogical(r, f);
                if (t->fields()[static_cast<size_t>(f)].type == 'M') t->getMemo(r, f);
            }
        }
        if (writeToo && t->hasMemo()) {
            // New memo blocks after whatever the damaged memo file declares.
            t->blank(r);
            t->putMemo(r, 0, "nuovo testo");
            t->getMemo(r, 0);
            t->append(r);
        }
    } catch (const arv::Error&) {
    }
}

inline int dbfFuzzOne(const uint8_t* data, size_t size)
{
    const std::string& dir = dbfFuzzDir();
    std::string table = dir + "/F.DBF", memo = dir + "/F.DBT";
    dbfFuzzWrite(table, data, size);
    dbfFuzzWrite(memo, data, size);
    dbfFuzzReadAll(table, false);

    static const std::string memoTable = dbfFuzzMemoTable();
    dbfFuzzWrite(table, memoTable.data(), memoTable.size());
    dbfFuzzWrite(memo, data, size);
    dbfFuzzReadAll(table, false);
    dbfFuzzReadAll(table, true);
    return 0;
}

} // namespace arv::fuzz

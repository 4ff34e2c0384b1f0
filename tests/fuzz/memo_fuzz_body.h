// One fuzz round over a memo file (.DBT) beside a sound table whose records point at many blocks:
// plain ones, the header block, blocks past the end of the file, numbers too large and no numbers
// at all. Every memo is read by the file and by the cursor, which must agree; then a new memo is
// written and must read back whole, and no memo that had its end mark may change. arv::Error is
// the only complaint allowed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "common/error.h"
#include "fuzz/fuzz_support.h"
#include "store/dbf.h"
#include "store/table.h"

namespace arv::fuzz {

// Block numbers as the records store them, right-aligned in the 10-character memo field.
inline const std::vector<std::string>& memoPointers()
{
    static const std::vector<std::string> p = {"         1", "         2", "         3", "         4", "1         ",
                                               "         0", "4294967295", "9999999999", "      12ab", "          ",
                                               "        -1", "        17", "         6", "         9"};
    return p;
}

// The table, written by the engine (every fifth record deleted).
inline const std::string& memoTable()
{
    static const std::string bytes = [] {
        const std::string dir = scratchDir() + "/memotable";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        store::DbfFile::create(dir + "/M.DBF", {{"NOTE", 'M', 10, 0}, {"CODE", 'C', 4, 0}});
        auto t = store::DbfFile::open(dir + "/M.DBF", store::OpenMode::Exclusive);
        std::string r;
        for (size_t i = 0; i < memoPointers().size(); ++i) {
            t->blank(r);
            t->putRaw(r, 0, memoPointers()[i]);
            t->putString(r, 1, "R" + std::to_string(i));
            if (i % 5 == 4) r[0] = '*';
            t->append(r);
        }
        t.reset();
        return readBytes(dir + "/M.DBF");
    }();
    return bytes;
}

// True when the memo a record points at has its end mark in the file.
inline bool memoTerminated(const std::string& pointer, const uint8_t* data, size_t size)
{
    uint64_t block = 0;
    bool digits = false;
    for (char c : pointer) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') return false;
        block = block * 10 + uint64_t(c - '0');
        digits = true;
        if (block > size) return false;
    }
    if (!digits || block == 0 || block * 512 >= size) return false;
    for (size_t i = block * 512; i < size; ++i)
        if (data[i] == 0x1A) return true;
    return false;
}

inline int memoFuzzOne(const uint8_t* data, size_t size)
{
    using namespace arv::store;
    const std::string dir = scratchDir() + "/memo";
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    writeBytes(dir + "/M.DBF", memoTable());
    writeBytes(dir + "/M.DBT", data, size);
    try {
        auto t = Table::open(dir, "M", "M");
        DbfFile& f = t->file();
        const uint32_t n = f.recordCount();
        std::vector<std::string> before;
        std::string r;
        for (uint32_t i = 1; i <= n && f.read(i, r); ++i) before.push_back(f.getMemo(r, 0));
        for (t->goTop(); !t->eof(); t->skip(1))
            if (t->memo("NOTE") != cp1252ToUtf8(before[t->recno() - 1])) fail("memo", "the cursor and the file disagree");

        // A new memo long enough to take several blocks, with letters of the code page.
        const std::string text = "città è " + std::string(size % 1500, 'x');
        t->append();
        t->setMemo("NOTE", text);
        t->commit();
        const uint32_t added = t->recno();
        t->unlock();
        t->goTo(added);
        if (t->memo("NOTE") != text) fail("memo", "a new memo does not read back whole");
        for (uint32_t i = 1; i <= n && f.read(i, r); ++i) {
            if (f.getMemo(r, 0) == before[i - 1]) continue;
            if (memoTerminated(memoPointers()[i - 1], data, size)) fail("memo", "a new memo changed an old one");
        }
    } catch (const arv::Error&) {
    }
    return 0;
}

} // namespace arv::fuzz

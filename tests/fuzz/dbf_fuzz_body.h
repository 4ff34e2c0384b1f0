// One fuzz round over a table file as another program, a torn copy or a damaged disk may leave
// it: the engine opens it, decodes every field of every record, the cursor walks it both ways
// and through an index built on its first field, and the first live record is written back with
// its own values and appended as a copy; both must read back as they were. arv::Error is the only
// complaint allowed. Shared by the libFuzzer target and the corpus test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "fuzz/fuzz_support.h"
#include "store/dbf.h"
#include "store/table.h"

namespace arv::fuzz {

// A memo file the engine wrote, with a few texts in it, set beside the fuzzed table.
inline const std::string& dbfSoundMemo()
{
    static const std::string bytes = [] {
        const std::string dir = scratchDir() + "/dbfmemo";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        store::DbfFile::create(dir + "/M.DBF", {{"NOTE", 'M', 10, 0}});
        auto t = store::DbfFile::open(dir + "/M.DBF", store::OpenMode::Exclusive);
        std::string r;
        for (const char* text : {"prima nota", "seconda nota, più lunga della prima", "terza"}) {
            t->blank(r);
            t->putMemo(r, 0, text);
        }
        t.reset();
        return readBytes(dir + "/M.DBT");
    }();
    return bytes;
}

// The decoded values of one record, field by field, as the screens read them.
struct DbfDecoded {
    std::vector<std::string> values;
    bool operator==(const DbfDecoded&) const = default;
};

// Fields that can be addressed by name alone (a damaged header may repeat a name).
inline std::vector<int> dbfNamedFields(const store::Table& t)
{
    std::vector<int> out;
    const auto& fields = t.file().fields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (t.fieldIndex(store::FieldName::runtime(fields[i].name)) == static_cast<int>(i)) out.push_back(int(i));
    return out;
}

inline DbfDecoded dbfDecode(const store::Table& t, const std::vector<int>& which)
{
    DbfDecoded d;
    for (int i : which) {
        const auto& f = t.file().fields()[static_cast<size_t>(i)];
        const auto name = store::FieldName::runtime(f.name);
        switch (f.type) {
        case 'N': case 'F': // as many decimals as the field keeps
            d.values.push_back(t.number(name).round(std::min(f.decimals, Decimal::kDigits)).toString(Decimal::kDigits));
            break;
        case 'D': d.values.push_back(t.date(name).dtos()); break;
        case 'L': d.values.push_back(t.logical(name) ? "T" : "F"); break;
        case 'M': d.values.push_back(t.memo(name)); break;
        default: d.values.push_back(t.text(name)); break;
        }
    }
    return d;
}

// Which field of a record read back otherwise, with both values.
inline std::string dbfDifference(const store::Table& t, const std::vector<int>& which, const DbfDecoded& a,
                                 const DbfDecoded& b)
{
    for (size_t k = 0; k < which.size() && k < a.values.size() && k < b.values.size(); ++k) {
        if (a.values[k] == b.values[k]) continue;
        const auto& f = t.file().fields()[static_cast<size_t>(which[k])];
        return f.name + " (" + f.type + " " + std::to_string(f.width) + "," + std::to_string(f.decimals) + "): \"" +
               a.values[k] + "\" became \"" + b.values[k] + "\"";
    }
    return "?";
}

// Stores the decoded values back through the setters; false when a number no longer fits its
// field (a damaged width), which is then left out of the comparison.
inline bool dbfStore(store::Table& t, const std::vector<int>& which, const DbfDecoded& d)
{
    bool exact = true;
    for (size_t k = 0; k < which.size(); ++k) {
        const auto& f = t.file().fields()[static_cast<size_t>(which[k])];
        const auto name = store::FieldName::runtime(f.name);
        const std::string& v = d.values[k];
        switch (f.type) {
        case 'N': case 'F': exact = t.setNumber(name, Decimal::parseOrZero(v)) && exact; break;
        case 'D': t.setDate(name, Date::fromDtos(v)); break;
        case 'L': t.setLogical(name, v == "T"); break;
        case 'M': t.setMemo(name, v); break;
        default: t.setText(name, v); break;
        }
    }
    return exact;
}

// Every getter of the file itself over every record, deleted ones too.
inline void dbfReadEveryField(const std::string& path)
{
    auto f = store::DbfFile::open(path, store::OpenMode::Shared, true);
    f->tornTail();
    const uint32_t n = f->recordCount();
    std::string r;
    const int fields = static_cast<int>(f->fields().size());
    for (uint32_t i = 1; i <= n && i <= 20000 && f->read(i, r); ++i) {
        for (int k = 0; k < fields; ++k) {
            f->getString(r, k);
            f->getNumber(r, k);
            f->getDate(r, k);
            f->getLogical(r, k);
            if (f->fields()[static_cast<size_t>(k)].type == 'M') f->getMemo(r, k);
        }
    }
}

// The cursor: both ways through the records, then through an index on the first field.
inline void dbfNavigate(const std::string& dir)
{
    auto t = store::Table::open(dir, "F", "F", store::OpenMode::Shared, true);
    const std::vector<int> named = dbfNamedFields(*t);
    int steps = 0;
    for (t->goTop(); !t->eof() && steps < 5000; t->skip(1), ++steps) dbfDecode(*t, named);
    steps = 0;
    for (t->goBottom(); !t->bof() && steps < 5000; t->skip(-1), ++steps) dbfDecode(*t, named);
    t->goTo(t->lastRec() / 2 + 1);
    t->skip(-2);
    t->skip(3);
}

inline void dbfIndexWalk(const std::string& dir)
{
    auto t = store::Table::open(dir, "F", "F", store::OpenMode::Exclusive);
    const std::string first = t->file().fields().front().name;
    t->ordBuild("FUZZ", first, [first](const store::Table& c) { return c.raw(store::FieldName::runtime(first)); });
    t->goTop();
    const std::string key = t->eof() ? std::string("A") : t->currentKey();
    int steps = 0;
    for (; !t->eof() && steps < 5000; t->skip(1), ++steps) t->currentKey();
    t->seek(key.substr(0, key.size() / 2), true);
    t->seek(key, false, true);
    t->goBottom();
    t->skip(-1);
    t->totRec();
}

// The first live record written back with its own values, then appended as a copy.
inline void dbfWriteBack(const std::string& dir)
{
    auto t = store::Table::open(dir, "F", "F", store::OpenMode::Shared);
    t->goTop();
    if (t->eof()) return;
    const std::vector<int> named = dbfNamedFields(*t);
    t->lock(true);
    const DbfDecoded before = dbfDecode(*t, named);
    const bool exact = dbfStore(*t, named, before);
    t->commit();
    t->unlock();
    t->refresh();
    if (const DbfDecoded after = dbfDecode(*t, named); exact && after != before)
        fail("dbf", "a record written with its own values reads back otherwise: " + dbfDifference(*t, named, before, after));
    t->append();
    dbfStore(*t, named, before);
    t->commit();
    const uint32_t copy = t->recno();
    t->unlock();
    t->goTo(copy);
    if (const DbfDecoded after = dbfDecode(*t, named); exact && after != before)
        fail("dbf", "an appended copy of a record reads back otherwise: " + dbfDifference(*t, named, before, after));
}

inline int dbfFuzzOne(const uint8_t* data, size_t size)
{
    const std::string dir = scratchDir() + "/dbf";
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    const std::string table = dir + "/F.DBF";
    writeBytes(table, data, size);
    writeBytes(dir + "/F.DBT", dbfSoundMemo());
    for (auto step : {+[](const std::string& d) { dbfReadEveryField(d + "/F.DBF"); }, &dbfNavigate, &dbfIndexWalk,
                      &dbfWriteBack}) {
        try {
            step(dir);
        } catch (const arv::Error&) {
        }
    }
    return 0;
}

} // namespace arv::fuzz

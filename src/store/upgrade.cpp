#include "store/upgrade.h"
#include "common/text_util.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <thread>

#include "common/error.h"
#include "common/text.h"
#include "store/files.h"
#include "store/notes.h"
#include "store/ntx.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::store {

namespace fs = std::filesystem;

namespace {

constexpr unsigned long long kMinFree = 8192;
const char* kWorkTable = "TEMPDBF_";

void show(const std::string& text, const std::string& title = "Attendere")
{
    if (waitHooks().show) waitHooks().show(text, title);
}

void hide()
{
    if (waitHooks().hide) waitHooks().hide();
}

void removeQuietly(const fs::path& p)
{
    std::error_code ec;
    fs::remove(p, ec);
}

// Opens a table file exclusively, waiting while other workstations hold it.
std::unique_ptr<DbfFile> openExclusiveWaiting(const std::string& path)
{
    bool shown = false;
    for (;;) {
        try {
            auto f = DbfFile::open(path, OpenMode::Exclusive);
            if (shown) hide();
            return f;
        } catch (const Error& e) {
            if (e.osCode() != OS_SHARING_VIOLATION) {
                if (shown) hide();
                throw;
            }
        }
        if (!shown) {
            show(kMsgSwitchOffTerminals, "Attenzione");
            shown = true;
        }
        if (waitHooks().idle) waitHooks().idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

FieldValue readValue(DbfFile& f, const std::string& buf, int i)
{
    FieldValue v;
    const FieldDef& fd = f.fields()[static_cast<size_t>(i)];
    switch (fd.type) {
    case 'N':
    case 'F':
        v.type = 'N';
        v.number = f.getNumber(buf, i);
        break;
    case 'D':
        v.type = 'D';
        v.date = f.getDate(buf, i);
        break;
    case 'L':
        v.type = 'L';
        v.logical = f.getLogical(buf, i);
        break;
    case 'M':
        v.type = 'C';
        v.text = f.getMemo(buf, i);
        break;
    default:
        v.type = 'C';
        v.text = f.getString(buf, i);
        break;
    }
    return v;
}

void storeValue(DbfFile& f, std::string& buf, int i, const FieldValue& v)
{
    const FieldDef& fd = f.fields()[static_cast<size_t>(i)];
    switch (fd.type) {
    case 'N':
    case 'F':
        if (!f.putNumber(buf, i, v.number)) f.putNumber(buf, i, Decimal());
        break;
    case 'D': f.putDate(buf, i, v.date); break;
    case 'L': f.putLogical(buf, i, v.logical); break;
    case 'M':
        if (!v.text.empty()) f.putMemo(buf, i, v.text);
        break;
    default: f.putString(buf, i, v.text); break;
    }
}

bool isText(char t) { return t == 'C' || t == 'M'; }

void buildIndexes(const std::string& folder, const schema::TableDef& table, DbfFile& data)
{
    std::vector<const schema::TagDef*> tags = schema::tagsOf(table.name);
    std::vector<std::vector<NtxEntry>> entries(tags.size());
    uint32_t n = data.recordCount();
    for (auto& e : entries) e.reserve(n);
    forEachRecord(data, [&](uint32_t r, const std::string& b) {
        if (b[0] == '*') return true;
        DbfRecordView view(data, b);
        for (size_t t = 0; t < tags.size(); ++t) {
            std::string k = tags[t]->key(view);
            k.resize(static_cast<size_t>(tags[t]->keySize), ' ');
            entries[t].push_back(NtxEntry{std::move(k), r});
        }
        return true;
    });
    for (size_t t = 0; t < tags.size(); ++t) {
        NtxInfo info;
        info.keyExpression = tags[t]->expression;
        info.tagName = tags[t]->name;
        info.keySize = tags[t]->keySize;
        NtxIndex::build(resolveFile(folder, tags[t]->name + ".NTX"), info, std::move(entries[t]));
    }
}

} // namespace

// ---------------------------------------------------------------- conversions

std::string ADJNUM(const std::string& text)
{
    if (text.find(',') == std::string::npos) return text;
    std::string out;
    for (char c : text) {
        if (c == '.') continue;
        out += c == ',' ? '.' : c;
    }
    return out;
}

Decimal fitNumber(const Decimal& value, int width, int decimals)
{
    std::string s = value.round(decimals).toString(decimals);
    if (static_cast<int>(s.size()) > width) return Decimal();
    return Decimal::parseOrZero(s);
}

FieldValue CONVDATO(const FieldValue& v, const schema::FieldDef& oldF, const schema::FieldDef& newF)
{
    const char o = oldF.type == 'F' ? 'N' : oldF.type;
    const char n = newF.type == 'F' ? 'N' : newF.type;
    FieldValue r;
    r.type = n == 'M' ? 'C' : n;
    auto fit = [&](const Decimal& d) { return fitNumber(d, newF.width, newF.decimals); };
    auto asYmd = [](const std::string& s) { return Date::fromDtos(s.substr(0, std::min<size_t>(8, s.size()))); };

    if (o == 'C' && n == 'M') {
        r.text = rtrim(v.text);
    } else if (isText(o) && n == 'D') {
        r.date = Date::fromDisplay(v.text);
        if (r.date.isEmpty()) r.date = asYmd(trim(v.text));
    } else if (isText(o) && n == 'N') {
        r.number = fit(Decimal::parseOrZero(trim(ADJNUM(trim(v.text)))));
    } else if (isText(o) && n == 'L') {
        std::string t = detail::upperAscii(trim(v.text));
        r.logical = !t.empty() && t.rfind(".F.", 0) != 0;
    } else if (o == 'D' && n == 'N') {
        r.number = v.date.isEmpty() ? Decimal() : fit(Decimal(std::stoll(v.date.dtos())));
    } else if ((o == 'D' || o == 'N') && n == 'L') {
        r.logical = o == 'D' ? !v.date.isEmpty() : !v.number.isZero();
    } else if (o == 'N' && n == 'N') {
        r.number = fit(v.number);
    } else if (o == 'M' && n == 'C') {
        std::string t;
        for (size_t i = 0; i < v.text.size(); ++i) {
            if (v.text[i] == '\r' && i + 1 < v.text.size() && v.text[i + 1] == '\n') {
                t += ' ';
                ++i;
            } else {
                t += v.text[i];
            }
        }
        r.text = t;
    } else if (o == 'D' && isText(n)) {
        r.text = v.date.isEmpty() ? std::string(8, ' ') : v.date.toDisplay();
    } else if (o == 'N' && isText(n)) {
        r.text = v.number.isZero() ? std::string() : v.number.toString(oldF.decimals);
    } else if (o == 'L' && isText(n)) {
        r.text = v.logical ? ".T." : "";
    } else if (o == 'N' && n == 'D') {
        r.date = asYmd(v.number.toString(0));
    } else if (o == 'L' && n == 'D') {
        r.date = Date();
    } else if (o == 'L' && n == 'N') {
        r.number = v.logical ? Decimal(1) : Decimal(0);
    } else {
        r = v;
        if (n == 'M' || n == 'C') r.type = 'C';
    }
    return r;
}

// ---------------------------------------------------------------- layout check and conversion

bool DBGEN(const std::string& folder, const std::string& table, const std::vector<schema::FieldDef>& fields,
           std::string* message)
{
    auto fail = [&](const std::string& text) {
        if (message) *message = text;
        return false;
    };
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return fail("Disco non pronto.");
    if (freeSpace(folder) < kMinFree) return fail("Spazio su disco insufficiente.");
    try {
        DbfFile::create((fs::path(folder) / (detail::upperAscii(table) + ".DBF")).string(), fields);
    } catch (const Error& e) {
        return fail(e.osCode() == OS_DISK_FULL ? "Spazio su disco insufficiente." : e.what());
    }
    return true;
}

bool NEEDUPD(const std::string& folder, const std::string& table, const std::vector<schema::FieldDef>& wanted)
{
    auto f = DbfFile::open(resolveFile(folder, detail::upperAscii(table) + ".DBF"), OpenMode::Shared, true);
    for (const auto& w : wanted) {
        int i = -1;
        for (size_t k = 0; k < f->fields().size(); ++k)
            if (f->fields()[k].name == w.name) i = static_cast<int>(k); // exact name match
        if (i < 0) return true;
        const auto& have = f->fields()[static_cast<size_t>(i)];
        if (have.type != w.type || have.width != w.width || have.decimals != w.decimals) return true;
    }
    return false;
}

bool MODITAB(const std::string& folder, const std::string& table, const std::vector<schema::FieldDef>& wanted,
             std::string* message)
{
    const std::string name = detail::upperAscii(table);
    const fs::path dir(folder);
    const fs::path workDbf = dir / (std::string(kWorkTable) + ".DBF");
    const fs::path workDbt = dir / (std::string(kWorkTable) + ".DBT");
    removeQuietly(workDbf);
    removeQuietly(workDbt);
    bool newMemo = std::any_of(wanted.begin(), wanted.end(), [](const FieldDef& f) { return f.type == 'M'; });
    std::string oldDbf = resolveFile(folder, name + ".DBF");
    std::string oldDbt = resolveFile(folder, name + ".DBT");
    try {
        DbfFile::create(workDbf.string(), wanted);
        {
            auto out = DbfFile::open(workDbf.string(), OpenMode::Exclusive);
            auto in = DbfFile::open(oldDbf, OpenMode::Shared, true);
            out->setBulk(true);
            std::vector<int> from(wanted.size(), -1);
            for (size_t w = 0; w < wanted.size(); ++w)
                for (size_t k = 0; k < in->fields().size(); ++k)
                    if (in->fields()[k].name == wanted[w].name) from[w] = static_cast<int>(k);
            std::string src, dst;
            uint32_t n = in->recordCount();
            for (uint32_t r = 1; r <= n; ++r) {
                if (!in->read(r, src)) break;
                out->blank(dst);
                for (size_t w = 0; w < wanted.size(); ++w) {
                    if (from[w] < 0) continue;
                    FieldValue v = readValue(*in, src, from[w]);
                    storeValue(*out, dst, static_cast<int>(w),
                               CONVDATO(v, in->fields()[static_cast<size_t>(from[w])], wanted[w]));
                }
                dst[0] = src[0] == '*' ? '*' : ' ';
                if (out->append(dst) == 0) throw Error(EG_WRITE, 0, OS_NONE, "DBFNTX", "append", workDbf.string(), "append");
            }
            out->sync();
        }
        // The converted files are complete on disk: put them in place in one journaled step.
        std::vector<std::pair<std::string, std::string>> moves;
        moves.emplace_back(workDbf.filename().string(), fs::path(oldDbf).filename().string());
        if (newMemo) moves.emplace_back(workDbt.filename().string(), name + ".DBT");
        std::string dbtName = fs::path(oldDbt).filename().string();
        try {
            replaceFiles(folder, moves);
        } catch (const Error&) {
            if (message) *message = "Impossibile rinominare il file " + std::string(kWorkTable) + ".DBF in " + name + ".DBF.";
            removeQuietly(workDbf);
            removeQuietly(workDbt);
            return false;
        }
        // The old indexes may no longer match the new layout: without them the next check
        // rebuilds them even if this run stops before its own rebuild.
        for (const schema::TagDef* tag : schema::tagsOf(name)) removeQuietly(resolveFile(folder, tag->name + ".NTX"));
        if (!newMemo) removeQuietly(dir / dbtName);
        else if (dbtName != name + ".DBT") removeQuietly(dir / dbtName);
        removeQuietly(workDbf);
        removeQuietly(workDbt);
        return true;
    } catch (const Error& e) {
        removeQuietly(workDbf);
        removeQuietly(workDbt);
        if (message) *message = e.what();
        return false;
    }
}

void PUTCODE(const std::string& folder, const std::string& table)
{
    try {
        std::string path = resolveFile(folder, detail::upperAscii(table) + ".DBF");
        {
            auto f = DbfFile::open(path, OpenMode::Shared, true);
            int code = f->fieldIndex("CODICE");
            std::string b;
            if (code < 0 || f->recordCount() == 0 || !f->read(1, b)) return;
            if (!trim(f->raw(b, code)).empty()) return;
        }
        auto f = DbfFile::open(path, OpenMode::Exclusive);
        int code = f->fieldIndex("CODICE");
        f->setBulk(true);
        std::string b;
        char text[32];
        for (uint32_t r = 1, n = f->recordCount(); r <= n; ++r) {
            if (!f->read(r, b)) break;
            std::snprintf(text, sizeof text, "%10u", r);
            f->putRaw(b, code, text);
            f->write(r, b);
        }
        f->sync();
        // The codes are part of no key of the table, so its indexes stay valid.
    } catch (const Error&) {
    }
}

// ---------------------------------------------------------------- pack and rebuild

void reindexTable(const std::string& folder, const schema::TableDef& table)
{
    auto f = openExclusiveWaiting(resolveFile(folder, table.name + ".DBF"));
    buildIndexes(folder, table, *f);
    dropNotes(folder, table.name);
}

void packTable(const std::string& folder, const schema::TableDef& table)
{
    const fs::path dir(folder);
    std::string dbfPath = resolveFile(folder, table.name + ".DBF");
    auto old = openExclusiveWaiting(dbfPath);
    const std::string tmpBase = std::string("\x7FPACK_") + table.name;
    const fs::path tmpDbf = dir / (tmpBase + ".DBF");
    const fs::path tmpDbt = dir / (tmpBase + ".DBT");
    removeQuietly(tmpDbf);
    removeQuietly(tmpDbt);
    std::unique_ptr<DbfFile> fresh;
    try {
        DbfFile::create(tmpDbf.string(), old->fields());
        fresh = DbfFile::open(tmpDbf.string(), OpenMode::Exclusive);
        fresh->setBulk(true);
        std::vector<int> memoFields;
        for (size_t i = 0; i < old->fields().size(); ++i)
            if (old->fields()[i].type == 'M') memoFields.push_back(static_cast<int>(i));
        std::string b;
        for (uint32_t r = 1, n = old->recordCount(); r <= n; ++r) {
            if (!old->read(r, b) || b[0] == '*') continue;
            for (int m : memoFields) {
                std::string text = old->getMemo(b, m);
                fresh->putMemo(b, m, text);
            }
            if (fresh->append(b) == 0) throw Error(EG_WRITE, 0, OS_NONE, "DBFNTX", "append", tmpDbf.string(), "pack");
            fresh->unlockAll();
        }
        fresh->sync();
    } catch (...) {
        fresh.reset();
        removeQuietly(tmpDbf);
        removeQuietly(tmpDbt);
        throw;
    }
    // Old indexes go first: should anything stop before the new ones are built, the next start
    // finds them missing and rebuilds them.
    for (const auto& tag : table.tags) removeQuietly(resolveFile(folder, tag + ".NTX"));
    syncFolder(folder);
    std::vector<std::pair<std::string, std::string>> moves;
    moves.emplace_back(tmpDbf.filename().string(), fs::path(dbfPath).filename().string());
    if (table.memo || old->hasMemo()) {
        std::error_code ec;
        if (fs::exists(tmpDbt, ec))
            moves.emplace_back(tmpDbt.filename().string(), fs::path(resolveFile(folder, table.name + ".DBT")).filename().string());
    }
    replaceFiles(folder, moves);
    // Still held exclusively through `fresh`, now under the table's name.
    buildIndexes(folder, table, *fresh);
    // Writes cut short before the rebuild need no replay now.
    dropNotes(folder, table.name);
}

bool rebuildAll(const std::string& folder, std::string* message)
{
    show(kMsgRebuildingIndexes);
    try {
        for (const auto& t : schema::tables()) {
            if (!fileExists(folder, t.name + ".DBF")) continue;
            packTable(folder, t);
        }
    } catch (const Error& e) {
        hide();
        if (message) *message = e.what();
        return false;
    }
    hide();
    return true;
}

// ---------------------------------------------------------------- start-up check

bool CREATEDB(const std::string& folder, const std::vector<schema::TableDef>& tables, bool force,
              std::string* message)
{
    recoverReplacements(folder);
    // Writes that other runs left half-way are put right first; an index they left torn is
    // rebuilt with the others.
    try {
        replayNotes(folder, std::string());
    } catch (const Error&) {
        force = true;
    }
    installClaimLookup(folder);
    show(kMsgCheckingArchives);
    auto stop = [&](const std::string& text) {
        hide();
        if (message) *message = text;
        return false;
    };
    for (const auto& t : tables) {
        if (t.name.empty()) continue;
        std::string dbf = t.name + ".DBF";
        if (!fileExists(folder, dbf)) {
            show(kMsgUpdatingArchives);
            std::string why;
            if (!DBGEN(folder, t.name, t.fields, &why)) return stop(why);
            force = true;
            continue;
        }
        if (NETUSED(resolveFile(folder, dbf))) continue;
        if (!t.fields.empty()) {
            bool differs = false;
            try {
                differs = NEEDUPD(folder, t.name, t.fields);
            } catch (const Error& e) {
                return stop(e.what());
            }
            if (differs) {
                show(kMsgUpdatingArchives);
                std::string why;
                if (!MODITAB(folder, t.name, t.fields, &why)) return stop(why);
                force = true;
            }
        }
    }
    for (const auto& t : tables)
        for (const auto& tag : t.tags)
            if (!fileExists(folder, tag + ".NTX")) force = true;
    hide();
    if (force) rebuildAll(folder);
    return true;
}

bool AGGIORNADATABASE(const std::string& folder, bool force, std::string* message)
{
    if (!CREATEDB(folder, schema::tables(), force, message)) return false;
    PUTCODE(folder, "MOVICOMP");
    return true;
}

} // namespace arv::store

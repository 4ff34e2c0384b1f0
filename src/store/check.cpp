#include "store/check.h"
#include "common/text_util.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "common/error.h"
#include "store/dbf.h"
#include "store/files.h"
#include "store/notes.h"
#include "store/ntx.h"
#include "store/schema/schema.h"

namespace arv::store {

namespace fs = std::filesystem;

namespace {

} // namespace

CheckReport checkTable(const std::string& dbfPath, std::vector<std::string> indexPaths)
{
    CheckReport rep;
    std::unique_ptr<DbfFile> f;
    try {
        f = DbfFile::open(dbfPath, OpenMode::Shared, true);
    } catch (const Error& e) {
        rep.problems.push_back(std::string("tabella: ") + e.what());
        return rep;
    }
    const std::string table = detail::upperAscii(fs::path(dbfPath).stem().string());
    const std::string folder = fs::path(dbfPath).parent_path().string();
    for (const std::string& note : leftoverNotes(folder, table)) rep.problems.push_back("tabella: " + note);
    if (f->tornTail()) rep.problems.push_back("tabella: record parziale o conteggio dell'intestazione diverso dalla dimensione del file");

    rep.records = f->recordCount();
    std::vector<std::string> buffers;
    std::vector<bool> live(rep.records + 1, false);
    std::string b;
    for (uint32_t r = 1; r <= rep.records; ++r) {
        if (!f->read(r, b)) {
            rep.problems.push_back("tabella: record " + std::to_string(r) + " illeggibile");
            continue;
        }
        live[r] = b[0] != '*';
        if (b[0] != '*' && b[0] != ' ') rep.problems.push_back("tabella: record " + std::to_string(r) + " con indicatore di cancellazione non valido");
        if (live[r]) ++rep.live;
    }

    if (indexPaths.empty())
        for (const schema::TagDef* t : schema::tagsOf(table))
            indexPaths.push_back(resolveFile(folder.empty() ? "." : folder, t->name + ".NTX"));

    for (const std::string& ip : indexPaths) {
        const std::string tagName = detail::upperAscii(fs::path(ip).stem().string());
        const std::string label = tagName + ": ";
        std::error_code ec;
        if (!fs::exists(ip, ec)) {
            rep.problems.push_back(label + "file indice mancante");
            continue;
        }
        std::unique_ptr<NtxIndex> ix;
        try {
            ix = NtxIndex::open(ip, true);
            for (const auto& p : ix->verify()) rep.problems.push_back(label + p);
        } catch (const Error& e) {
            rep.problems.push_back(label + e.what());
            continue;
        }
        const schema::TagDef* tag = schema::findTag(tagName);
        if (tag && detail::upperAscii(tag->table) != table) tag = nullptr;
        // Expected entries, computed from the records.
        std::vector<NtxEntry> expected;
        if (tag) {
            for (uint32_t r = 1; r <= rep.records; ++r) {
                if (!live[r] || !f->read(r, b)) continue;
                std::string k = tag->key(DbfRecordView(*f, b));
                k.resize(static_cast<size_t>(ix->info().keySize), ' ');
                expected.push_back(NtxEntry{std::move(k), r});
            }
            bool desc = ix->info().descending;
            std::sort(expected.begin(), expected.end(), [desc](const NtxEntry& a, const NtxEntry& c) {
                if (a.key != c.key) return desc ? a.key > c.key : a.key < c.key;
                return a.recno < c.recno;
            });
        }
        std::vector<NtxEntry> actual;
        try {
            ix->scan([&](const NtxEntry& e) {
                actual.push_back(e);
                return true;
            });
        } catch (const Error& e) {
            rep.problems.push_back(label + e.what());
            continue;
        }
        std::map<uint32_t, int> seen;
        for (const auto& e : actual) {
            if (e.recno == 0 || e.recno > rep.records) {
                rep.problems.push_back(label + "chiave per il record inesistente " + std::to_string(e.recno));
                continue;
            }
            if (!live[e.recno]) rep.problems.push_back(label + "chiave per il record cancellato " + std::to_string(e.recno));
            if (++seen[e.recno] == 2) rep.problems.push_back(label + "record " + std::to_string(e.recno) + " presente più volte");
        }
        if (tag) {
            if (actual != expected) {
                size_t i = 0;
                while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
                std::string where = i < expected.size() ? "record " + std::to_string(expected[i].recno) : "fine";
                rep.problems.push_back(label + "l'indice non corrisponde ai record (" + std::to_string(actual.size()) +
                                       " chiavi, attese " + std::to_string(expected.size()) + "; prima differenza: " + where + ")");
            }
        }
    }
    return rep;
}

} // namespace arv::store

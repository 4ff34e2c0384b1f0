// arv-dbf: looks into the tables and index files of a working folder.
//
//   arv-dbf info   FILE.DBF|FILE.NTX         header and fields, or index header
//   arv-dbf dump   FILE.DBF                  every record (deleted flag, values; memos as length:text)
//   arv-dbf dump   FILE.NTX                  the keys in index order ("recno TAB [key]")
//   arv-dbf check  FILE.DBF [INDEX.NTX...]   table and indexes consistent, no write cut short left
//                                            unreplayed? exit 1 when not
//   arv-dbf reindex FILE.DBF                 packs the table (exclusive use), rebuilds its indexes
//                                            and clears the notes of writes cut short
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "common/error.h"
#include "store/check.h"
#include "store/dbf.h"
#include "store/ntx.h"
#include "store/schema/schema.h"
#include "store/upgrade.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
namespace fs = std::filesystem;

namespace {

bool isIndex(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".NTX";
}

std::string printable(std::string_view s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c >= 32 && c < 127) out += static_cast<char>(c);
        else {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        }
    }
    return out;
}

int info(const std::string& path)
{
    if (isIndex(path)) {
        auto ix = NtxIndex::open(path, true);
        const NtxInfo& i = ix->info();
        std::printf("index: %s\nkey: %s\nfor: %s\ntag: %s\nunique: %s\ndescending: %s\nkey size/dec: %d %d\nkeys: %llu\n",
                    path.c_str(), i.keyExpression.c_str(), i.forExpression.c_str(), i.tagName.c_str(),
                    i.unique ? "T" : "F", i.descending ? "T" : "F", i.keySize, i.keyDecimals,
                    static_cast<unsigned long long>(ix->count()));
        return 0;
    }
    auto f = DbfFile::open(path, OpenMode::Shared, true);
    std::printf("table: %s\nrecords: %u\nheader bytes: %d\nrecord bytes: %d\nmemo: %s\nfields: %zu\n", path.c_str(),
                f->recordCount(), f->headerLength(), f->recordLength(), f->hasMemo() ? "yes" : "no", f->fields().size());
    for (const auto& fd : f->fields()) std::printf("field %s %c %d %d\n", fd.name.c_str(), fd.type, fd.width, fd.decimals);
    if (f->tornTail()) std::printf("warning: partial record at the end of the file\n");
    return 0;
}

int dump(const std::string& path)
{
    if (isIndex(path)) {
        auto ix = NtxIndex::open(path, true);
        ix->scan([](const NtxEntry& e) {
            std::printf("%u\t[%s]\n", e.recno, printable(e.key).c_str());
            return true;
        });
        return 0;
    }
    auto f = DbfFile::open(path, OpenMode::Shared, true);
    std::string b;
    for (uint32_t r = 1, n = f->recordCount(); r <= n; ++r) {
        if (!f->read(r, b)) break;
        std::string line = std::to_string(r) + "\t" + (b[0] == '*' ? "*" : " ");
        for (size_t i = 0; i < f->fields().size(); ++i) {
            int fi = static_cast<int>(i);
            line += "\t";
            if (f->fields()[i].type == 'M') {
                std::string m = f->getMemo(b, fi);
                line += std::to_string(m.size()) + ":" + printable(m);
            } else {
                line += printable(f->raw(b, fi));
            }
        }
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

// The claims' order reads the insured of each claim's policy: from the policies beside the file.
void installLookups(const std::string& path)
{
    std::string folder = fs::path(path).parent_path().string();
    installClaimLookup(folder.empty() ? std::string(".") : folder);
}

int check(const std::string& path, const std::vector<std::string>& indexes)
{
    installLookups(path);
    CheckReport r = checkTable(path, indexes);
    for (const auto& p : r.problems) std::printf("%s\n", p.c_str());
    std::printf("%s: %u records, %u live: %s\n", path.c_str(), r.records, r.live, r.ok() ? "OK" : "ERRORI");
    return r.ok() ? 0 : 1;
}

int reindex(const std::string& path)
{
    std::string folder = fs::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    std::string name = fs::path(path).stem().string();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const schema::TableDef* t = schema::findTable(name);
    if (!t) {
        std::fprintf(stderr, "%s non è una tabella dell'archivio\n", name.c_str());
        return 2;
    }
    installLookups(path);
    packTable(folder, *t);
    return check(path, {});
}

int usage()
{
    std::fprintf(stderr,
                 "uso: arv-dbf info|dump FILE.DBF|FILE.NTX\n"
                 "     arv-dbf check FILE.DBF [INDICE.NTX...]\n"
                 "     arv-dbf reindex FILE.DBF\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return usage();
    std::string cmd = argv[1], path = argv[2];
    std::vector<std::string> rest(argv + 3, argv + argc);
    try {
        if (cmd == "info") return info(path);
        if (cmd == "dump") return dump(path);
        if (cmd == "check") return check(path, rest);
        if (cmd == "reindex") return reindex(path);
    } catch (const Error& e) {
        std::fprintf(stderr, "errore: %s\n", e.what());
        return 1;
    }
    return usage();
}

#include "store/ntx.h"

#include "common/error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include "support/projectfiles.h"

using namespace arv::store;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/arv_ntx_XXXXXX";
        const char* p = ::mkdtemp(tmpl);
        if (!p) throw std::runtime_error("mkdtemp failed");
        dir_ = p;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }
    const fs::path& path() const { return dir_; }

private:
    fs::path dir_;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

uint16_t u16At(const std::string& b, size_t off) { return uint16_t(uint8_t(b[off]) | (uint8_t(b[off + 1]) << 8)); }
uint32_t u32At(const std::string& b, size_t off) { return u16At(b, off) | (uint32_t(u16At(b, off + 2)) << 16); }
void put16(std::string& b, size_t off, uint16_t v)
{
    b[off] = char(v & 0xFF);
    b[off + 1] = char(v >> 8);
}
void put32(std::string& b, size_t off, uint32_t v)
{
    put16(b, off, uint16_t(v));
    put16(b, off + 2, uint16_t(v >> 16));
}

std::vector<NtxEntry> scanAll(NtxIndex& idx)
{
    std::vector<NtxEntry> out;
    idx.scan([&](const NtxEntry& e) {
        out.push_back(e);
        return true;
    });
    return out;
}

// ---- reference files ---------------------------------------------------------------------------

const std::set<uint32_t> kDeleted = {6, 11, 20, 24};

struct DumpIndex {
    std::string file, key, forExpr;
    bool unique = false, descending = false;
    char type = 'C';
    int size = 0, dec = 0, keys = 0;
    std::vector<NtxEntry> listing; // keys as stored
};

std::string unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += char(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<DumpIndex> readDump()
{
    std::ifstream in(arv::test::xbaseFixture("dump.txt"));
    std::vector<DumpIndex> out;
    std::string line;
    DumpIndex* cur = nullptr;
    auto value = [&](const char* tag) { return line.substr(std::strlen(tag)); };
    while (std::getline(in, line)) {
        if (line.rfind("index: ", 0) == 0) {
            out.emplace_back();
            cur = &out.back();
            cur->file = value("index: ");
        } else if (!cur) {
            continue;
        } else if (line.rfind("key: ", 0) == 0) {
            cur->key = value("key: ");
        } else if (line.rfind("for:", 0) == 0) {
            cur->forExpr = line.size() > 5 ? value("for: ") : "";
        } else if (line.rfind("unique: ", 0) == 0) {
            cur->unique = value("unique: ") == "T";
        } else if (line.rfind("descending: ", 0) == 0) {
            cur->descending = value("descending: ") == "T";
        } else if (line.rfind("key type/size/dec: ", 0) == 0) {
            std::istringstream s(value("key type/size/dec: "));
            s >> cur->type >> cur->size >> cur->dec;
        } else if (line.rfind("keys: ", 0) == 0) {
            cur->keys = std::stoi(value("keys: "));
        } else if (line.rfind("listed:", 0) == 0) {
            cur = nullptr;
        } else if (!line.empty() && std::isdigit(uint8_t(line[0]))) {
            auto tab = line.find('\t');
            uint32_t rec = uint32_t(std::stoul(line.substr(0, tab)));
            std::string key = unescape(line.substr(tab + 2, line.size() - tab - 3));
            if (cur->type == 'N') {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%*s", cur->size, key.c_str());
                key = ntxNumericKey(buf);
            }
            cur->listing.push_back({key, rec});
        }
    }
    return out;
}

TEST(NtxFixtures, HeadersAndOrderMatchTheOtherEngine)
{
    TempDir tmp;
    auto dump = readDump();
    ASSERT_EQ(dump.size(), 4u);
    for (const auto& di : dump) {
        SCOPED_TRACE(di.file);
        const std::string copy = tmp.file(di.file);
        writeFile(copy, readFile(arv::test::xbaseFixture(di.file)));
        auto idx = NtxIndex::open(copy);
        const NtxInfo& info = idx->info();
        EXPECT_EQ(info.keyExpression, di.key);
        EXPECT_EQ(info.forExpression, di.forExpr);
        EXPECT_EQ(info.unique, di.unique);
        EXPECT_EQ(info.descending, di.descending);
        EXPECT_EQ(info.keySize, di.size);
        EXPECT_EQ(info.keyDecimals, di.dec);
        EXPECT_EQ(idx->count(), uint64_t(di.keys));
        EXPECT_EQ(idx->verify(), std::vector<std::string>());

        auto all = scanAll(*idx);
        std::vector<NtxEntry> live;
        for (const auto& e : all)
            if (!kDeleted.count(e.recno)) live.push_back(e);
        EXPECT_EQ(live, di.listing);

        // Walking backwards gives the same entries.
        std::vector<NtxEntry> back;
        for (auto e = idx->last(); e; e = idx->prev(*e)) back.push_back(*e);
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(back, all);
    }
}

TEST(NtxFixtures, SeeksAndChangesOnForeignFile)
{
    TempDir tmp;
    const std::string path = tmp.file("s_name.ntx");
    writeFile(path, readFile(arv::test::xbaseFixture("s_name.ntx")));
    auto idx = NtxIndex::open(path);
    auto e = idx->seek("ROSSI");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->recno, 1u);
    EXPECT_EQ(idx->seekLast("ROSSI")->recno, 25u);
    EXPECT_EQ(idx->seek("ROSSO")->recno, 19u); // SANTORO follows
    EXPECT_FALSE(idx->seekLast("ROSSO"));

    // Drop the deleted records' keys and add many more: the file stays sound and ordered.
    std::set<std::pair<std::string, uint32_t>> model;
    for (const auto& x : scanAll(*idx)) model.insert({x.key, x.recno});
    for (const auto& x : std::set(model))
        if (kDeleted.count(x.second)) {
            EXPECT_TRUE(idx->remove(x.first, x.second));
            model.erase(x);
        }
    std::mt19937 rng(7);
    for (uint32_t r = 100; r < 900; ++r) {
        std::string k = "N" + std::to_string(rng() % 500);
        k.resize(30, ' ');
        ASSERT_TRUE(idx->insert(k, r));
        model.insert({k, r});
    }
    EXPECT_EQ(idx->verify(), std::vector<std::string>());
    std::vector<NtxEntry> expected;
    for (const auto& x : model) expected.push_back({x.first, x.second});
    EXPECT_EQ(scanAll(*idx), expected);

    // Another reader sees the same.
    auto other = NtxIndex::open(path, true);
    EXPECT_EQ(scanAll(*other), expected);
}

// ---- random model ------------------------------------------------------------------------------

struct ModelCase {
    int keySize;
    bool descending;
    bool unique;
};

class NtxModel : public ::testing::TestWithParam<ModelCase> {
protected:
    ModelCase mc = GetParam();
    std::mt19937 rng{1234};
    std::map<uint32_t, std::string> byRec;    // recno -> key
    std::multiset<std::string> keysPresent;

    std::string randomKey()
    {
        // Few distinct keys so that duplicates are common; some bytes above 0x7F.
        unsigned v = rng() % 700;
        std::string k = (v % 7 == 0 ? "\xE0" : "K") + std::to_string(v);
        k.resize(size_t(mc.keySize), v % 3 ? ' ' : char('a' + v % 26));
        return k;
    }

    std::vector<NtxEntry> expected() const
    {
        std::vector<NtxEntry> v;
        for (const auto& [r, k] : byRec) v.push_back({k, r});
        std::sort(v.begin(), v.end(), [&](const NtxEntry& a, const NtxEntry& b) {
            int c = std::memcmp(a.key.data(), b.key.data(), a.key.size());
            if (mc.descending) c = -c;
            if (c != 0) return c < 0;
            return a.recno < b.recno;
        });
        return v;
    }

    void doInsert(NtxIndex& idx, const std::string& k, uint32_t r)
    {
        bool refused = mc.unique && keysPresent.count(k);
        ASSERT_EQ(idx.insert(k, r), !refused);
        if (!refused) {
            byRec[r] = k;
            keysPresent.insert(k);
        }
    }

    void doRemove(NtxIndex& idx, uint32_t r)
    {
        auto it = byRec.find(r);
        ASSERT_TRUE(idx.remove(it->second, r));
        keysPresent.erase(keysPresent.find(it->second));
        byRec.erase(it);
    }

    void check(NtxIndex& idx)
    {
        ASSERT_EQ(idx.verify(), std::vector<std::string>());
        ASSERT_EQ(scanAll(idx), expected());
        ASSERT_EQ(idx.count(), byRec.size());
    }

    uint32_t randomRec()
    {
        auto it = byRec.begin();
        std::advance(it, rng() % byRec.size());
        return it->first;
    }
};

TEST_P(NtxModel, BuildInsertRemoveUpdate)
{
    TempDir tmp;
    const std::string path = tmp.file("T.NTX");
    NtxInfo info;
    info.keyExpression = "KEY";
    info.keySize = mc.keySize;
    info.descending = mc.descending;
    info.unique = mc.unique;

    std::vector<NtxEntry> initial;
    for (uint32_t r = 1; r <= 1500; ++r) {
        std::string k = randomKey();
        initial.push_back({k, r});
        if (mc.unique && keysPresent.count(k)) continue; // the build keeps the first record
        byRec[r] = k;
        keysPresent.insert(k);
    }
    std::shuffle(initial.begin(), initial.end(), rng);
    NtxIndex::build(path, info, initial);
    auto idx = NtxIndex::open(path);
    check(*idx);

    uint32_t nextRec = 2000;
    for (int batch = 0; batch < 6; ++batch) {
        for (int op = 0; op < 400; ++op) {
            unsigned what = rng() % 10;
            if (what < 5 || byRec.empty()) {
                doInsert(*idx, randomKey(), nextRec++);
            } else if (what < 8) {
                doRemove(*idx, randomRec());
            } else { // a changed key: out with the old, in with the new
                uint32_t r = randomRec();
                doRemove(*idx, r);
                doInsert(*idx, randomKey(), r);
            }
            if (HasFatalFailure()) return;
        }
        // Refusals change nothing.
        if (!byRec.empty()) {
            auto [r, k] = *byRec.begin();
            EXPECT_FALSE(idx->insert(k, r));
            EXPECT_FALSE(idx->remove(k, r + 100000));
        }
        check(*idx);
        if (HasFatalFailure()) return;
    }

    // Empty it through merges down to a lone root leaf; freed pages are reused afterwards.
    int step = 0;
    while (!byRec.empty()) {
        doRemove(*idx, randomRec());
        if (HasFatalFailure()) return;
        if (++step % 700 == 0) check(*idx);
    }
    check(*idx);
    EXPECT_FALSE(idx->first());
    EXPECT_FALSE(idx->last());
    const auto sizeEmpty = fs::file_size(path);
    for (int i = 0; i < 300; ++i) doInsert(*idx, randomKey(), nextRec++);
    check(*idx);
    EXPECT_EQ(fs::file_size(path), sizeEmpty);
}

INSTANTIATE_TEST_SUITE_P(Shapes, NtxModel,
                         ::testing::Values(ModelCase{10, false, false}, ModelCase{10, true, false},
                                           ModelCase{10, false, true}, ModelCase{10, true, true},
                                           ModelCase{35, false, false}, ModelCase{35, true, true}),
                         [](const auto& p) {
                             return "K" + std::to_string(p.param.keySize) + (p.param.descending ? "Desc" : "Asc") +
                                    (p.param.unique ? "Unique" : "");
                         });

TEST(NtxChanges, AscendingAppendsAndArgumentChecks)
{
    TempDir tmp;
    const std::string path = tmp.file("A.NTX");
    NtxInfo info;
    info.keyExpression = "CODICE";
    info.keySize = 10;
    NtxIndex::build(path, info, {});
    auto idx = NtxIndex::open(path);
    for (uint32_t r = 1; r <= 3000; ++r) {
        char k[16];
        std::snprintf(k, sizeof k, "%10u", r);
        ASSERT_TRUE(idx->insert(k, r));
    }
    EXPECT_EQ(idx->verify(), std::vector<std::string>());
    EXPECT_EQ(idx->count(), 3000u);
    EXPECT_EQ(idx->last()->recno, 3000u);
    // Keys arriving in order leave full pages behind: 3000 keys of 10 bytes, 50 to a page.
    EXPECT_LE(fs::file_size(path), 1024u * (1 + 3000 / 49 + 3));

    try {
        idx->insert("short", 1);
        FAIL() << "a key of the wrong size was taken";
    } catch (const arv::Error& e) {
        EXPECT_EQ(e.genCode(), arv::EG_ARG);
    }
    auto ro = NtxIndex::open(path, true);
    EXPECT_THROW(ro->insert("         1", 9), arv::Error);
    EXPECT_EQ(ro->count(), 3000u);

    // A visitor may read but not change the index during a scan.
    int seen = 0;
    idx->scan([&](const NtxEntry& e) {
        EXPECT_EQ(idx->seek(e.key)->recno, e.recno);
        if (++seen == 5) {
            EXPECT_THROW(idx->insert("         X", 1), arv::Error);
        }
        return seen < 10;
    });
    EXPECT_EQ(seen, 10);
    EXPECT_EQ(idx->count(), 3000u);

    // Inside a read batch reads work and changes are refused; after it, changes work again.
    {
        NtxIndex::ReadBatch batch(*idx);
        EXPECT_EQ(idx->seek("      2999")->recno, 2999u);
        EXPECT_EQ(idx->count(), 3000u);
        EXPECT_THROW(idx->insert("      9999", 9999), arv::Error);
    }
    EXPECT_TRUE(idx->insert("      9999", 9999));
}

// ---- navigation --------------------------------------------------------------------------------

std::string key10(const std::string& s)
{
    std::string k = s;
    k.resize(10, ' ');
    return k;
}

TEST(NtxNavigation, SeekNextPrevAcrossPages)
{
    TempDir tmp;
    for (bool desc : {false, true}) {
        SCOPED_TRACE(desc ? "descending" : "ascending");
        const std::string path = tmp.file(desc ? "D.NTX" : "A.NTX");
        NtxInfo info;
        info.keyExpression = "K";
        info.keySize = 10;
        info.descending = desc;
        std::vector<NtxEntry> entries;
        uint32_t r = 1;
        // Groups "G000".."G199" (G100 missing), each with three records.
        for (int g = 0; g < 200; ++g) {
            if (g == 100) continue;
            char name[8];
            std::snprintf(name, sizeof name, "G%03d", g);
            for (int j = 0; j < 3; ++j) entries.push_back({key10(name + std::to_string(j % 2)), r++});
        }
        NtxIndex::build(path, info, entries);
        auto idx = NtxIndex::open(path);

        auto e = idx->seek("G05");
        ASSERT_TRUE(e);
        EXPECT_EQ(e->key.substr(0, 3), "G05");
        EXPECT_EQ(e->key.substr(0, 4), desc ? "G059" : "G050");
        e = idx->seekLast("G05");
        ASSERT_TRUE(e);
        EXPECT_EQ(e->key.substr(0, 4), desc ? "G050" : "G059");
        // A missing prefix: seek lands on the following group, seekLast finds nothing.
        e = idx->seek("G100");
        ASSERT_TRUE(e);
        EXPECT_EQ(e->key.substr(0, 4), desc ? "G099" : "G101");
        EXPECT_FALSE(idx->seekLast("G100"));
        // Equal keys stay in record order in both directions of the index.
        auto a = idx->seek(key10("G0070"));
        auto b = idx->next(*a);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->key, b->key);
        EXPECT_LT(a->recno, b->recno);
        EXPECT_EQ(idx->seekLast(key10("G0070"))->recno, b->recno);
        EXPECT_FALSE(idx->seek(desc ? "A" : "Z"));
        EXPECT_EQ(idx->seek(""), idx->first());
        EXPECT_EQ(idx->seekLast(""), idx->last());

        // Full walks both ways agree with the scan.
        auto all = scanAll(*idx);
        ASSERT_EQ(all.size(), entries.size());
        std::vector<NtxEntry> fwd, back;
        for (auto x = idx->first(); x; x = idx->next(*x)) fwd.push_back(*x);
        for (auto x = idx->last(); x; x = idx->prev(*x)) back.push_back(*x);
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(fwd, all);
        EXPECT_EQ(back, all);

        // next/prev from an entry that is gone continue from where it was.
        NtxEntry gone = all[300];
        ASSERT_TRUE(idx->remove(gone.key, gone.recno));
        EXPECT_EQ(*idx->next(gone), all[301]);
        EXPECT_EQ(*idx->prev(gone), all[299]);
        EXPECT_FALSE(idx->next(all.back()));
        EXPECT_FALSE(idx->prev(all.front()));
    }

    NtxInfo info;
    info.keySize = 10;
    const std::string empty = tmp.file("E.NTX");
    NtxIndex::build(empty, info, {});
    auto idx = NtxIndex::open(empty);
    EXPECT_FALSE(idx->first());
    EXPECT_FALSE(idx->last());
    EXPECT_FALSE(idx->seek("X"));
    EXPECT_FALSE(idx->seekLast(""));
    EXPECT_FALSE(idx->next({key10("X"), 1}));
    EXPECT_EQ(idx->count(), 0u);
    EXPECT_EQ(idx->verify(), std::vector<std::string>());
}

// ---- sharing -----------------------------------------------------------------------------------

TEST(NtxSharing, SecondHandleSeesChanges)
{
    TempDir tmp;
    const std::string path = tmp.file("S.NTX");
    NtxInfo info;
    info.keySize = 12;
    NtxIndex::build(path, info, {{"000000000001", 1}});
    auto a = NtxIndex::open(path);
    auto b = NtxIndex::open(path);
    EXPECT_EQ(b->count(), 1u); // b now caches the root
    for (uint32_t r = 2; r <= 2000; ++r) {
        char k[16];
        std::snprintf(k, sizeof k, "%012u", (r * 7919u) % 100000u);
        ASSERT_TRUE(a->insert(k, r));
    }
    EXPECT_EQ(b->count(), 2000u);
    EXPECT_EQ(scanAll(*b), scanAll(*a));
    EXPECT_EQ(b->verify(), std::vector<std::string>());
    // And the other way round, through merges.
    for (const auto& e : scanAll(*a))
        if (e.recno % 3) {
            ASSERT_TRUE(b->remove(e.key, e.recno));
        }
    EXPECT_EQ(a->count(), 666u);
    EXPECT_EQ(scanAll(*a), scanAll(*b));
    EXPECT_EQ(a->verify(), std::vector<std::string>());
}

// Indexes of several megabytes are walked from one read of the file, each page decoded only for
// the moment it is looked at: the walk still sees every key in order, and the changes made
// through another handle between two walks.
TEST(NtxSharing, LargeIndexWalksSeeEveryKeyAndLaterChanges)
{
    TempDir tmp;
    const std::string path = tmp.file("L.NTX");
    NtxInfo info;
    info.keySize = 60;
    std::vector<NtxEntry> entries;
    for (uint32_t r = 1; r <= 60000; ++r) {
        char k[64];
        std::snprintf(k, sizeof k, "%-48s%012u", "CLIENTE", (r * 7919u) % 1000003u);
        entries.push_back({k, r});
    }
    NtxIndex::build(path, info, entries);
    ASSERT_GT(std::filesystem::file_size(path), 4096u * 1024u); // more pages than a walk keeps
    auto reader = NtxIndex::open(path);
    auto writer = NtxIndex::open(path);
    std::vector<NtxEntry> seen = scanAll(*reader);
    ASSERT_EQ(60000u, seen.size());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(),
                               [](const NtxEntry& a, const NtxEntry& b) { return a.key < b.key; }));
    EXPECT_EQ(60000u, reader->count());
    char k[64];
    std::snprintf(k, sizeof k, "%-48s%012u", "CLIENTE", 5u);
    ASSERT_TRUE(writer->insert(k, 60001));
    ASSERT_TRUE(writer->remove(seen[100].key, seen[100].recno));
    std::vector<NtxEntry> again = scanAll(*reader);
    EXPECT_EQ(60000u, again.size());
    EXPECT_EQ(1, std::count_if(again.begin(), again.end(), [](const NtxEntry& e) { return e.recno == 60001; }));
    EXPECT_EQ(0, std::count_if(again.begin(), again.end(), [&](const NtxEntry& e) { return e.recno == seen[100].recno; }));
    EXPECT_EQ(reader->verify(), std::vector<std::string>());
}

TEST(NtxSharing, ChildProcessInsertsWhileParentReads)
{
    TempDir tmp;
    const std::string path = tmp.file("P.NTX");
    NtxInfo info;
    info.keySize = 10;
    NtxIndex::build(path, info, {});
    auto reader = NtxIndex::open(path);
    const uint32_t n = 3000;

    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int rc = 0;
        try {
            auto w = NtxIndex::open(path);
            for (uint32_t r = 1; r <= n; ++r) {
                char k[16];
                std::snprintf(k, sizeof k, "%010u", (r * 104729u) % 1000003u);
                if (!w->insert(k, r)) rc = 2;
            }
        } catch (...) {
            rc = 3;
        }
        ::_exit(rc);
    }
    uint64_t lastCount = 0;
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        // The count taken inside the scan, under the same lock, matches the scan.
        uint64_t c = 0;
        std::vector<NtxEntry> all;
        reader->scan([&](const NtxEntry& e) {
            if (all.empty()) c = reader->count();
            all.push_back(e);
            return true;
        });
        EXPECT_EQ(all.size(), c);
        EXPECT_GE(c, lastCount);
        lastCount = c;
        EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                                   [](const NtxEntry& x, const NtxEntry& y) { return x.key < y.key; }));
        if (done == pid) break;
        ::usleep(200);
    }
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(reader->count(), n);
    for (uint32_t r = 1; r <= n; r += 97) {
        char k[16];
        std::snprintf(k, sizeof k, "%010u", (r * 104729u) % 1000003u);
        auto e = reader->seek(k);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->recno, r);
    }
    EXPECT_EQ(reader->verify(), std::vector<std::string>());
}

// ---- damage ------------------------------------------------------------------------------------

// Opening fails, or every full read fails and verify() reports the fault; never a crash.
void expectDamaged(const std::string& path)
{
    std::unique_ptr<NtxIndex> idx;
    try {
        idx = NtxIndex::open(path);
    } catch (const arv::Error& e) {
        EXPECT_EQ(e.genCode(), arv::EG_CORRUPTION);
        EXPECT_EQ(e.subCode(), arv::SUB_CORRUPT);
        return;
    }
    EXPECT_THROW(idx->scan([](const NtxEntry&) { return true; }), arv::Error);
    try {
        EXPECT_FALSE(idx->verify().empty());
    } catch (const arv::Error& e) {
        EXPECT_EQ(e.genCode(), arv::EG_CORRUPTION);
    }
}

TEST(NtxDamage, DamagedFilesThrow)
{
    TempDir tmp;
    const std::string good = tmp.file("G.NTX");
    NtxInfo info;
    info.keySize = 35;
    std::vector<NtxEntry> entries;
    for (uint32_t r = 1; r <= 3000; ++r) {
        std::string k = "KEY" + std::to_string(r * 31 % 3001);
        k.resize(35, ' ');
        entries.push_back({k, r});
    }
    NtxIndex::build(good, info, entries);
    const std::string bytes = readFile(good);
    const uint32_t root = u32At(bytes, 4);
    const int maxItems = u16At(bytes, 18);
    auto childOf = [&](uint32_t page, int i) { return u32At(bytes, page + u16At(bytes, page + 2 + 2 * i)); };
    const uint32_t mid = childOf(root, 0);
    ASSERT_NE(childOf(mid, 0), 0u) << "expected three levels";

    const std::string bad = tmp.file("B.NTX");
    auto damaged = [&](const char* what, auto edit) {
        SCOPED_TRACE(what);
        std::string b = bytes;
        edit(b);
        writeFile(bad, b);
        expectDamaged(bad);
    };
    {
        // Keys out of order read without error, but verify() reports them.
        std::string b = bytes;
        uint32_t leaf = childOf(mid, 0);
        b[leaf + u16At(b, leaf + 2) + 8] = '~';
        writeFile(bad, b);
        EXPECT_FALSE(NtxIndex::open(bad)->verify().empty());
    }
    damaged("truncated header", [](std::string& b) { b.resize(500); });
    damaged("key size 0", [](std::string& b) { put16(b, 14, 0); });
    damaged("key size 1000", [](std::string& b) { put16(b, 14, 1000); put16(b, 12, 1008); });
    damaged("bad signature", [](std::string& b) { put16(b, 0, 0x4242); });
    damaged("root not on a page", [](std::string& b) { put32(b, 4, 1500); });
    damaged("root past the end", [](std::string& b) { put32(b, 4, 0x100000); });
    damaged("pages cut off", [&](std::string& b) { b.resize(b.size() / 2); });
    damaged("key count above max", [&](std::string& b) { put16(b, mid, uint16_t(maxItems + 1)); });
    damaged("slot outside the page", [&](std::string& b) { put16(b, mid + 2, 1020); });
    damaged("child into the header", [&](std::string& b) { put32(b, mid + u16At(b, mid + 2), 0); put32(b, mid + u16At(b, mid + 4), 512); });
    damaged("cycle to the root", [&](std::string& b) { put32(b, mid + u16At(b, mid + 2), root); });
    damaged("page shared by two parents", [&](std::string& b) {
        put32(b, mid + u16At(b, mid + 4), childOf(mid, 0));
    });
}

TEST(NtxDamage, FreeListFaultsAreReported)
{
    TempDir tmp;
    const std::string path = tmp.file("F.NTX");
    NtxInfo info;
    info.keySize = 10;
    std::vector<NtxEntry> entries;
    for (uint32_t r = 1; r <= 1000; ++r) entries.push_back({key10("K" + std::to_string(r)), r});
    NtxIndex::build(path, info, entries);
    {
        auto idx = NtxIndex::open(path);
        for (uint32_t r = 1; r <= 900; ++r) ASSERT_TRUE(idx->remove(key10("K" + std::to_string(r)), r));
        ASSERT_EQ(idx->verify(), std::vector<std::string>());
    }
    std::string bytes = readFile(path);
    const uint32_t head = u32At(bytes, 8);
    ASSERT_NE(head, 0u);
    // The free page links to itself.
    std::string b = bytes;
    put32(b, head + u16At(b, head + 2), head);
    writeFile(path, b);
    EXPECT_FALSE(NtxIndex::open(path)->verify().empty());
    // The free list starts at the root.
    b = bytes;
    put32(b, 8, u32At(b, 4));
    writeFile(path, b);
    EXPECT_FALSE(NtxIndex::open(path)->verify().empty());
}

// ---- file format -------------------------------------------------------------------------------

TEST(NtxFormat, HeaderBytesAndAtomicBuild)
{
    TempDir tmp;
    const std::string path = tmp.file("CLIENTI.NTX");
    NtxInfo info;
    info.keyExpression = "UPPER(CLIENTE)";
    info.forExpression = "!DELETED()";
    info.tagName = "CLIENTI";
    info.keySize = 35;
    info.unique = true;
    std::vector<NtxEntry> entries;
    for (uint32_t r = 1; r <= 500; ++r) {
        std::string k = "C" + std::to_string(r);
        k.resize(35, ' ');
        entries.push_back({k, r});
    }
    writeFile(path, "old contents");
    NtxIndex::build(path, info, entries);
    std::string b = readFile(path);
    EXPECT_EQ(b.size() % 1024, 0u);
    EXPECT_EQ(u16At(b, 0), 7);  // FOR condition present
    EXPECT_EQ(u16At(b, 12), 43); // item size
    EXPECT_EQ(u16At(b, 14), 35);
    EXPECT_EQ(u16At(b, 18), 20); // 1022 / 45 - 1 = 21, odd -> 20
    EXPECT_EQ(u16At(b, 20), 10);
    EXPECT_EQ(std::string(b.data() + 22), "UPPER(CLIENTE)");
    EXPECT_EQ(b[278], 1);
    EXPECT_EQ(b[280], 0);
    EXPECT_EQ(std::string(b.data() + 282), "!DELETED()");
    EXPECT_EQ(std::string(b.data() + 538), "CLIENTI");
    // Nothing else is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);

    auto idx = NtxIndex::open(path);
    EXPECT_EQ(idx->info().tagName, "CLIENTI");
    const uint16_t v = u16At(b, 2);
    std::string k = "NEW";
    k.resize(35, ' ');
    ASSERT_TRUE(idx->insert(k, 501));
    EXPECT_FALSE(idx->insert(k, 502)); // unique
    b = readFile(path);
    EXPECT_EQ(u16At(b, 2), uint16_t(v + 1));
    idx->sync();

    // Without a FOR condition the signature is 6; ascending descending flag as asked.
    info.forExpression.clear();
    info.descending = true;
    info.keySize = 12;
    NtxIndex::build(path, info, {});
    b = readFile(path);
    EXPECT_EQ(u16At(b, 0), 6);
    EXPECT_EQ(u16At(b, 18), 44);
    EXPECT_EQ(b[280], 1);
    EXPECT_EQ(b.size(), 2048u);

    info.keySize = 0;
    EXPECT_THROW(NtxIndex::build(path, info, {}), arv::Error);
    info.keySize = 5;
    EXPECT_THROW(NtxIndex::build(path, info, {{"TOO LONG", 1}}), arv::Error);
}

TEST(NtxNumericKey, ByteOrderIsNumericOrder)
{
    // Keys as the other engine stored them.
    EXPECT_EQ(ntxNumericKey("       -7.50"), ",,,,,,,,%.',");
    EXPECT_EQ(ntxNumericKey("    -1500.25"), ",,,,,+',,.*'");
    EXPECT_EQ(ntxNumericKey("       -0.01"), ",,,,,,,,,.,+");
    EXPECT_EQ(ntxNumericKey("    15000.00"), "000015000.00");
    EXPECT_EQ(ntxNumericKey("999999999.99"), "999999999.99");

    std::vector<double> values = {0, -0.01, 0.01, -1, 1, -9.99, -10, 10, -123456.78, 123456.78, -999999.99,
                                  5.5, -5.5, -5.49, -5.51, 99.9, -100, 100.01, -100.01, 42};
    std::vector<std::pair<std::string, double>> keyed;
    for (double v : values) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%12.2f", v);
        keyed.push_back({ntxNumericKey(buf), v});
    }
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 1; i < keyed.size(); ++i)
        EXPECT_LT(keyed[i - 1].second, keyed[i].second) << keyed[i - 1].first << " / " << keyed[i].first;
}

} // namespace

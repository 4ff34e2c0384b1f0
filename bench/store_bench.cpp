// Figures of the table engine on this machine. Run: ./build/bench/store_bench
// Each benchmark works on its own scratch folder under the system's temporary directory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "store/dbf.h"
#include "store/ntx.h"
#include "store/table.h"
#include "store/upgrade.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
namespace fs = std::filesystem;

namespace {

std::string scratch(const char* name)
{
    fs::path p = fs::temp_directory_path() / (std::string("arvbench-") + name);
    fs::remove_all(p);
    fs::create_directories(p);
    return p.string();
}

// Ten fields, 150-byte records (deletion flag included).
const std::vector<schema::FieldDef> kFields = {
    {"NOME", 'C', 35, 0},   {"CITTA", 'C', 25, 0}, {"INDIRIZZO", 'C', 35, 0}, {"CAP", 'C', 5, 0},
    {"PROV", 'C', 2, 0},    {"IMPORTO", 'N', 10, 2}, {"DATA", 'D', 8, 0},     {"ATTIVO", 'L', 1, 0},
    {"CODICE", 'C', 10, 0}, {"NOTE", 'C', 18, 0}};

// The bench table is none of the schema's: its names are known at run time.
const FieldName kName = FieldName::runtime("NOME");
const FieldName kActive = FieldName::runtime("ATTIVO");

const char* kTowns[] = {"ROMA", "MILANO", "NAPOLI", "TORINO", "PALERMO", "GENOVA", "BOLOGNA", "FIRENZE"};

std::string nameFor(unsigned i)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "Cliente %08u Rossi", (i * 2654435761u) % 100000000u);
    return buf;
}

void fill(Table& t, unsigned n, unsigned from = 0)
{
    for (unsigned i = from; i < from + n; ++i) {
        t.append();
        t.setText(kName, nameFor(i));
        t.setText("CITTA", kTowns[i % 8]);
        t.setText("INDIRIZZO", "VIA ROMA " + std::to_string(i % 300));
        t.setNumber("IMPORTO", Decimal::fromScaled(static_cast<long long>(i % 100000), 2));
        t.setDate("DATA", Date::fromYmd(2020 + static_cast<int>(i % 6), 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)));
        t.setLogical(kActive, i % 3 != 0);
        t.commit();
        t.unlock();
    }
}

RecordKey upperName()
{
    return [](const Table& t) { return schema::keyUpper(t.raw(kName)); };
}

void BM_Append200k(benchmark::State& state)
{
    const bool sync = state.range(0) != 0;
    const unsigned n = sync ? 2000 : 200000;
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = scratch("append");
        DbfFile::create(dir + "/BENCH.DBF", kFields);
        Workspace ws(dir);
        Table& t = ws.open("BENCH");
        t.setBulk(!sync);
        state.ResumeTiming();
        fill(t, n);
        t.setBulk(false);
    }
    state.counters["records"] = n;
    state.SetLabel(sync ? "2,000 appends, commit each with disk sync" : "200,000 appends, commit each, no disk sync");
}
BENCHMARK(BM_Append200k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// One synced commit of a new 158-byte record (the titles table), with no index and with its two
// indexes: "before" is the order this engine used to follow (record written and synced, then
// the indexes changed, unsynced, with nothing noted), "after" the table's commit (the write
// noted and synced first, the indexes changed before the sync, every changed file synced once).
void BM_SyncedCommit(benchmark::State& state)
{
    const bool after = state.range(0) != 0;
    const bool indexed = state.range(1) != 0;
    constexpr int n = 1000;
    const schema::TableDef& def = *schema::findTable("TITOLI");
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = scratch("synced");
        DbfFile::create(dir + "/TITOLI.DBF", def.fields);
        if (indexed) reindexTable(dir, def);
        state.ResumeTiming();
        if (after) {
            Workspace ws(dir);
            Table& t = ws.open("TITOLI");
            for (int i = 0; i < n; ++i) {
                t.append();
                t.setText("COMPAGNIA", std::string(kTowns[i % 8]) + " ASSICURAZIONI");
                t.setText("NUMERO", std::to_string(700000 + i));
                t.setText("ASSICURATO", nameFor(static_cast<unsigned>(i)));
                t.commit();
                t.unlock();
            }
        } else {
            auto f = DbfFile::open(dir + "/TITOLI.DBF", OpenMode::Shared);
            std::vector<std::pair<const schema::TagDef*, std::unique_ptr<NtxIndex>>> ix;
            if (indexed)
                for (const auto& tag : def.tags) ix.emplace_back(schema::findTag(tag), NtxIndex::open(dir + "/" + tag + ".NTX"));
            std::string b;
            for (int i = 0; i < n; ++i) {
                f->blank(b);
                f->putString(b, f->fieldIndex("COMPAGNIA"), std::string(kTowns[i % 8]) + " ASSICURAZIONI");
                f->putString(b, f->fieldIndex("NUMERO"), std::to_string(700000 + i));
                f->putString(b, f->fieldIndex("ASSICURATO"), nameFor(static_cast<unsigned>(i)));
                uint32_t r = f->append(b);
                f->commit();
                for (auto& [tag, x] : ix) x->insert(tag->key(DbfRecordView(*f, b)), r);
                f->unlockAll();
            }
        }
    }
    state.counters["per_commit"] =
        benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetLabel(std::string(after ? "after:  " : "before: ") + (indexed ? "two indexes" : "no index") +
                   ", 1,000 appends, each committed with disk sync");
}
BENCHMARK(BM_SyncedCommit)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->ArgNames({"after", "indexed"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

struct Loaded {
    std::string dir;
    Loaded()
    {
        dir = scratch("loaded");
        DbfFile::create(dir + "/BENCH.DBF", kFields);
        Workspace ws(dir);
        Table& t = ws.open("BENCH");
        t.setBulk(true);
        fill(t, 200000);
        t.setBulk(false);
    }
};

Loaded& loaded()
{
    static Loaded l;
    return l;
}

void BM_BuildIndex200k(benchmark::State& state)
{
    Workspace ws(loaded().dir);
    Table& t = ws.open("BENCH");
    for (auto _ : state) t.ordBuild("BENCHNOM", "UPPER(NOME)", upperName());
    state.SetLabel("index on a 35-byte upper-case key over 200,000 records");
}
BENCHMARK(BM_BuildIndex200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_NtxBuildOnly200k(benchmark::State& state)
{
    std::vector<NtxEntry> entries;
    for (unsigned i = 0; i < 200000; ++i) {
        std::string k = schema::keyUpper(nameFor(i));
        k.resize(35, ' ');
        entries.push_back(NtxEntry{k, i + 1});
    }
    NtxInfo info;
    info.keyExpression = "UPPER(NOME)";
    info.keySize = 35;
    std::string dir = scratch("ntxonly");
    for (auto _ : state) NtxIndex::build(dir + "/ONLY.NTX", info, entries);
    state.SetLabel("the index file alone: sort and write 200,000 keys of 35 bytes");
}
BENCHMARK(BM_NtxBuildOnly200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Seek100k(benchmark::State& state)
{
    Workspace ws(loaded().dir);
    Table& t = ws.open("BENCH");
    t.ordBuild("BENCHNOM", "UPPER(NOME)", upperName());
    std::mt19937 rng(1);
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < 100000; ++i) hits += t.seek(schema::keyUpper(nameFor(rng() % 200000)));
        benchmark::DoNotOptimize(hits);
    }
    state.SetLabel("100,000 random seeks");
}
BENCHMARK(BM_Seek100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ScanFilter200k(benchmark::State& state)
{
    Workspace ws(loaded().dir);
    Table& t = ws.open("BENCH");
    for (auto _ : state) {
        int hits = 0;
        for (t.goTop(); !t.eof(); t.skip())
            if (t.raw("CITTA").compare(0, 4, "ROMA") == 0) ++hits;
        benchmark::DoNotOptimize(hits);
    }
    state.SetLabel("full scan with a filter over 200,000 records");
}
BENCHMARK(BM_ScanFilter200k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AppendWithIndex20k(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = scratch("appendidx");
        fs::copy(loaded().dir + "/BENCH.DBF", dir + "/BENCH.DBF");
        Workspace ws(dir);
        Table& t = ws.open("BENCH");
        t.ordBuild("BENCHNOM", "UPPER(NOME)", upperName());
        t.setBulk(true);
        state.ResumeTiming();
        fill(t, 20000, 200000);
        t.setBulk(false);
    }
    state.SetLabel("20,000 appends with the index open, commit each, no disk sync");
}
BENCHMARK(BM_AppendWithIndex20k)->Unit(benchmark::kMillisecond)->Iterations(1);

struct Policies {
    std::string dir;
    Policies()
    {
        dir = scratch("policies");
        CREATEDB(dir, {*schema::findTable("POLIZZE")}, false);
        Workspace ws(dir);
        Table& t = ws.open("POLIZZE", "", false);
        t.setBulk(true);
        std::mt19937 rng(3);
        for (unsigned i = 0; i < 100000; ++i) {
            t.append();
            t.setText("CODICE", std::to_string(i + 1));
            t.setText("ASSICURATO", nameFor(rng() % 30000));
            t.setText("COMPAGNIA", std::string(kTowns[i % 8]) + " ASSICURAZIONI");
            t.setText("POLIZZA", std::to_string(100000000 + (i * 7919u) % 100000000u));
            t.setText("RAMO", i % 3 ? "AUTO" : "ELEMENTARI");
            t.setDate("EFFETTO", Date::fromYmd(2024, 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)));
            t.commit();
            t.unlock();
        }
        t.setBulk(false);
        ws.closeAll();
        rebuildAll(dir);
    }
};

Policies& policies()
{
    static Policies p;
    return p;
}

void BM_OpenPolicies100k(benchmark::State& state)
{
    const std::string dir = policies().dir;
    for (auto _ : state) {
        Workspace ws(dir);
        Table& t = ws.open("POLIZZE");
        t.ordAdd("POLIZZE");
        t.ordAdd("NUMPOL");
        t.setOrder(1);
        int rows = 0;
        for (t.goTop(); !t.eof() && rows < 40; t.skip()) {
            benchmark::DoNotOptimize(t.text("ASSICURATO"));
            ++rows;
        }
    }
    state.SetLabel("open 100,000 policies and read the first 40 rows in index order (target < 50 ms)");
}
BENCHMARK(BM_OpenPolicies100k)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ViewPolicies100k(benchmark::State& state)
{
    const std::string dir = policies().dir;
    Workspace ws(dir);
    Table& t = ws.open("POLIZZE");
    t.ordAdd("POLIZZE");
    for (auto _ : state) {
        Table::ViewOptions o;
        o.noMessage = true;
        t.setView([](const Table& r) { return r.raw("ASSICURATO").find("0042") != std::string::npos; }, o);
        benchmark::DoNotOptimize(t.totRec(false));
        t.clearView();
    }
    state.SetLabel("view over 100,000 policies with a contains-text condition (target < 200 ms)");
}
BENCHMARK(BM_ViewPolicies100k)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();

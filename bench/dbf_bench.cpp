// Table file throughput: bulk appends (one commit each, no sync) and record reads.
// Target: 200,000 bulk appends well under a second.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "store/dbf.h"

using namespace arv;
using namespace arv::store;

namespace {

std::string scratchDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "arvbenchXXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    return tmpl;
}

const std::vector<FieldDef> kFields = {{"CODICE", 'C', 10, 0}, {"CLIENTE", 'C', 35, 0}, {"IMPORTO", 'N', 12, 2},
                                       {"DATA", 'D', 8, 0},    {"PAGATO", 'L', 1, 0}};

void BM_BulkAppend(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const OpenMode mode = state.range(1) ? OpenMode::Exclusive : OpenMode::Shared;
    for (auto _ : state) {
        state.PauseTiming();
        std::string dir = scratchDir();
        std::string path = dir + "/BENCH.DBF";
        DbfFile::create(path, kFields);
        auto t = DbfFile::open(path, mode);
        t->setBulk(true);
        std::string b;
        t->blank(b);
        t->putString(b, 1, "ROSSI MARIO");
        t->putNumber(b, 2, Decimal::fromScaled(125050, 2));
        t->putDate(b, 3, Date::fromYmd(2024, 1, 15));
        state.ResumeTiming();
        for (int i = 0; i < n; ++i) {
            benchmark::DoNotOptimize(t->append(b));
            t->commit();
        }
        state.PauseTiming();
        t.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
// Second argument: 0 shared use, 1 exclusive use.
BENCHMARK(BM_BulkAppend)->Args({200000, 0})->Args({200000, 1})->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadRecord(benchmark::State& state)
{
    std::string dir = scratchDir();
    std::string path = dir + "/READ.DBF";
    DbfFile::create(path, kFields);
    auto t = DbfFile::open(path, OpenMode::Shared);
    t->setBulk(true);
    std::string b;
    t->blank(b);
    for (int i = 0; i < 10000; ++i) t->append(b);
    uint32_t r = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t->read(r % 10000 + 1, b));
        ++r;
    }
    t.reset();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadRecord);

} // namespace

BENCHMARK_MAIN();

// Opening a register list of 100,000 records: counting the rows and finding the rows on screen go
// through the index; records are read only for the rows shown.
// Target: opening (count and landmarks) plus the first screen well under 100 ms; a jump to the
// middle of the list under 5 ms.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "store/browse.h"
#include "store/upgrade.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;

namespace {

struct Folder {
    std::string path;
    Folder()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "arvbenchXXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        path = tmpl;
        if (!AGGIORNADATABASE(path)) std::abort();
        Workspace ws(path);
        Table& t = ws.open("CLIENTI", "CLIENTI", false);
        t.ordAdd("CLIENTI");
        t.setBulk(true);
        char name[40];
        for (int i = 0; i < 100000; ++i) {
            std::snprintf(name, sizeof name, "CLIENTE %06d", (i * 7919) % 100000);
            t.append();
            t.setText("CLIENTE", name);
            t.commit();
        }
        t.setBulk(false);
        t.unlock();
    }
    ~Folder() { std::filesystem::remove_all(path); }
};

Folder& folder()
{
    static Folder f;
    return f;
}

void BM_OpenRegisterFirstScreen(benchmark::State& state)
{
    Workspace ws(folder().path);
    Table& t = ws.open("CLIENTI");
    t.ordAdd("CLIENTI");
    for (auto _ : state) {
        BrowseWindow w(t);
        for (uint64_t row = 0; row < 30; ++row)
            t.peek(w.entryAt(row)->recno, [](const Table& r) { benchmark::DoNotOptimize(r.text("CLIENTE")); });
        benchmark::DoNotOptimize(w.size());
    }
}
BENCHMARK(BM_OpenRegisterFirstScreen)->Unit(benchmark::kMillisecond);

void BM_JumpToMiddle(benchmark::State& state)
{
    Workspace ws(folder().path);
    Table& t = ws.open("CLIENTI");
    t.ordAdd("CLIENTI");
    BrowseWindow w(t);
    uint64_t row = 50000;
    for (auto _ : state) {
        row = (row * 31 + 7) % 100000;
        t.peek(w.entryAt(row)->recno, [](const Table& r) { benchmark::DoNotOptimize(r.text("CLIENTE")); });
    }
}
BENCHMARK(BM_JumpToMiddle)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

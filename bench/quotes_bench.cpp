// The next quote number over 100,000 quotes of ten years: PROSNUM under the table lock, as the
// save asks for it. A seek in the year+number tag, no walk under the lock. Target: under 1 ms in
// Release.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "sales/quotes.h"
#include "store/upgrade.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;

namespace {

struct QuoteFolder {
    static constexpr int kRecords = 100000;
    std::string path;
    QuoteFolder()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "arvbenchprevXXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        path = tmpl;
        if (!AGGIORNADATABASE(path)) std::abort();
        Workspace ws(path);
        Table& t = ws.open("PREVBSA", "PREVBSA", false);
        t.ordAdd("PREVBSA");
        t.setBulk(true);
        for (int i = 0; i < kRecords; ++i) {
            const int year = 2016 + i % 10;
            t.append();
            t.setDate("DATA", Date::fromYmd(year, 1 + i % 12, 1 + i % 28));
            t.setNumber("NUMERO", Decimal(static_cast<long>(1001 + i / 10)));
            t.setText("ASSICURATO", "CLIENTE " + std::to_string(i % 20000));
            t.commit();
        }
        t.setBulk(false);
        t.unlock();
        ws.close("PREVBSA");
    }
    ~QuoteFolder() { std::filesystem::remove_all(path); }
};

QuoteFolder& folder()
{
    static QuoteFolder f;
    return f;
}

void BM_NextQuoteNumberUnderLock(benchmark::State& state)
{
    Workspace ws(folder().path);
    Table& t = ws.open("PREVBSA");
    t.ordAdd("PREVBSA");
    int next = 0;
    for (auto _ : state) {
        next = sales::quotes::PROSNUM(ws, t, Date::fromYmd(2021, 6, 1), true).value_or(0);
        t.unlock();
    }
    state.counters["next"] = next;
}
BENCHMARK(BM_NextQuoteNumberUnderLock)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

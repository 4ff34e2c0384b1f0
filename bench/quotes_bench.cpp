// The next quote number over 100,000 quotes of ten years: PROSNUM under the table lock, as the
// save asks for it. A seek in the year+number tag, no walk under the lock. Target: under 1 ms in
// Release.
#include <benchmark/benchmark.h>

#include <string>

#include "sales/quotes.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;

namespace {

struct QuoteFolder : bench::LargeFolder {
    static constexpr int kRecords = 100000;
    QuoteFolder() : LargeFolder("arvbenchprev")
    {
        Workspace ws(path);
        bench::appendRows(
            ws, "PREVBSA", kRecords,
            [](Table& t, int i) {
                const int year = 2016 + i % 10;
                t.setDate("DATA", Date::fromYmd(year, 1 + i % 12, 1 + i % 28));
                t.setNumber("NUMERO", Decimal(static_cast<long>(1001 + i / 10)));
                t.setText("ASSICURATO", "CLIENTE " + std::to_string(i % 20000));
            },
            "PREVBSA");
    }
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

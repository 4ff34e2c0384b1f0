// The agency's books with 100,000 rows each. Targets: both balances under the cash register's list
// ("Saldo iniziale:" and "Saldo attuale:", recomputed on every redraw) under 50 ms together; the
// accounting movements' register opened on its last record with its first screen read through its
// columns well under 100 ms, as the other registers.
#include <benchmark/benchmark.h>

#include <string>

#include "accounting/cash.h"
#include "accounting/ledgerregister.h"
#include "records/browse.h"
#include "records/register.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

constexpr int kRows = 100000;

// 100,000 cash payments and 100,000 accounting movements over the last 1,000 days, in date order.
struct Folder : bench::LargeFolder {
    Folder() : LargeFolder("arvbenchbooks")
    {
        Workspace ws(path);
        const Date first = Date::today().addDays(-999);
        // A hundred rows a day, in date order.
        auto fill = [&](const char* table, TagName tag, const std::function<void(Table&, int)>& set) {
            bench::appendRows(
                ws, table, kRows,
                [&](Table& t, int i) {
                    t.setDate("DATA", first.addDays(i / 100));
                    set(t, i);
                },
                tag);
        };
        fill("CASSA", "CASSA", [](Table& t, int i) {
            t.setText("OPERATORE", i % 2 ? "ANNA" : "LUCA");
            t.setText("ASSICURATO", "CLIENTE");
            t.setNumber("IMPORTO", Decimal(50 + i % 100));
            t.setNumber("CONTANTI", Decimal(60 + i % 100));
            t.setNumber("RESTO", Decimal(10));
        });
        fill("MOVICONT", "MOVICONT", [](Table& t, int i) {
            t.setText("CONTO", i % 2 ? "Banca 1 uscite" : "Cassa entrate");
            t.setText("DESCRIZIO", "Spese");
            t.setNumber("IMPORTO", Decimal(i % 500 - 250));
        });
        workspace().setFolder(path);
    }
};

Folder& folder()
{
    static Folder f;
    return f;
}

// The two figures under the cash register's list, as a redraw computes them.
void BM_CashBalances(benchmark::State& state)
{
    Workspace ws(folder().path);
    Table& t = ws.open("CASSA");
    t.ordAdd("CASSA");
    t.goBottom();
    const Date today = Date::today();
    Decimal opening, current;
    for (auto _ : state) {
        const Decimal initial = accounting::initialBalance(folder().path);
        opening = accounting::cashBalanceAt(t, today.addDays(-1), initial);
        current = accounting::cashBalanceAt(t, today, initial);
        benchmark::DoNotOptimize(opening);
        benchmark::DoNotOptimize(current);
    }
    state.counters["current"] = current.toDouble();
}
BENCHMARK(BM_CashBalances)->Unit(benchmark::kMillisecond);

// MOVICONT as its entry function opens it: on the last record, the first screen through the columns.
void BM_OpenLedgerRegister(benchmark::State& state)
{
    folder();
    Workspace& ws = workspace();
    const RegisterDesc& desc = accounting::ledgerRegister();
    for (auto _ : state) {
        openRegisterTables(desc, ws);
        Table& t = ws[desc.aliasName()];
        t.goBottom();
        BrowseWindow w(t);
        benchmark::DoNotOptimize(w.size());
        const uint64_t last = w.size();
        for (uint64_t row = last > 30 ? last - 30 : 0; row < last; ++row)
            t.peek(w.entryAt(row)->recno, [&](const Table& r) {
                for (const Column& c : desc.columns)
                    if (c.value) benchmark::DoNotOptimize(c.value(r));
            });
        benchmark::DoNotOptimize(registerTitle(desc, t, w.size()));
        closeRegisterTables(desc, ws);
    }
}
BENCHMARK(BM_OpenLedgerRegister)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

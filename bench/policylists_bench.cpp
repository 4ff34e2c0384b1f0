// The expiry list and the premium-due notices over 100,000 policies of 20,000 clients. Targets
// (Release): "Scadenza polizze per data" (the view by coverage date and the list of a month)
// under 500 ms; the notices' selection and grouping over a month under 1 s.
#include <benchmark/benchmark.h>

#include <string>

#include "policies/lists.h"
#include "policies/notices.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::policies;

namespace {

constexpr int kPolicies = 100000, kClients = 20000;
const char* const kFractions[] = {"ANNUALE", "SEMESTRALE", "TRIMESTRALE", "MENSILE"};

struct Folder : bench::LargeFolder {
    Folder() : LargeFolder("arvlists")
    {
        Workspace ws(path);
        const Date start = Date::fromYmd(2025, 1, 1);
        bench::appendRows(ws, "POLIZZE", kPolicies, [&](Table& p, int i) {
            p.setRaw("CODICE", bench::policyCode(i + 1));
            p.setText("POLIZZA", bench::numbered("POL%07d", i));
            p.setText("ASSICURATO", bench::numbered("CLIENTE %05d", (i * 7919) % kClients));
            p.setText("COMPAGNIA", bench::numbered("COMPAGNIA %02d", i % 12));
            p.setText("RAPPORTO", bench::numbered("COMPAGNIA %02d", i % 12));
            p.setText("RAMO", i % 3 ? "AUTO" : "INCENDIO");
            p.setText("FRAZIONAM", kFractions[i % 4]);
            p.setText("PAGAMENTO", i % 5 ? "Bonifico" : "Presso cliente");
            const Date coverage = start.addDays(i % 365);
            p.setDate("COPERTURA", coverage);
            p.setDate("SCADENZA", coverage.addMonths(i % 4 == 0 ? 0 : 6));
            p.setNumber("IMPORTO", Decimal(100 + i % 900));
            p.setLogical("AVVISO", i % 2 == 0);
            p.setLogical("DISDETTA", i % 17 == 0);
        });
    }
};

Folder& folder()
{
    static Folder f;
    return f;
}

ExpiryCriteria june()
{
    ExpiryCriteria c;
    c.coverageFrom = Date::fromYmd(2025, 6, 1);
    c.coverageTo = Date::fromYmd(2025, 6, 30);
    return c;
}

// The view by coverage date over every active policy, walked to its end.
void BM_ExpiryView(benchmark::State& state)
{
    Workspace ws(folder().path);
    size_t rows = 0;
    for (auto _ : state) {
        OwnTable p(ws, "POLIZZE", true);
        p->ordAdd("POLIZZE");
        Table::ViewOptions o;
        o.noMessage = true;
        o.key = [](const Table& t) { return t.date("COPERTURA").dtos(); };
        p->setView(expiryCondition(ExpiryCriteria{}), o);
        rows = 0;
        for (p->goTop(); !p->eof(); p->skip(1)) ++rows;
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ExpiryView)->Unit(benchmark::kMillisecond);

// "Scadenza polizze per data" for a month: the selection and its pages.
void BM_ExpiryListOfAMonth(benchmark::State& state)
{
    Workspace ws(folder().path);
    size_t pages = 0;
    for (auto _ : state) pages = listExpiry(ws, june(), false).pages.size();
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_ExpiryListOfAMonth)->Unit(benchmark::kMillisecond);

// The notices of a month: selection, due dates in arrears, grouping by insured.
void BM_NoticeSelection(benchmark::State& state)
{
    Workspace ws(folder().path);
    NoticeCriteria c;
    c.from = Date::fromYmd(2025, 6, 1);
    c.to = Date::fromYmd(2025, 6, 30);
    c.arrears = true;
    c.choice = NoticeChoice::Annual;
    size_t groups = 0;
    for (auto _ : state) groups = selectNotices(ws, c).size();
    state.counters["insured"] = static_cast<double>(groups);
}
BENCHMARK(BM_NoticeSelection)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

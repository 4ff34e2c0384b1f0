// The statistics over a large folder: 100,000 company movements over two years, 50,000 accounting
// movements and 100,000 policies. Target (Release, 2 cores): each report under 1 s. The counter
// "records" is what one run reads: the dated reports read the scopes of their periods alone, the
// summary also the whole policy table (two of its sections select on fields no index holds).
#include <benchmark/benchmark.h>

#include <string>

#include "policies/portfoliorenewals.h"
#include "reporting/budget.h"
#include "reporting/collectionstatistics.h"
#include "reporting/summary.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;

namespace {

constexpr int kMovements = 100000, kLedger = 50000, kPolicies = 100000, kAgreements = 12;
const char* const kBranches[] = {"AUTO", "INCENDIO", "INFORTUNI", "VITA"};
const char* const kDescriptions[] = {"Incasso", "Incasso", "Incasso", "Incasso diretto", "Incasso", "Incasso",
                                     "Incasso provvisorio", "Incasso", "Rimessa", "Storno"};
const char* const kAccounts[] = {"Banca 1 uscite", "Cassa uscite", "Cassa entrate", "Banca 1 entrate",
                                 "Sospesi da clienti"};

struct Folder : bench::LargeFolder {
    const Date first = Date::fromYmd(2024, 1, 1);
    Folder() : LargeFolder("arvstats")
    {
        Workspace ws(path);
        auto agreement = [](int i) { return bench::numbered("RAPPORTO %02d", i % kAgreements); };
        bench::appendRows(ws, "POLIZZE", kPolicies, [&](Table& p, int i) {
            p.setRaw("CODICE", bench::policyCode(i + 1));
            p.setText("POLIZZA", bench::numbered("POL%06d", i));
            if (i % 50 == 1) p.setText("SOSTDA", bench::numbered("POL%06d", i + 1));
            p.setText("RAPPORTO", agreement(i));
            p.setText("RAMO", kBranches[i % 4]);
            p.setText("FRAZIONAM", i % 7 == 0 ? "MENSILE" : i % 11 == 0 ? "PREMIO UNICO" : "ANNUALE");
            p.setDate("EFFETTO", first.addDays(i % 730));
            p.setNumber("IMPORTO", Decimal(100 + i % 900));
        });
        // Two years, in date order: each policy of the first 50,000 collected once a year.
        bench::appendRows(ws, "MOVICOMP", kMovements, [&](Table& m, int i) {
            const int policy = i % (kMovements / 2), year = i / (kMovements / 2);
            const Date date = first.addMonths(12 * year).addDays((policy * 7) % 365);
            m.setText("POLIZZA", bench::numbered("POL%06d", policy));
            m.setText("DESCRIZIO", kDescriptions[i % 10]);
            m.setText("RAPPORTO", agreement(policy));
            m.setText("COMPAGNIA", agreement(policy));
            m.setText("RAMO", kBranches[policy % 4]);
            m.setText("PRODUTTORE", policy % 3 ? "ROSSI" : "VERDI");
            m.setDate("DATA", date);
            m.setDate("SCADENZA", date.addDays(5));
            m.setNumber("IMPORTO", Decimal(100 + i % 900));
            m.setNumber("PROVVAGEN", Decimal(10 + i % 90));
            m.setNumber("PROVVPROD", Decimal(i % 30));
        });
        bench::appendRows(ws, "CATECON", 4,
                          [](Table& cat, int c) { cat.setText("CATEGORIA", "CATEGORIA " + std::to_string(c)); });
        bench::appendRows(ws, "VOCICON", 20, [](Table& items, int v) {
            items.setText("DESCRIZ", "VOCE " + std::to_string(v));
            items.setText("CATEGORIA", "CATEGORIA " + std::to_string(v / 5));
        });
        bench::appendRows(ws, "MOVICONT", kLedger, [&](Table& l, int i) {
            l.setDate("DATA", first.addDays(i % 730));
            l.setText("CONTO", kAccounts[i % 5]);
            l.setText("CONTABIL", "VOCE " + std::to_string(i % 20));
            l.setNumber("IMPORTO", Decimal(20 + i % 500));
        });
    }
};

Folder& folder()
{
    static Folder f;
    return f;
}

// Half a year against the same half of the year before.
const Date kFrom = Date::fromYmd(2025, 1, 1), kTo = Date::fromYmd(2025, 6, 30);

void BM_PortfolioRenewals(benchmark::State& state)
{
    Workspace ws(folder().path);
    policies::RenewalComparison c;
    for (auto _ : state) c = policies::comparePortfolio(ws, {kFrom, kTo, "", "", ""});
    state.counters["records"] = static_cast<double>(c.recordsRead);
    state.counters["rows"] = static_cast<double>(c.rows.size());
}
BENCHMARK(BM_PortfolioRenewals)->Unit(benchmark::kMillisecond);

void BM_PortfolioRenewalsPrinted(benchmark::State& state)
{
    Workspace ws(folder().path);
    for (auto _ : state) benchmark::DoNotOptimize(policies::printPortfolioRenewals(ws, {kFrom, kTo, "", "", ""}, false));
}
BENCHMARK(BM_PortfolioRenewalsPrinted)->Unit(benchmark::kMillisecond);

void BM_CollectionStatistics(benchmark::State& state)
{
    Workspace ws(folder().path);
    reporting::CollectionCriteria c;
    c.from = kFrom;
    c.to = kTo;
    c.perAgreement = state.range(0) != 0;
    reporting::CollectionStatistics s;
    for (auto _ : state) {
        s = reporting::collectionStatistics(ws, c);
        benchmark::DoNotOptimize(reporting::printCollectionStatistics(ws, c, false));
    }
    state.counters["records"] = static_cast<double>(s.recordsRead);
    state.counters["tables"] = static_cast<double>(s.tables.size());
}
BENCHMARK(BM_CollectionStatistics)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Budget(benchmark::State& state)
{
    Workspace ws(folder().path);
    reporting::Budget b;
    for (auto _ : state) {
        b = reporting::budget(ws, {kFrom, kTo});
        benchmark::DoNotOptimize(reporting::printBudget(ws, {kFrom, kTo}, false));
    }
    state.counters["records"] = static_cast<double>(b.recordsRead);
}
BENCHMARK(BM_Budget)->Unit(benchmark::kMillisecond);

void BM_Summary(benchmark::State& state)
{
    Workspace ws(folder().path);
    uint64_t read = 0;
    for (auto _ : state) {
        read = 0;
        benchmark::DoNotOptimize(reporting::printSummary(ws, {kFrom, kTo}, false, {}, &read));
    }
    state.counters["records"] = static_cast<double>(read);
}
BENCHMARK(BM_Summary)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The daily reports over a large folder: 100,000 policies, 100,000 company movements over two years
// and 20,000 accounting movements. Targets (Release): the complete daily reporting, pages included,
// under 2 s; one day's coverages among the 100,000 movements under 50 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "reporting/coverages.h"
#include "reporting/dailyreport.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::reporting;

namespace {

constexpr int kPolicies = 100000, kMovements = 100000, kLedger = 20000, kAgreements = 30, kLoans = 500;
const char* const kAccounts[] = {"Cassa entrate", "Banca 1 entrate", "Sospesi da clienti", "Banca 2 uscite",
                                 "Assegni e bonifici banca 1", ""};
const char* const kFractions[] = {"ANNUALE", "SEMESTRALE", "MENSILE", "PREMIO UNICO"};

struct Folder : bench::LargeFolder {
    Date today = Date::fromYmd(2025, 6, 15);
    Folder() : LargeFolder("arvdaily")
    {
        Workspace ws(path);
        auto agreement = [](int i) { return bench::numbered("RAPPORTO %02d", i % kAgreements); };
        bench::appendRows(ws, "COMPAGN", kAgreements, [&](Table& c, int i) {
            c.setText("COMPAGNIA", agreement(i));
            c.setText("RAGSOC1", agreement(i) + " S.P.A.");
            c.setLogical("COPERTURE", i % 2 == 0);
            if (i % 4 == 0) c.setText("EMAILCOPE", "coperture@example.it");
        });
        bench::appendRows(ws, "POLIZZE", kPolicies, [&](Table& p, int i) {
            p.setRaw("CODICE", bench::policyCode(i + 1));
            p.setText("POLIZZA", bench::numbered("POL%06d", i));
            p.setText("ASSICURATO", bench::numbered("CLIENTE %05d", (i * 7919) % (kPolicies / 2)));
            p.setText("COMPAGNIA", agreement(i));
            p.setText("RAPPORTO", agreement(i));
            p.setText("RAMO", i % 5 ? "AUTO" : "VITA");
            p.setText("PRODUTTORE", i % 3 ? "ROSSI" : "VERDI");
            p.setText("FRAZIONAM", kFractions[i % 4]);
            p.setText("DOCUMENTO", i % 10 ? "Completa" : "Patente");
            p.setText("PAGAMENTO", "Bonifico");
            p.setDate("EFFETTO", today.addDays(-(i % 700)));
            // One policy in twenty is behind with its collection.
            p.setDate("COPERTURA", today.addDays(i % 20 ? 30 + i % 300 : -(20 + i % 60)));
            p.setNumber("IMPORTO", Decimal(100 + i % 900));
            p.setNumber("PROVVAGEN", Decimal(10 + i % 90));
        });
        bench::appendRows(ws, "MOVICOMP", kMovements, [&](Table& m, int i) {
            const int policy = i % kPolicies;
            // One policy in fifty was never collected.
            m.setText("POLIZZA", bench::numbered("POL%06d", policy % 50 ? policy : policy + 1));
            m.setText("DESCRIZIO", i % 25 ? (i % 7 ? "Incasso" : "Incasso diretto") : "Rimessa");
            m.setText("COMPAGNIA", agreement(i));
            m.setText("RAPPORTO", agreement(i));
            m.setText("RAMO", "AUTO");
            m.setText("ASSICURATO", "CLIENTE");
            m.setText("PRODUTTORE", i % 3 ? "ROSSI" : "VERDI");
            m.setText("CONTO", kAccounts[i % 6]);
            const Date d = today.addDays(-(i % 730));
            m.setDate("DATA", d);
            m.setDate("SCADENZA", d);
            if (i % 4 == 0) m.setDate("CHIUSURA", d);
            m.setNumber("IMPORTO", Decimal(100 + i % 900));
            m.setNumber("PROVVAGEN", Decimal(10 + i % 90));
            m.setNumber("PROVVPROD", Decimal(3 + i % 30));
        });
        bench::appendRows(ws, "MOVICONT", kLedger, [&](Table& l, int i) {
            l.setDate("DATA", today.addDays(-(i % 730)));
            l.setText("CONTO", i % 9 ? kAccounts[i % 5] : "Sospesi da produttori");
            l.setNumber("IMPORTO", Decimal(50 + i % 400));
        });
        bench::appendRows(ws, "FINANZ", kLoans, [&](Table& f, int i) {
            f.setDate("DATA", today.addDays(-i));
            f.setText("RAPPORTO", agreement(i));
            f.setNumber("PRFISSE", Decimal(20));
            f.setNumber("PRVARIA", Decimal(30 + i % 50));
            f.setLogical("PAGATO", i % 3 == 0);
        });
    }
};

Folder& folder()
{
    static Folder f;
    return f;
}

void BM_DailyFigures(benchmark::State& state)
{
    Workspace ws(folder().path);
    for (auto _ : state) benchmark::DoNotOptimize(dailyFigures(ws, folder().today));
}
BENCHMARK(BM_DailyFigures)->Unit(benchmark::kMillisecond);

void BM_CompleteDailyReport(benchmark::State& state)
{
    Workspace ws(folder().path);
    size_t pages = 0;
    for (auto _ : state) {
        pages = printDailyReport(ws, folder().today, true, false).pages.size();
        benchmark::DoNotOptimize(pages);
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_CompleteDailyReport)->Unit(benchmark::kMillisecond);

void BM_DayCoverages(benchmark::State& state)
{
    Workspace ws(folder().path);
    size_t lines = 0;
    for (auto _ : state) {
        lines = 0;
        for (const CoverageGroup& g : selectCoverages(ws, folder().today)) lines += g.lines.size();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_DayCoverages)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The claims statistics over a large folder: 20,000 policies, 20,000 claims and 100,000 company
// movements. Targets (Release): "Reporting" of the three branches and the three years under 1 s;
// "Controllo sinistrosità" over every claim under 1 s.
#include <benchmark/benchmark.h>

#include <string>

#include "claims/claims.h"
#include "claims/statistics.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::claims;

namespace {

constexpr int kPolicies = 20000, kClaims = 20000, kMovements = 100000, kCompanies = 12;
const char* const kBranches[] = {"AUTO", "ELEMENTARE-INF", "ELEMENTARE-MALATTIA", "INCENDIO"};

struct Folder : bench::LargeFolder {
    Date today = Date::fromYmd(2025, 6, 15);
    Folder() : LargeFolder("arvclaims")
    {
        Workspace ws(path);
        auto company = [](int i) { return bench::numbered("COMPAGNIA %02d", i % kCompanies); };
        bench::appendRows(ws, "COMPAGN", kCompanies, [&](Table& c, int i) { c.setText("COMPAGNIA", company(i)); });
        bench::appendRows(ws, "POLIZZE", kPolicies, [&](Table& p, int i) {
            p.setRaw("CODICE", bench::policyCode(i + 1));
            p.setText("POLIZZA", bench::numbered("POL%06d", i));
            p.setText("ASSICURATO", bench::numbered("CLIENTE %05d", (i * 7919) % (kPolicies / 2)));
            p.setText("COMPAGNIA", company(i));
            p.setText("RAMO", kBranches[i % 4]);
            p.setText("PRODUTTORE", i % 3 ? "ROSSI" : "VERDI");
        });
        bench::appendRows(ws, "SINISTRI", kClaims, [&](Table& c, int i) {
            const int pol = (i * 37) % kPolicies;
            c.setRaw("CODPOL", bench::policyCode(pol + 1));
            c.setText("POLIZZA", bench::numbered("POL%06d", pol));
            c.setText("COMPAGNIA", company(pol));
            const Date opened = today.addDays(-(i % 1100));
            c.setDate("APERTURA", opened);
            c.setDate("DATA", opened);
            c.setText("ANNO", std::to_string(opened.year()));
            c.setText("TIPO", "TAMPONAMENTO");
        });
        bench::appendRows(ws, "MOVICOMP", kMovements, [&](Table& m, int i) {
            m.setText("DESCRIZIO", i % 10 ? "Incasso" : "Rimessa");
            m.setText("COMPAGNIA", company(i));
            m.setText("RAMO", kBranches[i % 4]);
            m.setText("PRODUTTORE", i % 3 ? "ROSSI" : "VERDI");
            m.setText("CONTO", "Banca 1 entrate");
            m.setDate("DATA", today.addDays(-(i % 1100)));
            m.setNumber("IMPORTO", Decimal(100 + i % 900));
        });
    }
};

Folder& folder()
{
    static Folder f;
    return f;
}

void BM_Reporting(benchmark::State& state)
{
    Workspace ws(folder().path);
    ReportingCriteria c;
    c.from = Date::fromYmd(2025, 1, 1);
    c.to = Date::fromYmd(2025, 6, 15);
    for (auto _ : state) benchmark::DoNotOptimize(reportingSections(ws, c, folder().today));
}
BENCHMARK(BM_Reporting)->Unit(benchmark::kMillisecond);

void BM_ReportingPages(benchmark::State& state)
{
    Workspace ws(folder().path);
    ReportingCriteria c;
    for (auto _ : state) benchmark::DoNotOptimize(printReporting(ws, c, folder().today, false));
}
BENCHMARK(BM_ReportingPages)->Unit(benchmark::kMillisecond);

void BM_ObservationCheck(benchmark::State& state)
{
    Workspace ws(folder().path);
    size_t found = 0;
    for (auto _ : state) {
        found = observedClaims(ws, {}, folder().today).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["claims"] = static_cast<double>(found);
}
BENCHMARK(BM_ObservationCheck)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The claims statistics over a large folder: 20,000 policies, 20,000 claims and 100,000 company
// movements. Targets (Release): "Reporting" of the three branches and the three years under 1 s;
// "Controllo sinistrosità" over every claim under 1 s.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "claims/claims.h"
#include "claims/statistics.h"
#include "store/upgrade.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::claims;

namespace {

constexpr int kPolicies = 20000, kClaims = 20000, kMovements = 100000, kCompanies = 12;
const char* const kBranches[] = {"AUTO", "ELEMENTARE-INF", "ELEMENTARE-MALATTIA", "INCENDIO"};

struct Folder {
    std::string path;
    Date today = Date::fromYmd(2025, 6, 15);
    Folder()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "arvclaimsXXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        path = tmpl;
        if (!AGGIORNADATABASE(path)) std::abort();
        Workspace ws(path);
        char text[40];
        auto company = [&](int i) {
            std::snprintf(text, sizeof text, "COMPAGNIA %02d", i % kCompanies);
            return std::string(text);
        };
        {
            Table& c = ws.open("COMPAGN", "COMPAGN", false);
            for (int i = 0; i < kCompanies; ++i) {
                c.append();
                c.setText("COMPAGNIA", company(i));
                c.commit();
                c.unlock();
            }
        }
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        p.setBulk(true);
        for (int i = 0; i < kPolicies; ++i) {
            p.append();
            std::snprintf(text, sizeof text, "%10d", i + 1);
            p.setRaw("CODICE", text);
            std::snprintf(text, sizeof text, "POL%06d", i);
            p.setText("POLIZZA", text);
            std::snprintf(text, sizeof text, "CLIENTE %05d", (i * 7919) % (kPolicies / 2));
            p.setText("ASSICURATO", text);
            p.setText("COMPAGNIA", company(i));
            p.setText("RAMO", kBranches[i % 4]);
            p.setText("PRODUTTORE", i % 3 ? "ROSSI" : "VERDI");
            p.commit();
        }
        p.setBulk(false);
        p.unlock();
        Table& c = ws.open("SINISTRI", "SINISTRI", false);
        c.setBulk(true);
        for (int i = 0; i < kClaims; ++i) {
            const int pol = (i * 37) % kPolicies;
            c.append();
            std::snprintf(text, sizeof text, "%10d", pol + 1);
            c.setRaw("CODPOL", text);
            std::snprintf(text, sizeof text, "POL%06d", pol);
            c.setText("POLIZZA", text);
            c.setText("COMPAGNIA", company(pol));
            const Date opened = today.addDays(-(i % 1100));
            c.setDate("APERTURA", opened);
            c.setDate("DATA", opened);
            c.setText("ANNO", std::to_string(opened.year()));
            c.setText("TIPO", "TAMPONAMENTO");
            c.commit();
        }
        c.setBulk(false);
        c.unlock();
        Table& m = ws.open("MOVICOMP", "MOVICOMP", false);
        m.setBulk(true);
        for (int i = 0; i < kMovements; ++i) {
            m.append();
            m.setText("DESCRIZIO", i % 10 ? "Incasso" : "Rimessa");
            m.setText("COMPAGNIA", company(i));
            m.setText("RAMO", kBranches[i % 4]);
            m.setText("PRODUTTORE", i % 3 ? "ROSSI" : "VERDI");
            m.setText("CONTO", "Banca 1 entrate");
            m.setDate("DATA", today.addDays(-(i % 1100)));
            m.setNumber("IMPORTO", Decimal(100 + i % 900));
            m.commit();
        }
        m.setBulk(false);
        m.unlock();
    }
    ~Folder() { std::filesystem::remove_all(path); }
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

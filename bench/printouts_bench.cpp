// The policy register's list and export and the producer's revocation letters over a large folder:
// 100,000 policies of 100,000 clients, one client in a hundred with the producer leaving. Targets
// (Release): the list ("Per numero", every active policy, ordered by number) under 2 s; the export
// of every policy under 30 s with memory that stays flat as the rows grow (the peak resident size
// after 10,000 and after 100,000 rows is printed); "Revoca produttore" under 1 s.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>

#include "policies/policyexport.h"
#include "policies/policylist.h"
#include "reporting/forms.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::policies;

namespace {

constexpr int kPolicies = 100000, kClients = 100000;
const char* const kFractions[] = {"ANNUALE", "SEMESTRALE", "TRIMESTRALE", "MENSILE"};

struct Folder : bench::LargeFolder {
    Folder() : LargeFolder("arvprint")
    {
        Workspace ws(path);
        bench::appendRows(ws, "CLIENTI", kClients, [](Table& c, int i) {
            c.setText("CLIENTE", bench::numbered("CLIENTE %06d", i));
            c.setText("INDIRIZZO", "Via Roma 1");
            c.setText("CAP", "00100");
            c.setText("CITTA", "ROMA");
            c.setText("SUBAGENTE", i % 100 == 0 ? "BIANCHI LUCA" : "ROSSI ANNA");
        });
        const Date start = Date::fromYmd(2025, 1, 1);
        bench::appendRows(ws, "POLIZZE", kPolicies, [&](Table& p, int i) {
            p.setRaw("CODICE", bench::policyCode(i + 1));
            p.setText("POLIZZA", bench::numbered("%d", (i * 7919) % kPolicies));
            p.setText("ASSICURATO", bench::numbered("CLIENTE %06d", (i * 31) % kClients));
            p.setText("COMPAGNIA", bench::numbered("COMPAGNIA %02d", i % 12));
            p.setText("RAPPORTO", bench::numbered("COMPAGNIA %02d", i % 12));
            p.setText("RAMO", i % 3 ? "AUTO" : "INCENDIO");
            p.setText("FRAZIONAM", kFractions[i % 4]);
            p.setText("PAGAMENTO", "Bonifico");
            const Date coverage = start.addDays(i % 365);
            p.setDate("COPERTURA", coverage);
            p.setDate("SCADENZA", coverage.addMonths(6));
            p.setNumber("IMPORTO", Decimal(100 + i % 900));
            p.setNumber("PROVVAGEN", Decimal(10 + i % 90));
            p.setLogical("AVVISO", i % 2 == 0);
            p.setLogical("DISDETTA", i % 17 == 0);
        });
        bench::appendRows(ws, "DATIAUTO", (kPolicies + 2) / 3, [](Table& a, int n) {
            const int i = n * 3;
            a.setRaw("POLIZZA", bench::policyCode(i + 1));
            a.setText("TARGA", bench::numbered("AB%05dCD", i));
        });
    }
};

Folder& folder()
{
    static Folder f;
    return f;
}

double peakMegabytes()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// "Per numero": every active policy, by the numeric value of its number, on landscape pages.
void BM_PolicyListByNumber(benchmark::State& state)
{
    Workspace ws(folder().path);
    size_t pages = 0;
    for (auto _ : state) {
        OwnTable p(ws, "POLIZZE", true);
        p->ordAdd("POLIZZE");
        PolicyListOptions o;
        o.preview = false;
        o.filter = RecordPredicate();
        pages = printPolicyList(ws, *p, o).pages.size();
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_PolicyListByNumber)->Unit(benchmark::kMillisecond);

// "Estrazione dati" of ROWS policies, every field of every table.
void BM_PolicyExport(benchmark::State& state)
{
    Workspace ws(folder().path);
    const std::string file = folder().path + "/export.xlsx";
    const int rows = static_cast<int>(state.range(0));
    uint32_t written = 0;
    for (auto _ : state) {
        OwnTable p(ws, "POLIZZE", true);
        p->ordAdd("POLIZZE");
        p->setView([rows](const Table& t) { return static_cast<int>(t.recno()) <= rows; }, Table::ViewOptions{});
        if (!writePolicyExport(ws, *p, ExportLists{}, false, file, [&written](uint32_t n) { written = n; })) std::abort();
    }
    state.counters["rows"] = written;
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1048576.0;
}
BENCHMARK(BM_PolicyExport)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// "Revoca produttore": one letter to each of the producer's thousand clients.
void BM_Revocation(benchmark::State& state)
{
    Workspace ws(folder().path);
    const reporting::FormEnv env;
    size_t letters = 0;
    for (auto _ : state) {
        TPRINTER job("Revoca produttore");
        letters = reporting::printRevocation(ws, env, "BIANCHI LUCA", job);
        job.cancel();
    }
    state.counters["letters"] = static_cast<double>(letters);
}
BENCHMARK(BM_Revocation)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

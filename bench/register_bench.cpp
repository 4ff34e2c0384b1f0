// Opening a register list of 100,000 records: counting the rows and finding the rows on screen go
// through the index; records are read only for the rows shown.
// Target: opening (count and landmarks) plus the first screen well under 100 ms; a jump to the
// middle of the list under 5 ms. The policy register with 100,000 policies: opened with its
// lookups and its first screen read through its columns (the plate from the motor sheet) under
// 50 ms; a search on the insured's group reads each client through one cursor.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include "policies/policies.h"
#include "policies/policyregister.h"
#include "records/browse.h"
#include "records/register.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

struct Folder : bench::LargeFolder {
    Folder() : LargeFolder("arvbench")
    {
        Workspace ws(path);
        bench::appendRows(
            ws, "CLIENTI", 100000,
            [](Table& t, int i) { t.setText("CLIENTE", bench::numbered("CLIENTE %06d", (i * 7919) % 100000)); },
            "CLIENTI");
    }
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

// 100,000 policies of 2,000 clients in 20 groups; every fifth policy a motor one with its sheet.
struct PolicyFolder : bench::LargeFolder {
    static constexpr int kPolicies = 100000;
    static constexpr int kClients = 2000;
    PolicyFolder() : LargeFolder("arvbenchpol")
    {
        Workspace ws(path);
        bench::appendRows(ws, "CLIENTI", kClients, [](Table& t, int i) {
            t.setText("CLIENTE", bench::numbered("CLIENTE %05d", i));
            t.setText("GRUPPO", bench::numbered("G%02d", i % 20));
        });
        bench::appendRows(ws, "POLIZZE", kPolicies, [](Table& t, int i) {
            t.setRaw("CODICE", bench::policyCode(i + 1));
            t.setText("ASSICURATO", bench::numbered("CLIENTE %05d", (i * 7919) % kClients));
            t.setText("COMPAGNIA", i % 3 ? "ALFA" : "BETA");
            t.setText("POLIZZA", bench::numbered("P%08d", i));
            t.setText("RAMO", i % 5 ? "INCENDIO" : "AUTO RCA");
            t.setDate("COPERTURA", Date::fromYmd(2026, 1 + i % 12, 1));
            t.setDate("SCADENZA", Date::fromYmd(2026, 12, 31));
        });
        bench::appendRows(ws, "DATIAUTO", kPolicies / 5, [](Table& t, int i) {
            t.setRaw("POLIZZA", bench::policyCode(i * 5 + 1));
            t.setText("TARGA", bench::numbered("AB%05dCD", i));
        });
        workspace().setFolder(path);
    }
};

PolicyFolder& policyFolder()
{
    static PolicyFolder f;
    return f;
}

// What POLIZZE does before the list shows, and the rows of the first screen through the columns.
void BM_OpenPolicyRegister(benchmark::State& state)
{
    policyFolder();
    Workspace& ws = workspace();
    const RegisterDesc& desc = policies::policiesRegister();
    for (auto _ : state) {
        std::function<void()> closeLookups = policies::openPolicyLookups(ws);
        openRegisterTables(desc, ws);
        Table& t = ws[desc.aliasName()];
        BrowseWindow w(t);
        benchmark::DoNotOptimize(w.size());
        for (uint64_t row = 0; row < 30; ++row)
            t.peek(w.entryAt(row)->recno, [&](const Table& r) {
                for (const Column& c : desc.columns)
                    if (c.value) benchmark::DoNotOptimize(c.value(r));
            });
        closeRegisterTables(desc, ws);
        closeLookups();
    }
}
BENCHMARK(BM_OpenPolicyRegister)->Unit(benchmark::kMillisecond);

// "Ricerca" with "Gruppo" (and "Solo attive", ticked by default) over the 100,000 policies.
void BM_SearchPoliciesByGroup(benchmark::State& state)
{
    policyFolder();
    Workspace& ws = workspace();
    const RegisterDesc& desc = policies::policiesRegister();
    std::function<void()> closeLookups = policies::openPolicyLookups(ws);
    openRegisterTables(desc, ws);
    Table& t = ws[desc.aliasName()];
    std::vector<std::string> typed = policies::blankSearch();
    typed[policies::kSGroup] = "G07";
    uint64_t found = 0;
    for (auto _ : state) {
        applySearch(desc, t, buildCondition(desc.search, typed));
        found = t.totRec(false);
        clearSearch(desc, t);
    }
    state.counters["found"] = static_cast<double>(found);
    closeRegisterTables(desc, ws);
    closeLookups();
}
BENCHMARK(BM_SearchPoliciesByGroup)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

// The parts of the opening: the lookup tables alone, and the policy table with its count of rows.
namespace {

void BM_PolicyLookupsOnly(benchmark::State& state)
{
    policyFolder();
    Workspace& ws = workspace();
    for (auto _ : state) policies::openPolicyLookups(ws)();
}
BENCHMARK(BM_PolicyLookupsOnly)->Unit(benchmark::kMillisecond);

void BM_PolicyTableOnly(benchmark::State& state)
{
    policyFolder();
    Workspace& ws = workspace();
    const RegisterDesc& desc = policies::policiesRegister();
    for (auto _ : state) {
        openRegisterTables(desc, ws);
        BrowseWindow w(ws[desc.aliasName()]);
        benchmark::DoNotOptimize(w.size());
        closeRegisterTables(desc, ws);
    }
}
BENCHMARK(BM_PolicyTableOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

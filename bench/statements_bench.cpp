// The statements over a large folder: 100,000 company movements over three years, 1,000 of them
// remittances (40 agreements closing by statement), 20,000 policies. Target (Release): each
// printout and the summary of the statements ("Riepilogo estratti conto") under 1 s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <string>

#include "accounting/statementsummaries.h"
#include "reporting/agreementstatements.h"
#include "reporting/producerstatements.h"
#include "reporting/yearstatistics.h"
#include "store/workspace.h"
#include "support/largefolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::reporting;

namespace {

constexpr int kMovements = 100000, kRemittances = 1000, kAgreements = 40, kProducers = 10, kPolicies = 20000;
const Date kToday = Date::fromYmd(2025, 6, 15);

std::string named(const char* stem, int i)
{
    char text[40];
    std::snprintf(text, sizeof text, "%s %02d", stem, i);
    return text;
}

struct Folder : bench::LargeFolder {
    Folder() : LargeFolder("arvstatements")
    {
        Workspace ws(path);
        bench::appendRows(ws, "COMPAGN", kAgreements, [](Table& c, int i) {
            c.setText("COMPAGNIA", named("RAPPORTO", i));
            c.setNumber("ALIQRA", *Decimal::parse("11.5"));
            c.setLogical("CHIUSURA", true);
        });
        bench::appendRows(ws, "PRODUTT", kProducers, [](Table& p, int i) {
            p.setText("PRODUTTORE", named("PRODUTTORE", i));
            p.setNumber("ALIQPR", *Decimal::parse("11.5"));
        });
        bench::appendRows(ws, "POLIZZE", kPolicies, [](Table& pol, int i) {
            pol.setText("POLIZZA", named("POL", i));
            pol.setText("ASSICURATO", named("CLIENTE", i % 5000));
            pol.setText("COMPAGNIA", named("RAPPORTO", i % kAgreements));
            pol.setText("RAPPORTO", named("RAPPORTO", i % kAgreements));
            pol.setText("PRODUTTORE", named("PRODUTTORE", i % kProducers));
            pol.setDate("COPERTURA", kToday.addDays(-(i % 400)));
            pol.setText("DOCUMENTO", i % 3 ? "Completa" : "");
            pol.setNumber("IMPORTO", Decimal(200 + i % 700));
        });
        // Collections over three years, a remittance of each agreement every 100 movements.
        const int every = kMovements / kRemittances;
        bench::appendRows(ws, "MOVICOMP", kMovements, [every](Table& m, int i) {
            const Date day = kToday.addDays(-(1095 - i * 1095 / kMovements));
            const bool remittance = i % every == every - 1;
            const int agreement = remittance ? (i / every) % kAgreements : i % kAgreements;
            m.setDate("DATA", day);
            m.setText("RAPPORTO", named("RAPPORTO", agreement));
            m.setText("COMPAGNIA", named("RAPPORTO", agreement));
            m.setText("DESCRIZIO", remittance ? "Rimessa" : i % 50 ? "Incasso" : "INDENNITA'");
            m.setText("PRODUTTORE", named("PRODUTTORE", i % kProducers));
            m.setText("ASSICURATO", named("CLIENTE", i % 5000));
            m.setText("RAMO", i % 2 ? "AUTO" : "INCENDIO");
            m.setText("CONTO", "Cassa entrate");
            m.setNumber("IMPORTO", Decimal(100 + i % 900));
            m.setNumber("PROVVAGEN", Decimal(10 + i % 90));
            m.setNumber("PROVVPROD", Decimal(i % 30));
            m.setDate("CORRISP", day.addDays(20));
            m.setDate("CHIUSURA", day.addDays(25));
        });
    }
};

Folder& folder()
{
    static Folder f;
    return f;
}

void run(benchmark::State& state, const std::function<size_t(Workspace&)>& output)
{
    Workspace ws(folder().path);
    size_t pages = 0;
    for (auto _ : state) {
        pages = output(ws);
        benchmark::DoNotOptimize(pages);
    }
    state.counters["pages"] = static_cast<double>(pages);
}

const Date kFrom = Date::fromYmd(2024, 1, 1), kTo = Date::fromYmd(2024, 12, 31);
const std::string kAgreement = "RAPPORTO 07", kProducer = "PRODUTTORE 03";

} // namespace

int main(int argc, char** argv)
{
    const std::pair<const char*, std::function<size_t(Workspace&)>> outputs[] = {
        {"EstrattoContoRapporto",
         [](Workspace& ws) { return printAgreementStatement(ws, kAgreement, "", kFrom, kTo, false).pages.size(); }},
        {"CorrispettiviRapporto",
         [](Workspace& ws) { return printAgreementCommissions(ws, kAgreement, kFrom, kTo, false).pages.size(); }},
        {"CorrispettiviRapporti",
         [](Workspace& ws) { return printAllAgreementCommissions(ws, kFrom, kTo, false).pages.size(); }},
        {"RiepilogoStatisticheRapporti",
         [](Workspace& ws) { return printAgreementSummary(ws, kFrom, kTo, false).pages.size(); }},
        {"StatisticheRapporto",
         [](Workspace& ws) { return printOneAgreementStatistics(ws, kAgreement, {}, {}, false).pages.size(); }},
        {"StatisticheRapporti", [](Workspace& ws) { return printAgreementStatistics(ws, {}, {}, false).pages.size(); }},
        {"CarichiMensili", [](Workspace& ws) { return printMonthlyLoads(ws, kFrom, kToday, false).pages.size(); }},
        {"EstrattoContoProduttore",
         [](Workspace& ws) {
             return printProducerStatement(ws, {kProducer, "", "", kFrom, kTo, false, false}, false).pages.size();
         }},
        {"RicevutaProduttore",
         [](Workspace& ws) {
             const Decimal gross = producerStatement(ws, {kProducer, "", "", kFrom, kTo, false, false}).producer;
             return printProducerReceipt(ws, kProducer, gross, kFrom, kTo, kToday, false).pages.size();
         }},
        {"ProvvigioniProduttori",
         [](Workspace& ws) { return printProducerCommissions(ws, "", "", kFrom, kTo, false).pages.size(); }},
        {"StatisticheProduttore",
         [](Workspace& ws) { return printOneProducerStatistics(ws, kProducer, "", {}, {}, false).pages.size(); }},
        {"StatisticheProduttori",
         [](Workspace& ws) { return printProducerStatistics(ws, {}, {}, "AUTO", false).pages.size(); }},
        {"ProduttivitaProduttori",
         [](Workspace& ws) { return printProducerProductivity(ws, "", kFrom, kTo, false).pages.size(); }},
        {"IncassiScaduti",
         [](Workspace& ws) { return printOverdueCollections(ws, kProducer, {}, {}, kToday, false).pages.size(); }},
        {"DocumentazioneMancante",
         [](Workspace& ws) { return printMissingDocuments(ws, kProducer, false).pages.size(); }},
        {"RiepilogoEstrattiConto",
         [](Workspace& ws) { return accounting::printStatementSummary(ws, {}, {}, "", false).pages.size(); }},
    };
    for (const auto& [name, output] : outputs)
        benchmark::RegisterBenchmark(name, [output](benchmark::State& s) { run(s, output); })
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

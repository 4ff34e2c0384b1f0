// The statements off screen, a picture of each in <build>/screens: the dialogs of the agreements'
// and the producers' statements and the first page of what they print.
#include <gtest/gtest.h>

#include "accounting/letterscreens.h"
#include "accounting/movementletters.h"
#include "accounting/statementsummaries.h"
#include "accounting/summaryscreens.h"
#include "app/screentour.h"
#include "common/printjob.h"
#include "reporting/statementscreens.h"
#include "reporting/yearstatistics.h"
#include "ui/printrender.h"

using namespace arv;
using arv::test::ScreenTour;

namespace {

class StatementsTour : public ScreenTour {
protected:
    void fill(store::Workspace& ws)
    {
        for (const char* name : {"AURORA ASSICURAZIONI", "BOREALE RAPPORTI"})
            add(ws, "COMPAGN", [name](store::Table& t) {
                t.setText("COMPAGNIA", name);
                t.setText("RAGSOC1", std::string(name) + " S.P.A.");
                t.setText("INDIRIZZO", "Via Po 3");
                t.setText("CAP", "20100");
                t.setText("CITTA", "Milano");
                t.setText("PROVINCIA", "MI");
                t.setNumber("ALIQRA", *Decimal::parse("11.5"));
            });
        add(ws, "PRODUTT", [](store::Table& t) {
            t.setText("PRODUTTORE", "ROSSI LUCA");
            t.setText("CITTA", "Bari");
            t.setText("PROVINCIA", "BA");
            t.setText("INDIRIZZO", "Via Sparano 10");
            t.setNumber("ALIQPR", *Decimal::parse("11.5"));
        });
        struct Row {
            int year, month, day;
            const char *agreement, *description, *amount, *commission, *share;
        } rows[] = {{2025, 1, 10, "AURORA ASSICURAZIONI", "Incasso", "1000.00", "100.00", "30.00"},
                    {2025, 1, 12, "AURORA ASSICURAZIONI", "Incasso diretto", "500.00", "40.00", "10.00"},
                    {2025, 1, 20, "AURORA ASSICURAZIONI", "INDENNITA'", "0", "15.00", "0"},
                    {2025, 2, 5, "AURORA ASSICURAZIONI", "Rimessa", "900.00", "0", "0"},
                    {2026, 1, 10, "AURORA ASSICURAZIONI", "Incasso", "1200.00", "125.00", "40.00"},
                    {2026, 2, 5, "AURORA ASSICURAZIONI", "Rimessa", "1000.00", "0", "0"},
                    {2026, 1, 15, "BOREALE RAPPORTI", "Incasso", "300.00", "30.00", "5.00"}};
        for (const Row& r : rows)
            add(ws, "MOVICOMP", [&r](store::Table& t) {
                const Date d = Date::fromYmd(r.year, r.month, r.day);
                t.setDate("DATA", d);
                t.setText("RAPPORTO", r.agreement);
                t.setText("COMPAGNIA", r.agreement);
                t.setText("DESCRIZIO", r.description);
                t.setText("ASSICURATO", "VERDI ANNA");
                t.setText("POLIZZA", "AU-1001");
                t.setText("RAMO", "AUTO");
                t.setText("TIPO", "Quietanza");
                t.setText("CONTO", "Cassa entrate");
                t.setNumber("IMPORTO", *Decimal::parse(r.amount));
                t.setNumber("PROVVAGEN", *Decimal::parse(r.commission));
                t.setText("PRODUTTORE", "ROSSI LUCA");
                t.setNumber("PROVVPROD", *Decimal::parse(r.share));
                t.setDate("CORRISP", d.addDays(20));
                t.setDate("CHIUSURA", d.addDays(25));
            });
        add(ws, "POLIZZE", [](store::Table& t) {
            t.setText("POLIZZA", "AU-1001");
            t.setText("COMPAGNIA", "AURORA ASSICURAZIONI");
            t.setText("RAPPORTO", "AURORA ASSICURAZIONI");
            t.setText("ASSICURATO", "VERDI ANNA");
            t.setText("PRODUTTORE", "ROSSI LUCA");
            t.setText("RAMO", "AUTO");
            t.setDate("COPERTURA", Date::fromYmd(2026, 1, 10));
            t.setNumber("IMPORTO", *Decimal::parse("450.00"));
        });
    }
};

} // namespace

TEST_F(StatementsTour, Statements)
{
    store::Workspace& ws = workspaceOnFolder();
    fill(ws);
    {
        std::unique_ptr<FormDialog> d = reporting::makeAgreementDialog();
        EXPECT_EQ(QString("SRAPPORTI"), d->objectName());
        saveAndHide(d.get(), "SRAPPORTI");
    }
    {
        std::unique_ptr<FormDialog> d = reporting::makeProducerDialog();
        EXPECT_EQ(QString("SPRODUTT"), d->objectName());
        saveAndHide(d.get(), "SPRODUTT");
    }
    using namespace reporting;
    const Date from = Date::fromYmd(2025, 1, 1), to = Date::fromYmd(2026, 12, 31);
    printed(printAgreementStatement(ws, "AURORA ASSICURAZIONI", "", from, to, false), "print-SRAPPORTI-estratto");
    printed(printAgreementCommissions(ws, "AURORA ASSICURAZIONI", from, to, false), "print-SRAPPORTI-corrispettivi");
    printed(printAllAgreementCommissions(ws, from, to, false), "print-SRAPPORTI-corrispettivi-tutti");
    printed(printAgreementSummary(ws, from, to, false), "print-SRAPPORTI-riepilogo");
    printed(printOneAgreementStatistics(ws, "AURORA ASSICURAZIONI", Date(), Date(), false), "print-SRAPPORTI-statistiche");
    printed(printAgreementStatistics(ws, Date(), Date(), false), "print-SRAPPORTI-statistiche-tutti");
    printed(printMonthlyLoads(ws, from, to, false), "print-SRAPPORTI-carichi");
    ProducerSelection s{"ROSSI LUCA", "", "", from, to, false, false};
    printed(printProducerStatement(ws, s, false), "print-SPRODUTT-estratto");
    printed(printProducerReceipt(ws, "ROSSI LUCA", *Decimal::parse("1000"), from, to, Date::fromYmd(2026, 3, 1), false),
            "print-SPRODUTT-ricevuta");
    printed(printProducerCommissions(ws, "", "", from, to, false), "print-SPRODUTT-provvigioni");
    printed(printProducerStatistics(ws, Date(), Date(), "", false), "print-SPRODUTT-statistiche");
    printed(printProducerProductivity(ws, "", from, to, false), "print-SPRODUTT-produttivita");
    printed(printOverdueCollections(ws, "", Date(), Date(), Date::fromYmd(2026, 3, 1), false), "print-SPRODUTT-scaduti");
    printed(printMissingDocuments(ws, "ROSSI LUCA", false), "print-SPRODUTT-documenti");
    ws.closeAll();
}

TEST_F(StatementsTour, MovementLettersAndSummaries)
{
    store::Workspace& ws = workspaceOnFolder();
    fill(ws);
    for (auto [make, name] : {std::pair{&accounting::makeCoverageDialog, "COPIMM"},
                              std::pair{&accounting::makeStatementSummaryDialog, "RIEPEST"},
                              std::pair{&accounting::makeInvoiceStatementDialog, "RIEPFATEST"}}) {
        std::unique_ptr<FormDialog> d = make(nullptr);
        EXPECT_EQ(QString(name), d->objectName());
        saveAndHide(d.get(), name);
    }
    AgencyIdentity issuer;
    issuer.name = "AGENZIA ARVALE";
    issuer.activity = "Assicurazioni e servizi";
    issuer.address = "Via Roma 1";
    issuer.postCode = "00100";
    issuer.town = "Roma";
    issuer.province = "RM";
    issuer.telephone = "06 1234";
    issuer.email = "info@arvale.it";
    issuer.iban = "IT60X0542811101000000123456";
    store::OwnTable m(ws, "MOVICOMP", true);
    m->goTop();
    printed(accounting::printImmediateCoverage(ws, *m, issuer, false), "print-COPIMM-copertura");
    printed(accounting::printSuspendedStatements(ws, accounting::suspendedClients(*m), issuer, false).doc,
            "print-COPIMM-sospesi");
    printed(accounting::printStatementSummary(ws, Date(), Date(), "", false), "print-RIEPEST");
    printed(accounting::printInvoiceStatementSummary(ws, Date(), Date(), false), "print-RIEPFATEST");
    ws.closeAll();
}

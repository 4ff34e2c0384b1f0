// The screen tour of the premium loans and the daily reports: the loans' register, dialog, search
// and printout, the dialogs of the daily reporting and of the daily coverages and the reporting's
// pages in the preview.
#include <QTableView>

#include "app/screentour.h"
#include "common/printjob.h"
#include "policies/financing.h"
#include "policies/financingregister.h"
#include "reporting/coverages.h"
#include "reporting/dailyreport.h"
#include "reporting/dailyscreens.h"
#include "ui/formdialog.h"
#include "ui/previewwindow.h"
#include "ui/printing.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

TEST_F(ScreenTour, DailyReports)
{
    store::Workspace& ws = workspaceOnFolder();
    add(ws, "COMPAGN", [](store::Table& t) {
        t.setText("COMPAGNIA", "BETA RAPPORTO");
        t.setText("RAGSOC1", "BETA ASSICURAZIONI S.P.A.");
        t.setText("INDIRIZZO", "Via Garibaldi, 8");
        t.setText("CAP", "16121");
        t.setText("CITTA", "GENOVA");
        t.setText("PROVINCIA", "GE");
        t.setText("FAX", "010 555123");
        t.setLogical("COPERTURE", true);
    });
    add(ws, "COMPAGN", [](store::Table& t) {
        t.setText("COMPAGNIA", "FINANZIARIA CREDITO FACILE");
        t.setNumber("FINFINOA", 5000);
        t.setNumber("FINFISSO", 20);
        t.setNumber("FINALIQ", 1);
    });
    const Date today = Date::today();
    struct Loan {
        int daysBack;
        const char *insured, *amount, *fixed, *variable;
        bool paid;
    };
    for (const Loan& l : {Loan{40, "ROSSI MARIO", "2400.00", "20.00", "24.00", true},
                          Loan{12, "BIANCHI GIULIA", "4800.00", "20.00", "48.00", false},
                          Loan{3, "VERDI ANNA", "1500.00", "20.00", "15.00", false}})
        add(ws, "FINANZ", [&](store::Table& t) {
            t.setDate("DATA", today.addDays(-l.daysBack));
            t.setText("NUMERO", "FC-" + std::to_string(l.daysBack));
            t.setText("RAPPORTO", "FINANZIARIA CREDITO FACILE");
            t.setText("ASSICURATO", l.insured);
            t.setNumber("IMPORTO", *Decimal::parse(l.amount));
            t.setNumber("PRFISSE", *Decimal::parse(l.fixed));
            t.setNumber("PRVARIA", *Decimal::parse(l.variable));
            t.setText("POLIZZA1", "AU-" + std::to_string(1000 + l.daysBack));
            t.setLogical("PAGATO", l.paid);
        });
    struct Movement {
        int daysBack;
        const char *agreement, *description, *account, *amount, *commission;
    };
    for (const Movement& m : {Movement{30, "ALFA ASSICURAZIONI", "Incasso", "Cassa entrate", "820.00", "98.40"},
                              Movement{2, "ALFA ASSICURAZIONI", "Incasso", "Banca 1 entrate", "450.00", "54.00"},
                              Movement{1, "BETA RAPPORTO", "Incasso", "Sospesi da clienti", "310.00", "31.00"}})
        add(ws, "MOVICOMP", [&](store::Table& t) {
            t.setDate("DATA", today.addDays(-m.daysBack));
            t.setText("POLIZZA", "AU-2026-" + std::to_string(400 + m.daysBack));
            t.setText("COMPAGNIA", m.agreement);
            t.setText("ASSICURATO", "ROSSI MARIO");
            t.setText("RAMO", "AUTOVETTURE");
            t.setDate("SCADENZA", today.addDays(-m.daysBack - 3));
            t.setText("RAPPORTO", m.agreement);
            t.setText("DESCRIZIO", m.description);
            t.setText("CONTO", m.account);
            t.setNumber("IMPORTO", *Decimal::parse(m.amount));
            t.setNumber("PROVVAGEN", *Decimal::parse(m.commission));
        });

    installPrintHooks();
    PrintDocument made;
    printHooks().preview = [&](const PrintDocument& d, bool, const std::string&) { made = d; };

    const records::RegisterDesc& loans = policies::financingRegister();
    records::openRegisterTables(loans, ws);
    {
        RegisterList list(loans, ws);
        list.resize(820, 380);
        save(&list, "register-FINANZ");
        store::Table& t = ws["FINANZ"];
        // The space bar turns the paid mark of the loan under the cursor over, as a click in " P" does.
        const uint32_t first = t.recno();
        const bool paid = t.logical("PAGATO");
        QTest::keyClick(list.browse(), Qt::Key_Space);
        t.goTo(first);
        EXPECT_NE(paid, t.logical("PAGATO"));
        QTest::keyClick(list.browse(), Qt::Key_Space);
        t.goTo(2);
        records::EditValues values = records::recordValues(loans.fields, t);
        policies::prepareFinancingEdit(values, false);
        EditDialog modify(loans, values, false, &t);
        saveAndHide(&modify, "edit-FINANZ2-modifica");
        SearchDialog search(loans);
        saveAndHide(&search, "search-RFINANZ");
        policies::printFinancings(t);
        PreviewWindow preview(made, false, {});
        preview.resize(1100, 800);
        saveAndHide(&preview, "preview-FINANZ-stampa");
        list.hide();
    }
    records::closeRegisterTables(loans, ws);

    std::unique_ptr<FormDialog> reporting = reporting::makeReportingDialog();
    saveAndHide(reporting.get(), "REPORTING");
    reporting::printDailyReport(ws, today, true);
    {
        PreviewWindow preview(made, false, {});
        preview.resize(900, 1100);
        saveAndHide(&preview, "preview-REPORTING");
    }

    std::unique_ptr<FormDialog> coverages = reporting::makeCoverageDialog();
    saveAndHide(coverages.get(), "COPERTURE");
    reporting::CoverageOutput o;
    o.agency.name = "Agenzia Esempio";
    o.agency.activity = "Assicurazioni e finanziamenti";
    o.agency.telephone = "06 1234567";
    o.agency.email = "info@agenzia.example";
    const reporting::CoverageRun run = reporting::runCoverages(ws, today.addDays(-1), o);
    EXPECT_FALSE(run.letters.pages.empty());
    {
        PreviewWindow preview(made, false, {});
        preview.resize(1100, 800);
        saveAndHide(&preview, "preview-COPERTURE-lettere");
    }
    printHooks() = {};
    ws.closeAll();
}

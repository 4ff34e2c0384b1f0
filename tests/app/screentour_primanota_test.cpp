// The screen tour of the prima nota and the accounting summary: their three dialogs and a preview
// page of each of their four printouts.
#include "accounting/bookscreens.h"
#include "app/screentour.h"
#include "common/printjob.h"
#include "ui/previewwindow.h"
#include "ui/printing.h"

using namespace arv;
using arv::test::ScreenTour;

TEST_F(ScreenTour, PrimaNota)
{
    store::Workspace& ws = workspaceOnFolder();
    for (const char* v : {"Affitto ufficio", "Cancelleria", "Telefono"})
        add(ws, "VOCICON", [v](store::Table& t) { t.setText("DESCRIZ", v); });
    for (const char* v : {"Incasso", "Rimessa"}) add(ws, "DESMVCOM", [v](store::Table& t) { t.setText("DESCRIZ", v); });
    for (const char* v : {"Pagamento fattura", "Spesa di cassa"})
        add(ws, "DESMVCON", [v](store::Table& t) { t.setText("DESCRIZ", v); });
    const Date today = Date::today();
    struct Company {
        int daysBack, returnedBack;
        const char *account, *description, *agreement, *insured, *policy, *amount, *commission;
    };
    for (const Company& m : {Company{400, -1, "Cassa entrate", "Incasso", "ALFA ASSICURAZIONI", "ROSSI MARIO", "AU-2024-0001", "420.00", "42.00"},
                             Company{40, -1, "Cassa entrate", "Incasso", "ALFA ASSICURAZIONI", "BIANCHI GIULIA", "RC-2023-007", "380.50", "38.05"},
                             Company{30, -1, "Banca 1 uscite", "Rimessa", "ALFA ASSICURAZIONI", "", "", "720.00", "0"},
                             Company{3, 0, "Cassa entrate", "Incasso", "BETA VITA", "VERDI ANNA", "VI-2022-114", "1250.00", "90.00"},
                             Company{0, -1, "Cassa uscite", "Rimessa", "BETA VITA", "", "", "300.00", "0"},
                             Company{0, -1, "Banca 2 entrate", "Incasso", "ALFA ASSICURAZIONI", "NERI LUCA", "AU-2025-0042", "615.20", "61.52"}})
        add(ws, "MOVICOMP", [&](store::Table& t) {
            t.setText("CODICE", std::to_string(m.daysBack));
            t.setDate("DATA", today.addDays(-m.daysBack));
            if (m.returnedBack >= 0) t.setDate("RIENTRO", today.addDays(-m.returnedBack));
            t.setText("CONTO", m.account);
            t.setText("DESCRIZIO", m.description);
            t.setText("RAPPORTO", m.agreement);
            t.setText("COMPAGNIA", m.agreement);
            t.setText("PRODUTTORE", "Agenzia");
            t.setText("ASSICURATO", m.insured);
            t.setText("POLIZZA", m.policy);
            t.setDate("SCADENZA", today.addDays(365 - m.daysBack));
            t.setNumber("IMPORTO", *Decimal::parse(m.amount));
            t.setNumber("PROVVAGEN", *Decimal::parse(m.commission));
            t.setDate("CORRISP", today.addDays(-m.daysBack));
        });
    struct Ledger {
        int daysBack;
        const char *account, *entry, *description, *detail, *amount;
    };
    for (const Ledger& m : {Ledger{380, "Banca 1 uscite", "Affitto ufficio", "Pagamento fattura", "", "850.00"},
                            Ledger{20, "Banca 1 uscite", "Affitto ufficio", "Pagamento fattura", "", "900.00"},
                            Ledger{0, "Cassa uscite", "Cancelleria", "Spesa di cassa", "", "42.30"},
                            Ledger{0, "Cassa entrate", "Telefono", "Spesa di cassa", "AU-2024-0001", "15.00"}})
        add(ws, "MOVICONT", [&](store::Table& t) {
            t.setDate("DATA", today.addDays(-m.daysBack));
            t.setText("CONTO", m.account);
            t.setText("CONTABIL", m.entry);
            t.setText("DESCRIZIO", m.description);
            t.setText("DETTAGLIO", m.detail);
            t.setDate("DATADOC", today.addDays(-m.daysBack));
            t.setNumber("IMPORTO", *Decimal::parse(m.amount));
            t.setLogical("PRIMANOTA", true);
        });

    std::unique_ptr<FormDialog> daily = accounting::makeDailyPrimaNotaDialog();
    saveAndHide(daily.get(), "PRIMANOTAG");
    std::unique_ptr<FormDialog> one = accounting::makePrimaNotaDialog();
    one->set(101, "Cassa");
    saveAndHide(one.get(), "PRIMANOTA");
    std::unique_ptr<FormDialog> summary = accounting::makeSummaryDialog();
    saveAndHide(summary.get(), "RIESITCON");

    installPrintHooks();
    PrintDocument made;
    printHooks().preview = [&](const PrintDocument& d, bool, const std::string&) { made = d; };
    auto show = [&](const PrintDocument&, const std::string& name) {
        ASSERT_FALSE(made.pages.empty()) << name;
        PreviewWindow preview(made, false, {});
        preview.resize(1100, 800);
        saveAndHide(&preview, name);
    };
    accounting::PrimaNotaCriteria full;
    full.full = true;
    full.from = today.addDays(-5);
    full.to = today;
    show(accounting::printPrimaNota(ws, full, true), "preview-PRIMANOTA-stampa");
    accounting::PrimaNotaCriteria cash;
    cash.account = "Cassa";
    show(accounting::printPrimaNotaStatistics(ws, cash, true), "preview-PRIMANOTA-statistiche");
    const accounting::AccountSummary s = accounting::accountSummary(ws, {{}, {}, true});
    show(accounting::printAccountSummary(s, {}, {}, true), "preview-RIESITCON-riepilogo");
    show(accounting::printSummaryStatistics(ws, {}, {}, true), "preview-RIESITCON-statistiche");
}

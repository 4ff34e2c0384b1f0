// The screen tour of the agency's books: the accounting movements and the cash register, their
// dialogs and the previews of their printouts.
#include <QComboBox>
#include <QLineEdit>

#include "accounting/cash.h"
#include "accounting/cashregister.h"
#include "accounting/ledger.h"
#include "accounting/ledgerregister.h"
#include "app/screentour.h"
#include "common/printjob.h"
#include "ui/formdialog.h"
#include "ui/previewwindow.h"
#include "ui/printing.h"
#include "ui/register.h"

#include <fstream>

using namespace arv;
using arv::test::ScreenTour;

TEST_F(ScreenTour, Books)
{
    store::Workspace& ws = workspaceOnFolder();
    std::ofstream(folder / "ARV.INI") << "[Cassa]\nSaldo iniziale=1250.00\n";
    for (const char* v : {"Cancelleria", "Affitto ufficio", "Telefono"})
        add(ws, "VOCICON", [v](store::Table& t) { t.setText("DESCRIZ", v); });
    for (const char* v : {"Spese", "Versamento", "Assegno insoluto"})
        add(ws, "DESMVCON", [v](store::Table& t) { t.setText("DESCRIZ", v); });
    for (const char* v : {"ANNA", "LUCA"}) add(ws, "OPERATOR", [v](store::Table& t) { t.setText("OPERATORE", v); });
    const Date today = Date::today();
    struct Movement {
        int daysBack;
        const char *account, *entry, *description, *detail, *amount;
    };
    for (const Movement& m : {Movement{9, "Banca 1 uscite", "Affitto ufficio", "Spese", "", "-850.00"},
                              Movement{6, "Cassa uscite", "Cancelleria", "Spese", "", "-42.30"},
                              Movement{4, "Sospesi vers. assegni", "Telefono", "Versamento", "AU-2024-0001", "320.00"},
                              Movement{1, "Banca 1 entrate", "Telefono", "Versamento", "", "1500.00"}})
        add(ws, "MOVICONT", [&](store::Table& t) {
            t.setDate("DATA", today.addDays(-m.daysBack));
            t.setText("CONTO", m.account);
            t.setText("CONTABIL", m.entry);
            t.setText("DESCRIZIO", m.description);
            t.setText("DETTAGLIO", m.detail);
            t.setNumber("IMPORTO", *Decimal::parse(m.amount));
            t.setLogical("PRIMANOTA", m.daysBack != 6);
        });
    struct Payment {
        int daysBack;
        const char *op, *policy, *insured, *description, *amount, *cheque, *cash;
    };
    for (const Payment& p : {Payment{2, "ANNA", "AU-2024-0001", "ROSSI MARIO", "", "420.00", "420.00", "0"},
                             Payment{1, "LUCA", "", "", "Marche da bollo\nper pratica", "32.00", "0", "50.00"},
                             Payment{0, "ANNA", "RC-2023-007", "BIANCHI GIULIA", "", "180.00", "0", "100.00"}})
        add(ws, "CASSA", [&](store::Table& t) {
            t.setDate("DATA", today.addDays(-p.daysBack));
            t.setText("OPERATORE", p.op);
            t.setText("POLIZZA", p.policy);
            t.setText("ASSICURATO", p.insured);
            t.setMemo("DESCRIZIO", p.description);
            t.setNumber("IMPORTO", *Decimal::parse(p.amount));
            t.setNumber("ASSEGNO", *Decimal::parse(p.cheque));
            t.setNumber("CONTANTI", *Decimal::parse(p.cash));
            const accounting::Payment pay =
                accounting::payment(*Decimal::parse(p.amount), *Decimal::parse(p.cheque), *Decimal::parse(p.cash));
            t.setNumber("RESTO", pay.change);
        });

    installPrintHooks();
    PrintDocument made;
    printHooks().preview = [&](const PrintDocument& d, bool, const std::string&) { made = d; };

    // The accounting movements.
    const records::RegisterDesc& ledger = accounting::ledgerRegister();
    records::openRegisterTables(ledger, ws);
    {
        RegisterList list(ledger, ws);
        list.resize(820, 420);
        save(&list, "register-MOVICONT");
        store::Table& t = ws["MOVICONT"];
        t.goTo(3);
        EditDialog modify(ledger, records::recordValues(ledger.fields, t), false, &t);
        saveAndHide(&modify, "edit-MOVICONT2-modifica");
        records::EditValues fresh = records::blankValues(ledger.fields, &t);
        accounting::prepareLedgerInsert(fresh);
        EditDialog insert(ledger, fresh, true, &t);
        saveAndHide(&insert, "edit-MOVICONT2-aggiungi");
        SearchDialog search(ledger);
        saveAndHide(&search, "search-RMOVICONT");
        accounting::printLedger(t);
        PreviewWindow preview(made, false, {});
        preview.resize(1100, 800);
        saveAndHide(&preview, "preview-MOVICONT-tabulato");
        list.hide();
    }
    records::closeRegisterTables(ledger, ws);
    std::unique_ptr<QDialog> back = accounting::makeLedgerReturnDialog();
    saveAndHide(back.get(), "RIENTROC");

    // The cash register with its two balances.
    const records::RegisterDesc& cash = accounting::cashRegister();
    records::openRegisterTables(cash, ws);
    {
        RegisterList list(cash, ws);
        list.resize(820, 420);
        EXPECT_EQ(QString("1.702,00"), list.figure(0)->text());
        EXPECT_EQ(QString("1.802,00"), list.figure(1)->text());
        save(&list, "register-CASSA");
        store::Table& t = ws["CASSA"];
        t.goTo(1);
        records::EditValues values = records::recordValues(cash.fields, t);
        accounting::prepareCashEdit(values, false);
        EditDialog modify(cash, values, false, &t);
        saveAndHide(&modify, "edit-CASSA2-modifica");
        SearchDialog search(cash);
        saveAndHide(&search, "search-RCASSA");
        accounting::printCashDay(t, today, accounting::initialBalance(folder.string()));
        PreviewWindow preview(made, false, {});
        preview.resize(1100, 800);
        saveAndHide(&preview, "preview-CASSA-stampa");
        list.hide();
    }
    records::closeRegisterTables(cash, ws);
    std::unique_ptr<QDialog> setting = accounting::makeCashSettingDialog();
    EXPECT_EQ("1.250,00", qobject_cast<QLineEdit*>(static_cast<FormDialog*>(setting.get())->field(101))->text().toStdString());
    saveAndHide(setting.get(), "CASSAIMPOSTA");
    std::unique_ptr<QDialog> day = accounting::makeCashDateDialog();
    saveAndHide(day.get(), "CASSADATA");
    printHooks() = {};
    ws.closeAll();
}

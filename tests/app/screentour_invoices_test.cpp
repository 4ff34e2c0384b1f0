// The screen tour of the invoices: the register with its pro-formas, the invoice dialog, the
// search, the printed invoice and summary, the dialog of "Genera fattura" and the policy register's
// printouts with it.
#include "app/screentour.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <fstream>

#include "accounting/invoiceregister.h"
#include "accounting/invoices.h"
#include "common/agency.h"
#include "common/ini.h"
#include "common/text.h"
#include "policies/policyregister.h"
#include "records/register.h"
#include "ui/printrender.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

namespace {

class InvoicesTour : public ScreenTour {};

} // namespace

TEST_F(InvoicesTour, Invoices)
{
    store::Workspace& ws = workspaceOnFolder();
    {
        IniFile ini((folder / "ARV.INI").string());
        AgencyIdentity agency;
        agency.name = "Agenzia Esempio Sas";
        agency.activity = "Agenzia di assicurazioni";
        agency.address = "Via Roma 1";
        agency.postCode = "00100";
        agency.town = "Roma";
        agency.province = "RM";
        agency.vatNumber = "01234567890";
        agency.telephone = "06 1234567";
        agency.email = "info@esempio.it";
        agency.save(ini);
        ini.setValues("Emissione fatture", {{"Testo1", "Consulenza assicurativa~"},
                                            {"Fondo1", "IBAN IT60X0542811101000000123456"},
                                            {"Fondo2", "Banca Esempio"}});
    }
    add(ws, "CLIENTI", [](store::Table& t) {
        t.setText("CLIENTE", "ROSSI MARIO");
        t.setText("TITOLO", "Sig.");
        t.setText("INDIRIZZO", "Via Verdi 3");
        t.setText("CAP", "00153");
        t.setText("CITTA", "Roma");
        t.setText("PROVINCIA", "RM");
        t.setText("CODICEFISC", "RSSMRA80A01H501U");
    });
    add(ws, "POLIZZE", [](store::Table& t) {
        t.setRaw("CODICE", "         1");
        t.setText("ASSICURATO", "ROSSI MARIO");
        t.setText("COMPAGNIA", "ASSICURAZIONI ALFA");
        t.setText("POLIZZA", "AL-2026-000184");
        t.setText("RAMO", "Auto");
        t.setNumber("IMPORTO", Decimal(420));
        t.setNumber("COMMISS", Decimal(70));
        t.setNumber("SPESE", Decimal(10));
        t.setLogical("FATTURA", true);
    });
    const char* texts[] = {"Consulenza su polizza auto ALFA n. 12\r\n\r\n\r\nNs. corrispettivo:          EURO     70,00  (*)",
                           "Ns. commissioni:            EURO  1.250,00", "Preventivo di consulenza", "Ns. commissioni:            EURO    480,00"};
    const int numbers[] = {1, 2, 0, 3};
    for (int i = 0; i < 4; ++i)
        add(ws, "FATTBSA", [&](store::Table& t) {
            t.setNumber("NUMERO", Decimal(numbers[i]));
            t.setDate("DATA", Date::fromYmd(2026, 2, 3 + 5 * i));
            t.setText("CLIENTE", i % 2 ? "ASSICURAZIONI ALFA" : "ROSSI MARIO");
            t.setMemo("TESTO", texts[i]);
            t.setText("MODPAG", "Bonifico");
            t.setNumber("IMPORTO", i == 1 ? Decimal(1250) : Decimal(80));
            t.setNumber("ALIQUOTA", i == 1 ? Decimal(-23) : Decimal(0));
            t.setLogical("FONDO", true);
        });

    const records::RegisterDesc& desc = accounting::invoicesRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(640, 320);
        EXPECT_EQ(QString("Fatture - 4 di 4"), list.windowTitle());
        const QModelIndex proforma = list.model()->index(0, 0); // number 0 first in its year
        EXPECT_EQ(QString("PROFORMA"), list.model()->data(proforma, Qt::DisplayRole).toString());
        EXPECT_EQ(QColor(255, 0, 0), list.model()->data(proforma, Qt::ForegroundRole).value<QColor>());
        EXPECT_FALSE(list.model()->data(list.model()->index(1, 0), Qt::ForegroundRole).isValid());
        // "Elimina" only on the last invoice or a pro-forma.
        store::Table& t = list.table();
        t.goTop();
        t.skip(1);
        list.redraw();
        EXPECT_FALSE(list.button(records::kBtnDelete)->isEnabled());
        t.goBottom();
        list.redraw();
        EXPECT_TRUE(list.button(records::kBtnDelete)->isEnabled());
        save(&list, "register-FATTURE");
        list.runMenu = [this](QMenu& m, const QPoint& at) -> QAction* {
            saveMenu(&m, at, "popup-FATTURE-aggiungi");
            return nullptr;
        };
        list.button(records::kBtnAdd)->click();

        {
            EditDialog insert(desc, accounting::newInvoiceValues(ws, false, Date::fromYmd(2026, 3, 1)), true, &t);
            insert.resize(720, 560);
            insert.fill(desc.editButtons.front());
            EXPECT_EQ(0u, insert.values().get("TESTO").rfind("Consulenza assicurativa", 0));
            EXPECT_EQ(std::string("4"), trim(insert.values().get("NUMERO")));
            save(&insert, "edit-FATTURE2-aggiungi");
            insert.setModified(false);
            insert.hide();
        }
        t.goTop();
        {
            EditDialog modify(desc, records::recordValues(desc.fields, t), false, &t);
            modify.resize(720, 560);
            save(&modify, "edit-FATTURE2-modifica");
            modify.setModified(false);
            modify.hide();
        }
        printed(accounting::printStoredInvoice(ws, t.recno(), 1, false), "print-FATTURA");
        printed(accounting::printInvoiceSummary(t, false), "print-FATTURE-riepilogo");
        SearchDialog search(desc);
        saveAndHide(&search, "search-RFATTURE");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);

    std::unique_ptr<QDialog> generation = accounting::makeGenerationInvoiceDialog(Decimal(70), Decimal(10));
    EXPECT_EQ(QString("GENFATT"), generation->objectName());
    saveAndHide(generation.get(), "GENFATT");

    // The policy register's printouts: "Genera fattura" enabled on a policy whose invoice is due.
    std::function<void()> closeLookups = policies::openPolicyLookups(ws);
    const records::RegisterDesc& policies = policies::policiesRegister();
    records::openRegisterTables(policies, ws);
    {
        RegisterList list(policies, ws);
        list.resize(900, 300);
        list.table().goTop();
        list.redraw();
        bool enabled = false;
        list.runMenu = [&](QMenu& m, const QPoint& at) -> QAction* {
            for (QAction* a : m.actions())
                if (a->text() == "Genera fattura") enabled = a->isEnabled();
            saveMenu(&m, at, "popup-POLIZZE-stampa");
            return nullptr;
        };
        list.button(records::kBtnPrint)->click();
        EXPECT_TRUE(enabled);
        list.hide();
    }
    records::closeRegisterTables(policies, ws);
    closeLookups();
    ws.closeAll();
}

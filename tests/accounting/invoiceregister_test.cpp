// The invoice register as the user drives it: a new invoice from the "Aggiungi" menu, the number
// and the rate following what is typed, "Stampa" saving before it prints the saved invoice.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "accounting/invoiceregister.h"
#include "accounting/invoices.h"
#include "common/ini.h"
#include "common/printjob.h"
#include "common/text.h"
#include "registry/registerfolder.h"
#include "ui/fields.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::accounting;

namespace {

class InvoiceRegister : public test::RegisterFolderTest {};

void type(EditDialog& d, int id, const std::string& text)
{
    setFieldWidgetValue(d.field(id), text);
    if (auto* e = qobject_cast<QLineEdit*>(d.field(id))) emit e->editingFinished();
}

} // namespace

TEST_F(InvoiceRegister, NewInvoicePrintedOnceSaved)
{
    Workspace& ws = workspace();
    {
        OwnTable c(ws, "COMPAGN");
        c->append();
        c->setText("COMPAGNIA", "ALFA");
        c->setText("RAGSOC1", "ALFA ASSICURAZIONI S.P.A.");
        c->setNumber("ALIQRA", Decimal(23));
        c->commit();
        c->unlock();
    }
    std::vector<PrintDocument> printed;
    printHooks().preview = [&](const PrintDocument& doc, bool, const std::string&) { printed.push_back(doc); };
    const RegisterDesc& desc = invoicesRegister();
    openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.runMenu = [](QMenu& m, const QPoint&) -> QAction* {
            for (QAction* a : m.actions())
                if (a->text() == "Fattura") return a;
            return nullptr;
        };
        list.runEdit = [](EditDialog& d) {
            d.show();
            type(d, 102, "05/03/25");
            EXPECT_EQ("1", trim(d.values().get("NUMERO")));
            type(d, 103, "ALFA");
            EXPECT_EQ(Decimal(-23), d.values().number("ALIQUOTA"));
            static_cast<QPlainTextEdit*>(d.field(104))->setPlainText(std::string(kMarkCommission).c_str());
            type(d, 105, "Bonifico");
            type(d, 106, "1.000,00");
            d.button(206)->click(); // "&Stampa": saves, then prints
            return d.result();
        };
        list.button(kBtnAdd)->click();
        Table& t = list.table();
        ASSERT_FALSE(t.eof());
        EXPECT_EQ(Decimal(1), t.number("NUMERO"));
        EXPECT_EQ("ALFA", t.text("CLIENTE"));
        EXPECT_EQ(Decimal(-23), t.number("ALIQUOTA"));
    }
    closeRegisterTables(desc, ws);
    printHooks().preview = {};
    ASSERT_EQ(1u, printed.size());
    const std::string page = dumpPage(printed[0], printed[0].pages.at(0));
    EXPECT_NE(std::string::npos, page.find("|FATTURA N. 1 / 2025|"));
    EXPECT_NE(std::string::npos, page.find("|ALFA ASSICURAZIONI S.P.A.|"));
    EXPECT_NE(std::string::npos, page.find("     770,00|"));
}

// "Fattura" of a company movement: only the dialog, on the customer, the fee and the reference,
// which the preset texts carry after their own.
TEST_F(InvoiceRegister, InvoiceOfAMovement)
{
    IniFile(dir.file("ARV.INI")).set("Emissione fatture", "Testo1", "Consulenza~");
    const std::string reference = "\r\n\r\nRiferimento polizza: ALFA - Polizza n. P1";
    EditValues shown;
    std::function<void()> poll = [&] {
        auto* d = dynamic_cast<EditDialog*>(QApplication::activeModalWidget());
        if (!d) return QTimer::singleShot(20, poll);
        shown = d->values();
        d->fill(invoicesRegister().editButtons.front());
        EXPECT_EQ("Consulenza\n\n\nRiferimento polizza: ALFA - Polizza n. P1", d->values().get("TESTO")); // as the box keeps it
        type(*d, 105, "Contanti");
        d->confirm();
    };
    QTimer::singleShot(20, poll);
    FATTURE3("ROSSI MARIO", reference, Decimal(70));
    EXPECT_EQ("ROSSI MARIO", shown.get("CLIENTE"));
    EXPECT_EQ("Riferimento polizza: ALFA - Polizza n. P1", shown.get("TESTO"));
    EXPECT_EQ(Decimal(70), shown.number("IMPORTO"));
    OwnTable t(workspace(), "FATTBSA");
    t->goTop();
    ASSERT_FALSE(t->eof());
    EXPECT_EQ(Decimal(1), t->number("NUMERO"));
    EXPECT_FALSE(workspace().isOpen("FATTBSA")) << "the register closed with its dialog";
}

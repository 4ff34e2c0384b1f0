// The invoices without their windows: the yearly numbering under the table lock, the deletion rule,
// the amounts read back from a text, the consultancy invoice of a policy and the printed invoice.
#include <gtest/gtest.h>

#include <set>

#include "accounting/invoices.h"
#include "accounting/movements.h"
#include "common/ini.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "store/keys.h"
#include "common/pagemodel.h"
#include "policies/sheets.h"
#include "registry/registerfolder.h"
#include "support/processes.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::accounting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

class Invoices : public test::RegisterFolderTest {
protected:
    Workspace& ws() { return workspace(); }
    IniFile ini() { return IniFile(dir.file("ARV.INI")); }

    void addClient(const std::string& name, const std::string& vat = {})
    {
        addRecord("CLIENTI", [&](Table& t) {
            t.setText("CLIENTE", name);
            t.setText("TITOLO", "Sig.");
            t.setText("INDIRIZZO", "VIA ROMA 1");
            t.setText("CAP", "00100");
            t.setText("CITTA", "ROMA");
            t.setText("PROVINCIA", "RM");
            t.setText("CODICEFISC", "RSSMRA80A01H501U");
            t.setText("PARTITAIVA", vat);
        });
    }
    Table& invoices()
    {
        if (!ws().isOpen("FATTBSA")) ws().open("FATTBSA").ordAdd("FATTBSA");
        return ws()["FATTBSA"];
    }
    // A new invoice (or a pro-forma) saved as the dialog would.
    InvoiceSave save(Date date, bool proforma = false, const std::string& amount = "100,00")
    {
        EditValues v = newInvoiceValues(ws(), proforma, date);
        v.set("DATA", date.toDisplay());
        v.set("CLIENTE", "ROSSI MARIO");
        v.set("TESTO", "Consulenza");
        v.set("MODPAG", "Bonifico");
        v.set("IMPORTO", amount);
        return saveInvoice(ws(), invoices(), true, proforma, EditValues(invoiceFields()), v);
    }
    std::vector<int> numbersOf(int year)
    {
        std::vector<int> out;
        Table& t = invoices();
        for (t.goTop(); !t.eof(); t.skip(1))
            if (t.date("DATA").year() == year) out.push_back(static_cast<int>(t.number("NUMERO").toLongLong()));
        return out;
    }
};

} // namespace

// "Numero" counts only while the table has no live invoice; then each year has its own series,
// pro-formas keep 0, and a year changed on modification renumbers the invoice in its new year.
TEST_F(Invoices, NumberingByYear)
{
    ini().set("Emissione fatture", "Numero", "120");
    EXPECT_EQ(121, PROSNUMFATT(ws(), d(2025, 1, 10)));
    ASSERT_TRUE(save(d(2025, 1, 10)));
    EXPECT_EQ(122, PROSNUMFATT(ws(), d(2025, 2, 1)));
    EXPECT_EQ(1, PROSNUMFATT(ws(), d(2026, 1, 1))) << "the setting counts only on an empty table";
    // Start again on an empty table: 2025 with 1, 2, 3 and a pro-forma.
    {
        Table& t = invoices();
        t.goTop();
        t.lock(true);
        t.del();
        t.unlock();
    }
    ini().set("Emissione fatture", "Numero", "0");
    for (int m = 1; m <= 3; ++m) EXPECT_EQ(m, save(d(2025, m, 5)).number);
    InvoiceSave proforma = save(d(2025, 4, 1), true);
    ASSERT_TRUE(proforma);
    EXPECT_EQ(0, proforma.number);
    EXPECT_EQ(4, PROSNUMFATT(ws(), d(2025, 6, 1)));
    EXPECT_EQ(1, PROSNUMFATT(ws(), d(2026, 1, 2)));
    EXPECT_EQ(1, save(d(2026, 1, 2)).number);

    // The pro-forma re-dated to 2026 takes 2026's next number; re-dated within its year it stays 0.
    Table& t = invoices();
    t.goTo(proforma.recno);
    EditValues before = recordValues(invoiceFields(), t);
    EditValues after = before;
    after.set("DATA", d(2025, 5, 1).toDisplay());
    EXPECT_EQ(0, saveInvoice(ws(), t, false, false, before, after).number);
    before = recordValues(invoiceFields(), t);
    after = before;
    after.set("DATA", d(2026, 2, 1).toDisplay());
    InvoiceSave moved = saveInvoice(ws(), t, false, false, before, after);
    ASSERT_TRUE(moved);
    EXPECT_EQ(2, moved.number);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), numbersOf(2025));
    EXPECT_EQ((std::vector<int>{1, 2}), numbersOf(2026));
}

// A year that reached 99999 refuses the next invoice instead of giving 99999 twice; only the last
// invoice in invoice order or a pro-forma can be deleted.
TEST_F(Invoices, FullYearAndDeletionRule)
{
    ASSERT_TRUE(save(d(2024, 3, 1)));
    Table& t = invoices();
    t.goTop();
    t.lock(true);
    t.setNumber("NUMERO", Decimal(kMaxInvoiceNumber));
    t.commit();
    t.unlock();
    const InvoiceSave refused = save(d(2024, 3, 2));
    EXPECT_FALSE(refused);
    EXPECT_EQ(kMsgYearFull, refused.message);
    EXPECT_EQ(1u, numbersOf(2024).size());

    const InvoiceSave a = save(d(2025, 1, 1)), proforma = save(d(2025, 1, 2), true), b = save(d(2025, 1, 3));
    t.goTo(a.recno);
    EXPECT_FALSE(invoiceDeletable(ws(), t));
    EXPECT_EQ(kMsgOnlyLastInvoice, deleteInvoice(ws(), t).value_or(""));
    t.goTo(proforma.recno);
    EXPECT_TRUE(invoiceDeletable(ws(), t));
    EXPECT_FALSE(deleteInvoice(ws(), t));
    t.goTo(b.recno);
    EXPECT_TRUE(invoiceDeletable(ws(), t));
    EXPECT_FALSE(deleteInvoice(ws(), t));
    t.goTo(a.recno);
    EXPECT_TRUE(invoiceDeletable(ws(), t)) << "the last one now";
}

// The amounts the texts carry, as lists and summaries read them back.
TEST_F(Invoices, AmountsReadBack)
{
    struct Case {
        std::string text;
        const char* stored;
        const char* amount;
        bool consultancy;
    } cases[] = {
        {std::string(kMarkCommission) + " 1.234,56", "10", "1234.56", false},
        {std::string(kMarkFee) + "    80,00  (*)", "82", "80", false},
        {"CONSULENZA\r\n" + std::string(kMarkFee) + "1234.5", "0", "1234.5", true},
        {"Provvigioni di marzo", "350", "350", false},
        {std::string(kMarkCommission) + "EURO", "12", "12", false},
        {"consulenza assicurativa", "70", "70", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dec(c.amount), invoiceAmount(c.text, dec(c.stored))) << c.text;
        EXPECT_EQ(c.consultancy, isConsultancy(c.text)) << c.text;
    }
    const InvoiceTotals t = invoiceTotals(dec("100"), dec("-20"), std::string(kMarkStamp) + "     2,00");
    EXPECT_EQ(dec("20"), t.withholding);
    EXPECT_EQ(dec("80"), t.total);
    EXPECT_EQ(dec("2"), t.stamp);
    EXPECT_EQ(dec("22"), invoiceTotals(dec("100"), dec("22"), "").vat);
}

// The consultancy invoice of a policy: the invoice, the note, the collection and the policy moved on.
TEST_F(Invoices, GeneratedFromPolicy)
{
    IniFile settings = ini();
    settings.set("Emissione fatture", "Aliquota RA", "11.5");
    addClient("ROSSI MARIO");
    addClient("VERDI SRL", "01234567890");
    struct Case {
        const char* insured;
        const char *fee, *expenses;
        const char* total;
        bool stamp;
        int copies;
        std::vector<std::string> lines; // in the text
    } cases[] = {
        {"ROSSI MARIO", "70", "10", "82", true, 2, {std::string(kMarkStamp) + "     2,00"}},
        {"VERDI SRL", "100", "0", "90.5", true, 3,
         {std::string(kMarkWithholding) + "   -11,50", std::string(kMarkTotal) + "    88,50"}},
        {"ROSSI MARIO", "70", "7", "77", false, 2, {}},
    };
    const Date today = d(2025, 3, 10);
    int policy = 0;
    for (const Case& c : cases) {
        const std::string number = "FAT-" + std::to_string(++policy);
        addRecord("POLIZZE", [&](Table& t) {
            t.setText("CODICE", policies::sheetKey(std::to_string(policy)));
            t.setText("POLIZZA", number);
            t.setText("ASSICURATO", c.insured);
            t.setText("COMPAGNIA", "ALFA");
            t.setText("RAPPORTO", "ALFA");
            t.setText("RAMO", "INCENDIO");
            t.setText("FRAZIONAM", "SEMESTRALE");
            t.setDate("COPERTURA", d(2025, 3, 1));
            t.setDate("SCADENZA", d(2026, 3, 1));
            t.setNumber("IMPORTO", dec("300"));
            t.setLogical("FATTURA", true);
            t.setMemo("NOTE", "Cliente storico");
        });
        GenerationInput in{dec(c.fee), dec(c.expenses), true, "Cassa entrate", "Contanti"};
        const GenerationOutcome g = GENFATT(ws(), number, in, today);
        ASSERT_TRUE(g.ok) << g.message;
        EXPECT_EQ(c.copies, g.copies) << number;
        EXPECT_EQ(policy, g.number);
        {
            OwnTable t(ws(), "FATTBSA");
            t->goTo(g.invoice);
            EXPECT_EQ(dec(c.total), t->number("IMPORTO")) << number;
            EXPECT_TRUE(t->number("ALIQUOTA").isZero());
            EXPECT_EQ(c.insured, t->text("CLIENTE"));
            const std::string text = t->memo("TESTO");
            EXPECT_EQ(c.stamp, text.find(kMarkStamp) != std::string::npos) << text;
            for (const std::string& l : c.lines) EXPECT_NE(std::string::npos, text.find(l)) << text;
            EXPECT_EQ(dec(c.fee), invoiceAmount(text, t->number("IMPORTO")));
        }
        OwnTable m(ws(), "MOVICOMP");
        m->goTo(g.movement);
        EXPECT_EQ("Incasso", m->text("DESCRIZIO"));
        EXPECT_EQ(dec("300") + dec(c.fee) + dec(c.expenses), m->number("IMPORTO"));
        EXPECT_EQ(dec(c.fee), m->number("PROVVAGEN"));
        EXPECT_EQ(d(2025, 3, 1), m->date("SCADENZA"));
        OwnTable p(ws(), "POLIZZE");
        p->ordAdd("NUMPOL");
        ASSERT_TRUE(p->seek(indexKey(number, 25)));
        EXPECT_EQ(dec("300"), p->number("IMPORTO")) << "the premium is kept";
        EXPECT_EQ(d(2025, 9, 1), p->date("COPERTURA"));
        EXPECT_EQ(d(2026, 3, 1), p->date("SCADENZA"));
        EXPECT_EQ(today, p->date("INCASSO"));
        const Decimal paid = dec(c.fee) + dec(c.expenses);
        EXPECT_EQ("Cliente storico\r\nEmessa fattura n. " + std::to_string(policy) + " del 10/03/25 corrispettivo EURO " +
                      trim(ENSTR(paid)),
                  p->memo("NOTE"));
    }

    // A replaced policy is refused before anything is written.
    addRecord("POLIZZE", [&](Table& t) {
        t.setText("POLIZZA", "FAT-SOST");
        t.setText("ASSICURATO", "ROSSI MARIO");
        t.setText("SOSTDA", "FAT-NEW");
        t.setLogical("FATTURA", true);
    });
    const GenerationOutcome replaced = GENFATT(ws(), "FAT-SOST", GenerationInput{dec("70"), {}, false, "Cassa entrate", "Contanti"}, today);
    EXPECT_FALSE(replaced.ok);
    EXPECT_EQ(kMsgReplaced, replaced.message);
    EXPECT_EQ(3u, numbersOf(2025).size());

    // Stopped after the invoice (the policy held by another workstation, the wait given up): the
    // invoice stays and the message says so.
    Workspace other(dir.path());
    Table& held = other.open("POLIZZE");
    held.ordAdd("NUMPOL");
    ASSERT_TRUE(held.seek(indexKey("FAT-1", 25)));
    held.lock(true);
    waitHooks().show = [](const std::string&, const std::string&) { throw std::runtime_error("record occupato"); };
    const GenerationOutcome stopped =
        GENFATT(ws(), "FAT-1", GenerationInput{dec("70"), {}, false, "Cassa entrate", "Contanti"}, today);
    waitHooks().show = nullptr;
    held.unlock();
    EXPECT_FALSE(stopped.ok);
    EXPECT_EQ("Creazione della fattura interrotta durante l'aggiornamento delle note della polizza (record "
              "occupato).;Già registrati: fattura n. 4 del 10/03/25.",
              stopped.message);
    EXPECT_EQ(4u, numbersOf(2025).size());
}

// The printed invoice: the amount block by the rate, the notes of an exempt or withheld invoice,
// copies as page sets, and a long text that leaves the block to a new framed page.
TEST_F(Invoices, PrintedInvoice)
{
    AgencyIdentity agency;
    agency.name = "AGENZIA ALFA";
    agency.town = "Roma";
    agency.vatNumber = "01234567890";
    InvoiceCustomer customer;
    customer.title = "Sig.";
    customer.name = "ROSSI MARIO";
    customer.taxCode = "RSSMRA80A01H501U";
    InvoiceData inv;
    inv.number = 7;
    inv.date = d(2025, 3, 10);
    inv.text = std::string("Consulenza\r\n") + kMarkFee + "   100,00  (*)";
    inv.amount = dec("100");
    auto page = [&](const PrintDocument& doc, size_t i) { return dumpPage(doc, doc.pages.at(i)); };

    inv.rate = dec("22");
    PrintDocument vat = printInvoice(inv, customer, agency, dir.path(), 2, false);
    ASSERT_EQ(2u, vat.pages.size()) << "one page set a copy";
    const std::string p = page(vat, 0);
    EXPECT_NE(std::string::npos, p.find("|FATTURA N. 7 / 2025|"));
    EXPECT_NE(std::string::npos, p.find("|Roma, 10/03/2025|"));
    EXPECT_NE(std::string::npos, p.find("|C.F. RSSMRA80A01H501U|"));
    EXPECT_NE(std::string::npos, p.find("|IVA|"));
    EXPECT_NE(std::string::npos, p.find("      22,00|"));
    EXPECT_NE(std::string::npos, p.find("     122,00|"));
    EXPECT_EQ(std::string::npos, p.find("IVA esente"));
    EXPECT_EQ(p, page(vat, 1));

    inv.rate = dec("-20");
    const std::string w = page(printInvoice(inv, customer, agency, dir.path(), 1, false), 0);
    EXPECT_NE(std::string::npos, w.find("|RITENUTA D'ACCONTO|"));
    EXPECT_NE(std::string::npos, w.find("     -20,00|"));
    EXPECT_NE(std::string::npos, w.find("      80,00|"));
    EXPECT_NE(std::string::npos, w.find("r54.0"));
    EXPECT_NE(std::string::npos, w.find("|(*) IVA esente ex art. 10 DPR 633 del 26/10/1972 e successive modifiche|"));

    // Text down to row 52: the block and the notes go to a second page of their own.
    inv.text.clear();
    for (int i = 0; i < 31; ++i) inv.text += "riga " + std::to_string(i) + "\r\n";
    const PrintDocument longer = printInvoice(inv, customer, agency, dir.path(), 1, false);
    ASSERT_EQ(2u, longer.pages.size());
    EXPECT_EQ(std::string::npos, page(longer, 0).find("NETTO A PAGARE"));
    EXPECT_NE(std::string::npos, page(longer, 1).find("|NETTO A PAGARE|"));
    EXPECT_NE(std::string::npos, page(longer, 1).find("IVA esente"));
}

// Two workstations writing invoices at once, by the dialog and from policies, never share a number.
TEST_F(Invoices, ConcurrentNumbersAreDistinct)
{
    addClient("ROSSI MARIO");
    for (int i = 0; i < 2; ++i)
        addRecord("POLIZZE", [&](Table& t) {
            t.setText("POLIZZA", "GEN-" + std::to_string(i));
            t.setText("ASSICURATO", "ROSSI MARIO");
            t.setText("FRAZIONAM", "MENSILE");
            t.setDate("COPERTURA", d(2025, 1, 1));
            t.setDate("SCADENZA", d(2035, 1, 1));
            t.setLogical("FATTURA", true);
        });
    ws().closeAll();
    const std::string folder = dir.path();
    const Date today = Date::today();
    const int kEach = 200;
    EXPECT_TRUE(test::runProcesses(2, [&](int c) {
        int status = 0;
        Workspace own(folder);
        Table& t = own.open("FATTBSA");
        t.ordAdd("FATTBSA");
        for (int k = 0; k < kEach; ++k) {
            if (k % 4 == 3) {
                GenerationInput in{Decimal(50), Decimal(), false, "Cassa entrate", "Contanti"};
                if (!GENFATT(own, "GEN-" + std::to_string(c), in, today).ok) status = 2;
                continue;
            }
            EditValues v = newInvoiceValues(own, false, today);
            v.set("CLIENTE", "ROSSI MARIO");
            v.set("TESTO", "Consulenza");
            v.set("MODPAG", "Contanti");
            v.set("IMPORTO", "10,00");
            if (!saveInvoice(own, t, true, false, EditValues(invoiceFields()), v)) status = 3;
        }
        return status;
    }));
    ws().setFolder(folder);
    const std::vector<int> numbers = numbersOf(today.year());
    EXPECT_EQ(size_t(2 * kEach), numbers.size());
    const std::set<int> distinct(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers.size(), distinct.size());
    EXPECT_EQ(2 * kEach, *distinct.rbegin());
}

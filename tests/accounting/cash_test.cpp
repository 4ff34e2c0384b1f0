// The cash register: the payment of a row, the balances over the current view, the day's printout,
// the initial balance in the settings, and the list with its two balances under it.
#include <gtest/gtest.h>

#include <fstream>

#include <QLineEdit>
#include <QTest>

#include "accounting/cash.h"
#include "accounting/cashregister.h"
#include "common/pagemodel.h"
#include "registry/registerfolder.h"
#include "records/register.h"
#include "support/pages.h"
#include "ui/fields.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::accounting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

std::string allPages(const PrintDocument& doc) { return test::pagesText(doc); }

class Cash : public test::RegisterFolderTest {
protected:
    Workspace& ws() { return workspace(); }
    Table& cash()
    {
        if (!ws().isOpen("CASSA")) ws().open("CASSA").ordAdd("CASSA");
        return ws()["CASSA"];
    }
    // A payment of CASH in cash (and nothing else) on DATE.
    void pay(Date date, const char* amount, const std::string& op = "ANNA", const std::string& policy = {})
    {
        Table& t = cash();
        t.append();
        t.setDate("DATA", date);
        t.setText("OPERATORE", op);
        t.setText("POLIZZA", policy);
        t.setNumber("IMPORTO", dec(amount));
        t.setNumber("CONTANTI", dec(amount));
        t.commit();
        t.unlock();
    }
    void setInitial(const char* line) { std::ofstream(dir.path() + "/ARV.INI") << "[Cassa]\n" << line << "\n"; }
};

TEST_F(Cash, PaymentOfARow)
{
    struct Case {
        const char *amount, *cheque, *cash;
        const char* typedChange; // nullptr: computed
        const char *due, *change, *paid;
    };
    const Case cases[] = {
        {"100", "0", "120", nullptr, "0", "20", "100"},  {"100", "50", "20", nullptr, "30", "0", "70"},
        {"100", "30", "100", nullptr, "0", "30", "100"}, {"100", "0", "120", "10", "0", "10", "110"},
        {"-50", "0", "-50", nullptr, "0", "0", "-50"},
    };
    for (const Case& c : cases) {
        const Payment p = c.typedChange ? paymentWithChange(dec(c.amount), dec(c.cheque), dec(c.cash), dec(c.typedChange))
                                        : payment(dec(c.amount), dec(c.cheque), dec(c.cash));
        SCOPED_TRACE(std::string(c.amount) + " / " + c.cheque + " / " + c.cash);
        EXPECT_EQ(dec(c.due), p.due);
        EXPECT_EQ(dec(c.change), p.change);
        EXPECT_EQ(dec(c.paid), p.paid);
    }

    // The dialog's values as leaving the fields leaves them; a change typed by hand stays.
    EditValues v(cashFields());
    prepareCashEdit(v, true);
    EXPECT_EQ(Date::today(), v.date("DATA"));
    v.set("IMPORTO", "100,00");
    v.set("CONTANTI", "120,00");
    cashFieldLeft(ws(), 108, v);
    EXPECT_EQ("20,00", v.get("RESTO"));
    EXPECT_EQ("100,00", v.get(kPaid));
    v.set("RESTO", "10,00");
    cashFieldLeft(ws(), 111, v);
    EXPECT_EQ("10,00", v.get("RESTO"));
    EXPECT_EQ("110,00", v.get(kPaid));
    EXPECT_EQ("", v.get(kStillDue));
}

TEST_F(Cash, BalancesAndTheDaysPrintout)
{
    setInitial("Saldo iniziale=500.00");
    pay(d(2024, 6, 1), "100");
    pay(d(2024, 6, 2), "70");
    pay(d(2024, 6, 3), "-20");
    const Decimal initial = initialBalance(dir.path());
    EXPECT_EQ(dec("500"), initial);
    Table& t = cash();
    t.goTo(2);
    EXPECT_EQ(dec("670"), cashBalanceAt(t, d(2024, 6, 2), initial));
    EXPECT_EQ(2u, t.recno()); // the register keeps its record

    const std::string day = allPages(printCashDay(t, d(2024, 6, 3), initial, false));
    EXPECT_NE(std::string::npos, day.find("|STAMPA MOVIMENTI DEL 03/06/24|"));
    EXPECT_NE(std::string::npos, day.find("|SALDO INIZIALE: 670,00|"));
    EXPECT_NE(std::string::npos, day.find("|650,00|")); // the running balance after the row
    EXPECT_NE(std::string::npos, day.find("|SALDO FINALE DI CASSA          650,00|"));
    EXPECT_NE(std::string::npos, day.find("|TOTALE|"));
    EXPECT_EQ(std::string::npos, day.find("100,00")); // other days are left out
    EXPECT_EQ(2u, t.recno());

    // A day without movements: the opening balance, an empty list, the same closing balance.
    const std::string empty = allPages(printCashDay(t, d(2024, 6, 4), initial, false));
    EXPECT_NE(std::string::npos, empty.find("|SALDO INIZIALE: 650,00|"));
    EXPECT_NE(std::string::npos, empty.find("|SALDO FINALE DI CASSA          650,00|"));
    EXPECT_EQ(std::string::npos, empty.find("-20,00"));

    // A cash book past a million prints in full.
    const std::string big = allPages(printCashDay(t, d(2024, 6, 3), dec("1234417.89"), false));
    EXPECT_NE(std::string::npos, big.find("|SALDO FINALE DI CASSA          1.234.567,89|")) << big;
}

TEST_F(Cash, InitialBalanceSetting)
{
    for (const char* line : {"Saldo iniziale=", "Saldo iniziale=abc", "Altro=1"}) {
        setInitial(line);
        EXPECT_EQ(Decimal(), initialBalance(dir.path())) << line;
    }
    setInitialBalance(dir.path(), dec("1234.5"));
    EXPECT_EQ(dec("1234.50"), initialBalance(dir.path()));
    std::ifstream in(dir.path() + "/ARV.INI");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, text.find("Saldo iniziale=1234.5"));
}

// The list as the user sees it: both balances under the browse follow every write and search.
TEST_F(Cash, ListWithItsBalances)
{
    setInitial("Saldo iniziale=1000");
    const Date today = Date::today();
    pay(today.addDays(-3), "100", "ANNA");
    pay(today.addDays(-1), "50", "LUCA");
    pay(today, "20", "ANNA");
    {
        OwnTable policies(ws(), "POLIZZE");
        policies->append();
        policies->setText("POLIZZA", "P-77");
        policies->setText("ASSICURATO", "VERDI ANNA");
        policies->commit();
        policies->unlock();
    }
    ws().close("CASSA");
    const RegisterDesc& desc = cashRegister();
    openRegisterTables(desc, ws());
    {
        RegisterList list(desc, ws());
        EXPECT_EQ("Registratore di cassa - 3 di 3", list.windowTitle().toStdString());
        EXPECT_EQ("1.150,00", list.figure(0)->text().toStdString());
        EXPECT_EQ("1.170,00", list.figure(1)->text().toStdString());

        // A payment typed in the dialog: the policy gives the insured, the amounts the payment.
        list.runEdit = [](EditDialog& dlg) {
            dlg.show();
            auto* policy = qobject_cast<QLineEdit*>(dlg.field(103));
            QTest::keyClicks(policy, "P-77");
            emit policy->editingFinished();
            EXPECT_EQ("VERDI ANNA", dlg.values().get("ASSICURATO"));
            auto* amount = qobject_cast<QLineEdit*>(dlg.field(106));
            QTest::keyClicks(amount, "80");
            emit amount->editingFinished();
            auto* cashField = qobject_cast<QLineEdit*>(dlg.field(108));
            QTest::keyClicks(cashField, "100");
            emit cashField->editingFinished();
            EXPECT_EQ("20,00", dlg.values().get("RESTO"));
            // Someone corrects the insured and tabs through the policy again: the correction stays.
            auto* insured = qobject_cast<QLineEdit*>(dlg.field(104));
            insured->setText("VERDI ANNA MARIA");
            emit policy->editingFinished();
            EXPECT_EQ("VERDI ANNA MARIA", dlg.values().get("ASSICURATO"));
            setFieldWidgetValue(dlg.field(102), "ANNA");
            dlg.confirm();
            return dlg.result();
        };
        list.insert();
        EXPECT_EQ("Registratore di cassa - 4 di 4", list.windowTitle().toStdString());
        EXPECT_EQ("1.250,00", list.figure(1)->text().toStdString());

        // A search on one operator changes both figures; "Tutte" brings them back.
        list.runSearch = [](SearchDialog& s) {
            EXPECT_EQ("RCASSA", s.objectName().toStdString());
            EXPECT_NE(nullptr, s.button("&Tutte"));
            setFieldWidgetValue(s.field(102), "LUCA");
            return int(SearchDialog::Confirmed);
        };
        list.search();
        EXPECT_EQ("Registratore di cassa - 1 di 4", list.windowTitle().toStdString());
        EXPECT_EQ("1.050,00", list.figure(0)->text().toStdString());
        EXPECT_EQ("1.050,00", list.figure(1)->text().toStdString());
        list.runSearch = [](SearchDialog&) { return int(SearchDialog::All); };
        list.search();
        EXPECT_EQ("1.250,00", list.figure(1)->text().toStdString());
    }
    closeRegisterTables(desc, ws());
    Table& t = cash();
    t.goBottom();
    EXPECT_EQ("VERDI ANNA MARIA", t.text("ASSICURATO"));
    EXPECT_EQ(dec("20"), t.number("RESTO"));
    EXPECT_EQ(dec("80"), paymentOf(t).paid);
}

TEST_F(Cash, SearchCriteria)
{
    pay(d(2024, 6, 1), "100", "ANNA", "AU-1");
    pay(d(2024, 6, 2), "70", "LUCA", "RC-2");
    Table& t = cash();
    t.goTo(2);
    t.lock(true);
    t.setMemo("DESCRIZIO", "Rimborso\r\nspese postali");
    t.setNumber("ASSEGNO", dec("30"));
    t.commit();
    t.unlock();
    EXPECT_EQ("Rimborso spese postali", cashParty(t));

    RegisterDesc desc = cashRegister();
    auto found = [&](std::vector<std::pair<int, std::string>> typed) {
        std::vector<std::string> values(desc.search.size());
        for (auto& [id, text] : typed)
            for (size_t i = 0; i < desc.search.size(); ++i)
                if (desc.search[i].id == id) values[i] = text;
        std::vector<uint32_t> recnos;
        if (!applySearch(desc, t, buildCondition(desc.search, values))) return recnos;
        for (t.goTop(); !t.eof(); t.skip(1)) recnos.push_back(t.recno());
        clearSearch(desc, t);
        return recnos;
    };
    EXPECT_EQ(std::vector<uint32_t>{2}, found({{101, "02/06/24"}}));
    EXPECT_EQ(std::vector<uint32_t>{1}, found({{102, "an"}}));
    EXPECT_EQ(std::vector<uint32_t>{2}, found({{103, "rc"}}));
    EXPECT_EQ(std::vector<uint32_t>{2}, found({{105, "SPESE"}}));
    EXPECT_EQ(std::vector<uint32_t>{1}, found({{106, "80,00"}, {107, "100,00"}}));
    EXPECT_EQ(std::vector<uint32_t>{2}, found({{108, "1"}}));
}

} // namespace

// The accounting movements: the notes a policy number fills, the return of a movement to another
// account and day (also when another workstation deleted it), the listing and the search, and the
// road of a movement through the register's list.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "accounting/ledger.h"
#include "accounting/ledgerregister.h"
#include "common/pagemodel.h"
#include "registry/registerfolder.h"
#include "records/register.h"
#include "store/check.h"
#include "ui/fields.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::accounting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

class Ledger : public test::RegisterFolderTest {
protected:
    Workspace& ws() { return workspace(); }
    Table& movements()
    {
        if (!ws().isOpen("MOVICONT")) ws().open("MOVICONT").ordAdd("MOVICONT");
        return ws()["MOVICONT"];
    }
    uint32_t add(Date date, const char* account, const char* amount, bool inBooks = true)
    {
        Table& t = movements();
        t.append();
        t.setDate("DATA", date);
        t.setText("CONTO", account);
        t.setText("CONTABIL", "Cancelleria");
        t.setText("DESCRIZIO", "Spese");
        t.setNumber("IMPORTO", dec(amount));
        t.setLogical("PRIMANOTA", inBooks);
        t.commit();
        t.unlock();
        return t.recno();
    }
    void addPolicy(const char* number, const char* insured, const char* company)
    {
        OwnTable p(ws(), "POLIZZE");
        p->append();
        p->setText("POLIZZA", number);
        p->setText("ASSICURATO", insured);
        p->setText("COMPAGNIA", company);
        p->commit();
        p->unlock();
    }
    // The records the tag finds under DATE.
    std::vector<uint32_t> under(Date date)
    {
        Table& t = movements();
        std::vector<uint32_t> out;
        for (t.seek(date.dtos()); !t.eof() && t.date("DATA") == date; t.skip(1)) out.push_back(t.recno());
        return out;
    }
    bool clean()
    {
        CheckReport r = checkTable(dir.path() + "/MOVICONT.DBF");
        for (const std::string& p : r.problems) ADD_FAILURE() << p;
        return r.ok();
    }
};

TEST_F(Ledger, ReturnKeepsTheOriginalDate)
{
    const uint32_t r = add(d(2024, 5, 10), "Sospesi vers. assegni", "250");
    Table& t = movements();
    t.goTo(r);
    ASSERT_TRUE(returnMovement(t, d(2024, 5, 14), "Banca 1 entrate"));
    EXPECT_EQ(d(2024, 5, 10), t.date("ORIGINE"));
    EXPECT_EQ(d(2024, 5, 14), t.date("DATA"));
    EXPECT_EQ("Banca 1 entrate", t.text("CONTO"));
    EXPECT_EQ(std::vector<uint32_t>{r}, under(d(2024, 5, 14)));
    EXPECT_TRUE(under(d(2024, 5, 10)).empty());
    // A second return keeps the intermediate date as the origin.
    t.goTo(r);
    ASSERT_TRUE(returnMovement(t, d(2024, 5, 20), "Banca 2 entrate"));
    EXPECT_EQ(d(2024, 5, 14), t.date("ORIGINE"));
    EXPECT_EQ(std::vector<uint32_t>{r}, under(d(2024, 5, 20)));
    EXPECT_TRUE(clean());
}

// Another workstation deletes the movement while this one shows it: the return writes nothing and
// the movement stays deleted.
TEST_F(Ledger, ReturnOnAMovementDeletedElsewhere)
{
    const uint32_t r = add(d(2024, 5, 10), "Sospesi vers. assegni", "250");
    Table& t = movements();
    t.goTo(r);
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 0;
        try {
            Workspace other(dir.path());
            Table& o = other.open("MOVICONT");
            o.ordAdd("MOVICONT");
            o.goTo(r);
            if (!o.delRec()) status = 2;
        } catch (...) {
            status = 3;
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(returnMovement(t, d(2024, 5, 14), "Banca 1 entrate"));
    t.goTo(r);
    EXPECT_TRUE(t.deleted());
    EXPECT_EQ(d(2024, 5, 10), t.date("DATA"));
    EXPECT_EQ(Date(), t.date("ORIGINE"));
    EXPECT_TRUE(under(d(2024, 5, 14)).empty());
    EXPECT_TRUE(clean());
}

TEST_F(Ledger, ListingAndSearch)
{
    add(d(2024, 3, 1), "Banca 1 entrate", "100.00");
    add(d(2024, 3, 2), "Cassa uscite", "-30.00", false);
    Table& t = movements();
    std::string list;
    const PrintDocument doc = printLedger(t, false);
    for (const Page& p : doc.pages) list += dumpPage(doc, p);
    EXPECT_NE(std::string::npos, list.find("|STAMPA MOVIMENTI CONTABILITA'|"));
    EXPECT_NE(std::string::npos, list.find("|100,00|"));
    EXPECT_NE(std::string::npos, list.find("|-30,00|")); // as stored, whatever the account
    EXPECT_NE(std::string::npos, list.find("|TOTALE|"));
    EXPECT_NE(std::string::npos, list.find("|70,00|"));

    RegisterDesc desc = ledgerRegister();
    auto found = [&](int id, const std::string& text) {
        std::vector<std::string> typed(desc.search.size());
        for (size_t i = 0; i < desc.search.size(); ++i)
            if (desc.search[i].id == id) typed[i] = text;
        std::vector<uint32_t> recnos;
        if (!applySearch(desc, t, buildCondition(desc.search, typed))) return std::vector<uint32_t>{0};
        for (t.goTop(); !t.eof(); t.skip(1)) recnos.push_back(t.recno());
        clearSearch(desc, t);
        return recnos;
    };
    EXPECT_EQ(std::vector<uint32_t>{1}, found(110, "T"));      // inside the books
    EXPECT_EQ(std::vector<uint32_t>{2}, found(110, "F"));      // outside
    EXPECT_EQ(std::vector<uint32_t>{0}, found(110, ""));       // the grey box: no condition
    EXPECT_EQ(std::vector<uint32_t>{1}, found(103, "BANCA 1 ENTRATE"));
    EXPECT_EQ(std::vector<uint32_t>{}, found(103, "Banca 1"));   // an account is compared whole
    EXPECT_EQ(std::vector<uint32_t>{2}, found(108, "-30,00"));
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), found(104, "cancelleria"));
}

// A movement through the list: inserted with its notes from the policy, modified with the notes
// kept when "Dettaglio:" is only passed through, returned, deleted; read back through the tag.
TEST_F(Ledger, RoadThroughTheList)
{
    addPolicy("AU-1", "ROSSI MARIO", "AURORA");
    const RegisterDesc& desc = ledgerRegister();
    openRegisterTables(desc, ws());
    Table& t = ws()["MOVICONT"];
    {
        RegisterList list(desc, ws());
        list.runEdit = [](EditDialog& dlg) {
            dlg.show();
            EXPECT_EQ(Date::today(), dlg.values().date("DATA"));
            EXPECT_EQ("T", dlg.values().get("PRIMANOTA"));
            setFieldWidgetValue(dlg.field(101), "10/05/24");
            setFieldWidgetValue(dlg.field(102), "Sospesi vers. assegni");
            setFieldWidgetValue(dlg.field(103), "Cancelleria");
            setFieldWidgetValue(dlg.field(104), "Spese");
            auto* detail = qobject_cast<QLineEdit*>(dlg.field(105));
            QTest::keyClicks(detail, "AU-1");
            emit detail->editingFinished();
            EXPECT_EQ("ROSSI MARIO\nAURORA", dlg.values().get("NOTE"));
            auto* amount = qobject_cast<QLineEdit*>(dlg.field(107));
            QTest::keyClicks(amount, "-45,5");
            emit amount->editingFinished();
            dlg.confirm();
            return dlg.result();
        };
        list.insert();
        ASSERT_EQ("Movimenti contabilità - 1 di 1", list.windowTitle().toStdString());
        EXPECT_EQ(dec("-45.50"), t.number("IMPORTO"));
        EXPECT_EQ("ROSSI MARIO\nAURORA", t.memo("NOTE"));

        list.runEdit = [](EditDialog& dlg) {
            dlg.show();
            static_cast<QPlainTextEdit*>(dlg.field(111))->setPlainText("Assegno da incassare");
            emit qobject_cast<QLineEdit*>(dlg.field(105))->editingFinished(); // only tabbed through
            EXPECT_EQ("Assegno da incassare", dlg.values().get("NOTE"));
            // A text that is no policy number leaves only the line break.
            auto* detail = qobject_cast<QLineEdit*>(dlg.field(105));
            detail->clear();
            QTest::keyClicks(detail, "XYZ");
            emit detail->editingFinished();
            EXPECT_EQ("\n", dlg.values().get("NOTE"));
            static_cast<QPlainTextEdit*>(dlg.field(111))->setPlainText("Assegno da incassare");
            dlg.confirm();
            return dlg.result();
        };
        list.modify();
        EXPECT_EQ("Assegno da incassare", t.memo("NOTE"));
        EXPECT_EQ("XYZ", t.text("DETTAGLIO"));

        ASSERT_TRUE(returnMovement(t, d(2024, 5, 14), "Banca 1 entrate"));
        list.redraw();
        EXPECT_EQ(std::vector<uint32_t>{1}, under(d(2024, 5, 14)));
        t.goTo(1);
        list.remove();
        EXPECT_EQ("Movimenti contabilità - 0 di 0", list.windowTitle().toStdString());
    }
    closeRegisterTables(desc, ws());
    EXPECT_TRUE(under(d(2024, 5, 14)).empty());
    EXPECT_TRUE(clean());
}

} // namespace

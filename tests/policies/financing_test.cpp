#include "policies/financing.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "common/mask.h"
#include "policies/financingregister.h"
#include "policies/policyfolder.h"
#include "records/criteria.h"
#include "store/workspace.h"
#include "support/pages.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::policies;

namespace {

Decimal n(const char* s) { return *Decimal::parse(s); }

class Financing : public arv::test::PolicyFolderTest {
protected:
    void SetUp() override
    {
        PolicyFolderTest::SetUp();
        // Brackets 5,000 / 10,000 / 20,000 with 20 / 30 / 40 fixed and 1 / 1.5 / 2 %; the last two unused.
        add("COMPAGN", {{"COMPAGNIA", "FINANZIARIA UNO"},
                        {"FINFINOA", "5000"},  {"FINFISSO", "20"}, {"FINALIQ", "1"},
                        {"FINFINO2", "10000"}, {"FINFISS2", "30"}, {"FINALIQ2", "1.5"},
                        {"FINFINO3", "20000"}, {"FINFISS3", "40"}, {"FINALIQ3", "2"}});
    }
    static std::string text(const PrintDocument& doc) { return test::pagesText(doc); }
    // The values of a dialog opened on a new loan.
    static EditValues fresh()
    {
        EditValues v = blankValues(financingFields());
        prepareFinancingEdit(v, true);
        return v;
    }
    static int waitChild(pid_t pid)
    {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
    }
};

TEST_F(Financing, CommissionFromTheBrackets)
{
    struct Case {
        const char *agreement, *amount, *fixed, *variable;
    };
    for (const Case& c : {Case{"FINANZIARIA UNO", "5000.00", "20", "50"},
                          Case{"finanziaria uno", "5000.01", "30", "75"}, // any case, half a cent up
                          Case{"FINANZIARIA UNO", "12345.67", "40", "246.91"},
                          Case{"FINANZIARIA UNO", "25000.00", "0", "0"}, // above every ceiling; zero ceilings unused
                          Case{"FINANZIARIA UNO", "0", "20", "0"},       // nothing financed: the first bracket
                          Case{"SCONOSCIUTA", "1000", "0", "0"}}) {
        const FinancingCommission got = financingCommission(workspace(), c.agreement, n(c.amount));
        EXPECT_EQ(n(c.fixed), got.fixed) << c.amount;
        EXPECT_EQ(n(c.variable), got.variable) << c.amount;
    }
}

// The commission follows a change of amount or finance company, never a field merely left again.
TEST_F(Financing, CommissionsTypedByHandStayUntilAmountOrCompanyChange)
{
    const Mask mask(kFinancingAmountMask);
    EditValues v = fresh();
    EXPECT_EQ(Date::today().toDisplay(), v.get("DATA"));
    v.set("RAPPORTO", "FINANZIARIA UNO");
    financingFieldLeft(workspace(), kFinAgreement, v);
    v.set("IMPORTO", mask.formatNumber(n("5000")));
    financingFieldLeft(workspace(), kFinAmount, v);
    EXPECT_EQ(n("20"), v.number("PRFISSE"));
    EXPECT_EQ(n("50"), v.number("PRVARIA"));

    v.set("PRFISSE", mask.formatNumber(n("22")));
    v.set("IMPORTO", "5000"); // typed again, same amount
    financingFieldLeft(workspace(), kFinAmount, v);
    v.set("RAPPORTO", "FINANZIARIA UNO"); // chosen again
    financingFieldLeft(workspace(), kFinAgreement, v);
    EXPECT_EQ(n("22"), v.number("PRFISSE"));

    v.set("IMPORTO", mask.formatNumber(n("6000")));
    financingFieldLeft(workspace(), kFinAmount, v);
    EXPECT_EQ(n("30"), v.number("PRFISSE"));
    EXPECT_EQ(n("90"), v.number("PRVARIA"));

    // A stored loan opened again keeps its commissions until something they come from changes.
    add("FINANZ", {{"DATA", "10/03/2025"}, {"RAPPORTO", "FINANZIARIA UNO"}, {"ASSICURATO", "ROSSI MARIO"},
                   {"IMPORTO", "5000"}, {"PRFISSE", "15"}, {"PRVARIA", "10"}});
    Table& t = workspace().open("FINANZ");
    t.goTop();
    EditValues stored = recordValues(financingFields(), t);
    prepareFinancingEdit(stored, false);
    financingFieldLeft(workspace(), kFinAmount, stored);
    EXPECT_EQ(n("15"), stored.number("PRFISSE"));
    EXPECT_EQ(n("10"), stored.number("PRVARIA"));
}

// A loan saved through the dialog is found by the FINANZ index and printed with the others; a paid
// loan counts in "TOTALE", not in "CREDITO PROVVIGIONI".
TEST_F(Financing, SavedFoundAndPrinted)
{
    const RegisterDesc& desc = financingRegister();
    openRegisterTables(desc, workspace());
    Table& t = workspace()["FINANZ"];
    EditValues v = fresh();
    v.set("DATA", "02/04/2025");
    v.set("NUMERO", "F-77");
    v.set("RAPPORTO", "FINANZIARIA UNO");
    v.set("ASSICURATO", "ROSSI MARIO");
    v.set("GARANTE", "ROSSI LUIGI");
    v.set("IMPORTO", "5000");
    financingFieldLeft(workspace(), kFinAmount, v);
    v.set("POLIZZA3", "AB-123");
    ASSERT_TRUE(saveRecord(desc, workspace(), true, fresh(), v));
    v.set("DATA", "01/04/2025");
    v.set("ASSICURATO", "BIANCHI ANNA");
    v.set("POLIZZA3", "");
    v.set("POLIZZA5", "CD-9");
    v.set("IMPORTO", "5000.01");
    financingFieldLeft(workspace(), kFinAmount, v);
    ASSERT_TRUE(saveRecord(desc, workspace(), true, fresh(), v));
    ASSERT_TRUE(togglePaid(t, t.recno()));

    ASSERT_TRUE(t.seek("20250402FINANZIARIA UNO", true));
    EXPECT_EQ("ROSSI MARIO", t.text("ASSICURATO"));
    EXPECT_EQ("F-77", t.text("NUMERO"));
    EXPECT_EQ("AB-123", t.text("POLIZZA3"));
    EXPECT_EQ(n("50"), t.number("PRVARIA"));
    EXPECT_FALSE(t.logical("PAGATO"));
    t.goTop();
    EXPECT_EQ("BIANCHI ANNA", t.text("ASSICURATO"));
    EXPECT_EQ("Finanziamenti - 2 di 2", registerTitle(desc, t, 2));

    // The search by any of the five policy numbers, and by the paid mark.
    std::vector<std::string> typed(desc.search.size());
    typed[7] = "ab-123";
    EXPECT_TRUE(applySearch(desc, t, buildCondition(desc.search, typed)));
    t.goTop();
    EXPECT_EQ("ROSSI MARIO", t.text("ASSICURATO"));
    t.skip(1);
    EXPECT_TRUE(t.eof());
    clearSearch(desc, t);
    typed[7].clear();
    typed[8] = "T";
    EXPECT_TRUE(applySearch(desc, t, buildCondition(desc.search, typed)));
    t.goTop();
    EXPECT_EQ("BIANCHI ANNA", t.text("ASSICURATO"));
    clearSearch(desc, t);

    const PrintDocument doc = printFinancings(t, false);
    EXPECT_EQ("Stampa finanziamenti", doc.name);
    EXPECT_TRUE(doc.geometry.landscape());
    const std::string page = text(doc);
    for (const char* x : {"|STAMPA FINANZIAMENTI|", "|NUM.FIN.|", "|PROVVIG.|", "|F-77|", "|X|", "|TOTALE|",
                          "|10.000,01|", "|175,00|", "|CREDITO PROVVIGIONI|", "|70,00|"})
        EXPECT_NE(page.find(x), std::string::npos) << x << "\n" << page;
    closeRegisterTables(desc, workspace());
}

// " P" from two workstations at once: every flip is applied. A flip on a loan another workstation
// deleted leaves it deleted.
TEST_F(Financing, PaidMarkSharedWithOtherWorkstations)
{
    add("FINANZ", {{"DATA", "10/03/2025"}, {"RAPPORTO", "FINANZIARIA UNO"}, {"ASSICURATO", "ROSSI MARIO"}});
    add("FINANZ", {{"DATA", "11/03/2025"}, {"RAPPORTO", "FINANZIARIA UNO"}, {"ASSICURATO", "VERDI UGO"}});
    const std::string folder = dir.path();
    workspace().closeAll();
    constexpr int kEach = 25; // 50 flips in all: back to unpaid, unless one was lost
    std::vector<pid_t> pids;
    for (int c = 0; c < 2; ++c) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int status = 0;
            try {
                Workspace ws(folder);
                Table& t = ws.open("FINANZ");
                for (int i = 0; i < kEach; ++i)
                    if (!togglePaid(t, 1)) status = 2;
            } catch (...) {
                status = 3;
            }
            ::_exit(status);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) EXPECT_EQ(0, waitChild(pid));
    Workspace ws(folder);
    Table& t = ws.open("FINANZ");
    t.goTo(1);
    EXPECT_FALSE(t.logical("PAGATO"));
    ASSERT_TRUE(togglePaid(t, 1));
    EXPECT_TRUE(t.logical("PAGATO"));

    t.goTo(2); // shown here, deleted there
    const pid_t pid = ::fork();
    if (pid == 0) {
        int status = 0;
        try {
            Workspace other(folder);
            Table& o = other.open("FINANZ");
            o.goTo(2);
            if (!o.delRec()) status = 2;
        } catch (...) {
            status = 3;
        }
        ::_exit(status);
    }
    ASSERT_EQ(0, waitChild(pid));
    EXPECT_FALSE(togglePaid(t, 2));
    t.goTo(2);
    EXPECT_TRUE(t.deleted());
    EXPECT_FALSE(t.logical("PAGATO"));
}

} // namespace

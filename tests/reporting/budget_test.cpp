// "Stampa budget": what the movements of each kind count as, the figures of the two years per item
// and category, and the printout read back, page breaks included.
#include <gtest/gtest.h>

#include "common/movementkinds.h"
#include "common/pagemodel.h"
#include "policies/policyfolder.h"
#include "reporting/budget.h"

using namespace arv;
using namespace arv::reporting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }

class BudgetFolder : public test::PolicyFolderTest {
protected:
    void item(const std::string& name, const std::string& category)
    {
        add("VOCICON", {{"DESCRIZ", name}, {"CATEGORIA", category}});
    }
    void movement(const std::string& date, const std::string& account, const std::string& item, const std::string& amount)
    {
        add("MOVICONT", {{"DATA", date}, {"CONTO", account}, {"CONTABIL", item}, {"IMPORTO", amount}});
    }
    void commission(const std::string& date, const std::string& amount, const std::string& description = "Incasso")
    {
        add("MOVICOMP", {{"DATA", date}, {"DESCRIZIO", description}, {"PROVVAGEN", amount}});
    }
    void fill()
    {
        for (const char* c : {"Spese generali", "Entrate varie", "Vuota"}) add("CATECON", {{"CATEGORIA", c}});
        item("Affitto", "Spese generali");
        item("Cancelleria", "Spese generali");
        item("Rimborsi", "Entrate varie");
        item("Senza categoria", "");
        movement("15/02/2024", "Banca 1 uscite", "Affitto", "1200.00");
        movement("15/02/2025", "Banca 1 uscite", "Affitto", "1500.00");
        movement("20/03/2025", "Cassa entrate", "Rimborsi", "100.00");
        // Suspended items are never costs; a revenue item lists nothing under the costs.
        movement("10/01/2025", "Sospesi da clienti", "Cancelleria", "80.00");
        movement("10/01/2025", "Sospesi da clienti", "Rimborsi", "80.00");
        // Outside the periods, or of an item without a category.
        movement("01/04/2025", "Cassa uscite", "Cancelleria", "60.00");
        movement("31/12/2024", "Cassa uscite", "Cancelleria", "60.00");
        movement("10/01/2025", "Cassa uscite", "Senza categoria", "60.00");
        commission("10/02/2024", "4000.00");
        commission("10/02/2025", "4800.00", "INCASSO DIRETTO");
        commission("11/02/2025", "200.00");
        commission("12/02/2025", "999.00", "Rimessa");
    }
    BudgetCriteria quarter() const { return {d(2025, 1, 1), d(2025, 3, 31)}; }
};

std::string row(const BudgetFigures& f)
{
    return f.previous.toString(2) + " | " + f.current.toString(2) + " | " + f.difference().toString(2);
}

} // namespace

TEST(StatisticsVocabulary, CollectionsAndAccounts)
{
    struct Case {
        const char* text;
        bool collection, describesCollection, entry, suspended;
    };
    const Case cases[] = {
        {"Incasso", true, true, false, false},
        {"Incasso diretto   ", true, true, false, false},
        {"Incasso provvisorio", true, true, false, false},
        {"INCASSO", false, true, false, false},
        {"incasso rata", false, true, false, false},
        {"Incassi", false, false, false, false},
        {"Rimessa", false, false, false, false},
        {" Incasso", false, false, false, false},
        {"Cassa entrate", false, false, true, false},
        {"C/C Postale entrate", false, false, true, false},
        {"Banca 4 entrate", false, false, true, false},
        {"Ricaricabile 3 entrate", false, false, true, false},
        {"Entrate compensate", false, false, true, false},
        {"Banca 1 uscite", false, false, false, false},
        {"Uscite compensate", false, false, false, false},
        {"Sospesi da clienti", false, false, false, true},
        {"Sospesi POS bancomat", false, false, false, true},
        {"Cassa", false, false, false, false},
        {"", false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.collection, isCollection(c.text)) << c.text;
        EXPECT_EQ(c.describesCollection, describesCollection(c.text)) << c.text;
        EXPECT_EQ(c.entry, isEntryAccount(c.text)) << c.text;
        EXPECT_EQ(c.suspended, isSuspendedAccount(c.text)) << c.text;
    }
}

TEST_F(BudgetFolder, CostsRevenuesAndCommissionsOfTwoYears)
{
    fill();
    const Budget b = budget(store::workspace(), quarter());
    EXPECT_EQ(2025, b.year);
    ASSERT_EQ(1u, b.costs.size());
    EXPECT_EQ("Spese generali", b.costs[0].name);
    ASSERT_EQ(1u, b.costs[0].lines.size()) << "suspended items are no cost";
    EXPECT_EQ("Affitto", b.costs[0].lines[0].item);
    EXPECT_EQ("1200.00 | 1500.00 | 300.00", row(b.costs[0].lines[0].figures));
    ASSERT_EQ(1u, b.revenues.size());
    ASSERT_EQ(1u, b.revenues[0].lines.size());
    EXPECT_EQ("Rimborsi", b.revenues[0].lines[0].item);
    EXPECT_EQ("0.00 | 100.00 | 100.00", row(b.revenues[0].lines[0].figures));
    EXPECT_EQ("4000.00 | 5000.00 | 1000.00", row(b.commissions));
    EXPECT_EQ("1200.00 | 1500.00 | 300.00", row(b.totalCosts));
    EXPECT_EQ("4000.00 | 5100.00 | 1100.00", row(b.totalRevenues));
    EXPECT_EQ("2800.00 | 3600.00 | 800.00", row(b.balance));
    // The scopes of the two quarters alone: 6 accounting and 4 company movements.
    EXPECT_EQ(10u, b.recordsRead);

    // "dal" after "al": nothing listed, every total zero.
    const Budget none = budget(store::workspace(), {d(2025, 3, 31), d(2025, 1, 1)});
    EXPECT_TRUE(none.costs.empty() && none.revenues.empty());
    EXPECT_EQ("0.00 | 0.00 | 0.00", row(none.balance));
    EXPECT_EQ(0u, none.recordsRead);

    EXPECT_EQ("", budgetCriteriaProblem(budgetDefaults(d(2025, 6, 1))));
    EXPECT_NE("", budgetCriteriaProblem({d(2024, 12, 1), d(2025, 1, 31)}));
}

TEST_F(BudgetFolder, PrintedBudgetAndItsPageBreaks)
{
    fill();
    PrintDocument doc = printBudget(store::workspace(), quarter(), false);
    EXPECT_EQ("Stampa budget", doc.name);
    ASSERT_EQ(1u, doc.pages.size());
    std::string page = dumpPage(doc, doc.pages[0]);
    const char* const texts[] = {"|STAMPA BUDGET|", "|BUDGET DAL 01/01/25 AL 31/03/25|", "|COSTI|", "|Spese generali|",
                                 "|2024|", "|DIFF.|", "|Affitto|", "|1.200,00|", "|1.500,00|", "|300,00|", "|RICAVI|",
                                 "|PROVVIGIONI ATTIVE (CORRISPETTIVI)|", "|4.000,00|", "|5.000,00|", "|Rimborsi|",
                                 "|TOTALE COSTI|", "|TOTALE RICAVI|", "|5.100,00|", "|1.100,00|",
                                 "|TOTALE GENERALE|", "|2.800,00|", "|3.600,00|", "|800,00|"};
    for (const char* text : texts) EXPECT_NE(std::string::npos, page.find(text)) << text << "\n" << page;
    EXPECT_EQ(std::string::npos, page.find("|Cancelleria|")) << page;
    EXPECT_LT(page.find("|COSTI|"), page.find("|Affitto|"));
    EXPECT_LT(page.find("|Affitto|"), page.find("|RICAVI|"));
    EXPECT_LT(page.find("|RICAVI|"), page.find("|Rimborsi|"));

    // A long category: it goes on past line 60 on a new page that repeats the title, the section
    // and the category's headings.
    for (int i = 0; i < 70; ++i) {
        const std::string name = "Voce " + std::to_string(100 + i);
        item(name, "Spese generali");
        movement("10/03/2025", "Cassa uscite", name, "10.00");
    }
    doc = printBudget(store::workspace(), quarter(), false);
    ASSERT_EQ(2u, doc.pages.size());
    page = dumpPage(doc, doc.pages[1]);
    for (const char* text : {"|STAMPA BUDGET|", "|BUDGET DAL 01/01/25 AL 31/03/25|", "|COSTI|", "|Spese generali|", "|PAG. 2|"})
        EXPECT_NE(std::string::npos, page.find(text)) << text << "\n" << page;
    EXPECT_LT(page.find("|Spese generali|"), page.find("|Voce 1"));
    for (const Page& p : doc.pages)
        for (const PageItem& i : p.items) EXPECT_LE(i.y, 63 * doc.geometry.lineHeight()) << i.text;
}

// The prima nota and the accounting summary on the demonstration folder: every printout is built
// and its figures read back from the pages.
#include <gtest/gtest.h>

#include <cstdlib>

#include "accounting/accountsummary.h"
#include "accounting/booksfolder.h"
#include "accounting/primanota.h"
#include "common/calendar.h"
#include "common/mask.h"
#include "common/text.h"
#include "store/workspace.h"
#include "support/tempdir.h"
#include "ui/qtapp.h"

using namespace arv;
using namespace arv::accounting;
using arv::test::documentLines;
using arv::test::hasLine;

namespace {

std::string money(const Decimal& d) { return trim(Mask("@E 99,999,999.99").formatNumber(d)); }

// A year's line as the statistics print it.
std::string printed(const StatisticsLine& l)
{
    std::string line = std::to_string(l.year);
    for (const Decimal& d : {l.income, l.incomeChange, l.expense, l.expenseChange, l.total, l.totalChange})
        line += " | " + money(d);
    return l.percent.empty() ? line : line + " | " + l.percent;
}

} // namespace

TEST(BooksDemo, EveryPrintoutOfTheDemoFolder)
{
    testApp();
    test::TempDir dir;
    const std::string folder = dir.path() + "/demo";
    ASSERT_EQ(std::system((std::string(ARV_BINARY_DIR) + "/tools/arv-demo " + folder + " > /dev/null").c_str()), 0);
    store::Workspace ws(folder);
    const Date today = Date::today();

    // The suspended cash returned on a later day.
    {
        store::Table& m = ws.open("MOVICOMP");
        for (m.goTop(); !m.eof(); m.skip(1))
            if (m.date("RIENTRO")) {
                EXPECT_EQ(m.text("CONTO"), "Cassa entrate");
                EXPECT_LT(m.date("DATA"), m.date("RIENTRO"));
            }
        ws.close("MOVICOMP");
    }

    // The full prima nota of the last month: a returned movement under the cash on its return day.
    PrimaNotaCriteria full;
    full.full = true;
    full.from = today.addDays(-30);
    full.to = today;
    const PrimaNota nota = primaNota(ws, full);
    ASSERT_EQ(nota.sections.size(), kFullPrimaNotaAccounts);
    const CompanyRow* back = nullptr;
    {
        store::Table& m = ws.open("MOVICOMP");
        for (const CompanyRow& r : nota.sections[0].company) {
            m.goTo(r.recno);
            if (m.date("RIENTRO")) back = &r;
            EXPECT_EQ(r.date, m.date("RIENTRO") ? m.date("RIENTRO") : m.date("DATA"));
        }
        ws.close("MOVICOMP");
    }
    ASSERT_NE(back, nullptr);
    std::vector<std::string> lines = documentLines(printPrimaNota(ws, full, false));
    EXPECT_EQ(lines.at(1), "PRIMA NOTA " + DAL_AL(full.from, full.to));
    EXPECT_TRUE(hasLine(lines, "SALDO TOTALE | " + money(nota.balance())));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind(back->date.toDisplay() + " | " + utf8Left(back->description, 6), 0) == 0;
    }));

    // One account, one description, their statistics.
    PrimaNotaCriteria bank;
    bank.account = "Banca 1";
    bank.from = today.addMonths(-3);
    bank.to = today;
    const PrimaNota bankNota = primaNota(ws, bank);
    EXPECT_FALSE(bankNota.sections[0].company.empty()); // the remittances
    EXPECT_FALSE(bankNota.sections[0].ledger.empty());
    lines = documentLines(printPrimaNota(ws, bank, false));
    EXPECT_TRUE(hasLine(lines, "SALDO TOTALE | " + money(bankNota.balance())));
    PrimaNotaCriteria rent;
    rent.description = "Affitto";
    EXPECT_EQ(primaNota(ws, rent).sections[0].ledger.size(), 36u); // one a month over three years
    const std::vector<StatisticsLine> years = primaNotaStatistics(ws, rent);
    ASSERT_GE(years.size(), 3u);
    EXPECT_EQ(years[1].expense, Decimal(12 * 1200));
    lines = documentLines(printPrimaNotaStatistics(ws, rent, false));
    EXPECT_EQ(lines.at(1), "AFFITTO");
    EXPECT_TRUE(hasLine(lines, printed(years[1])));

    // The summary of the last twelve months and its statistics.
    const AccountSummary s = accountSummary(ws, {today.addMonths(-12), today, true});
    EXPECT_GT(s.commissions, Decimal());
    EXPECT_GT(s.costTotal, Decimal());
    EXPECT_TRUE(std::any_of(s.costs.begin(), s.costs.end(), [](const SummaryGroup& g) { return g.key == "Affitto ufficio"; }));
    lines = documentLines(printAccountSummary(s, today.addMonths(-12), today, false));
    EXPECT_TRUE(hasLine(lines, "PROVVIGIONI | " + money(s.commissions)));
    EXPECT_TRUE(hasLine(lines, "TOTALE DI BILANCIO | " + money(s.balance())));
    const AccountSummary byDescription = accountSummary(ws, {today.addMonths(-12), today, false});
    EXPECT_EQ(byDescription.costTotal, s.costTotal);
    EXPECT_EQ(byDescription.revenueTotal, s.revenueTotal);
    const std::vector<StatisticsLine> summaryYears = summaryStatistics(ws, {}, {});
    ASSERT_FALSE(summaryYears.empty());
    EXPECT_EQ(summaryYears.back().year, today.year());
    lines = documentLines(printSummaryStatistics(ws, {}, {}, false));
    EXPECT_TRUE(hasLine(lines, printed(summaryYears.back())));
}

// The accounting summary: commissions earned up to each agreement's newest remittance, costs and
// revenues grouped by entry or by description, the printout and the yearly comparison.
#include <gtest/gtest.h>

#include "accounting/accountsummary.h"
#include "accounting/booksfolder.h"

using namespace arv;
using namespace arv::accounting;
using arv::store::workspace;
using arv::test::amount;
using arv::test::day;
using arv::test::documentLines;
using arv::test::hasLine;

namespace {

class Summary : public test::BooksFolder {};

} // namespace

TEST_F(Summary, CostsRevenuesAndBalance)
{
    // ALFA: the commissions of the movements before its newest remittance are earned.
    company({day(2025, 3, 1), "Cassa entrate", "500.00", "Incasso", {}, "ALFA", day(2025, 3, 5), "50.00"});
    company({day(2025, 3, 10), "Cassa entrate", "300.00", "Incasso", {}, "ALFA", day(2025, 3, 15), "30.00"});
    company({day(2025, 3, 31), "Banca 1 uscite", "720.00", " Rimessa", {}, "ALFA", day(2025, 4, 2), "0"});
    company({day(2025, 4, 5), "Cassa entrate", "400.00", "Incasso", {}, "ALFA", day(2025, 4, 6), "40.00"});
    // BETA has no remittance; a movement without a fee date or outside the period counts for no one.
    company({day(2025, 3, 2), "Cassa entrate", "100.00", "Incasso", {}, "BETA", day(2025, 3, 3), "10.00"});
    company({day(2025, 2, 1), "Cassa entrate", "100.00", "Incasso", {}, "ALFA", {}, "11.00"});
    company({day(2025, 1, 1), "Cassa entrate", "100.00", "Incasso", {}, "ALFA", day(2025, 1, 2), "12.00"});
    EXPECT_EQ(earnedCommissions(workspace(), day(2025, 3, 1), day(2025, 4, 30)), amount("80.00"));
    EXPECT_EQ(earnedCommissions(workspace(), day(2025, 3, 1), day(2025, 3, 31)), amount("0")); // no remittance
    EXPECT_EQ(earnedCommissions(workspace(), {}, {}), amount("92.00"));

    ledger(day(2025, 3, 3), "Banca 1 uscite", "800.00", "Affitto", "Pagamento fattura");
    ledger(day(2025, 3, 4), "Cassa entrate", "100.00", "Affitto", "Rimborso");
    ledger(day(2025, 3, 5), "Cassa uscite", "50.00", "Cancelleria", "Spesa di cassa");
    ledger(day(2025, 3, 6), "Sospesi vers. contanti", "200.00", "Varie", "Versamento");
    ledger(day(2025, 3, 7), "Cassa uscite", "999.00", "Varie", "Spesa di cassa", false);
    ledger(day(2025, 5, 7), "Cassa uscite", "1.00", "Varie", "Spesa di cassa"); // after "al"

    const Date from = day(2025, 3, 1), to = day(2025, 4, 30);
    const AccountSummary byEntry = accountSummary(workspace(), {from, to, true});
    ASSERT_EQ(byEntry.costs.size(), 2u);
    EXPECT_EQ(byEntry.costs[0].key, "Affitto");
    EXPECT_EQ(byEntry.costs[1].key, "Cancelleria");
    EXPECT_EQ(byEntry.costTotal, amount("850.00"));
    EXPECT_EQ(byEntry.revenueTotal, amount("180.00"));
    EXPECT_EQ(byEntry.balance(), amount("-670.00"));

    const std::vector<std::string> lines = documentLines(printAccountSummary(byEntry, from, to, false));
    EXPECT_EQ(lines.at(0), "RIEPILOGO SITUAZIONE CONTABILE DAL 01/03/25 AL 30/04/25");
    const std::vector<std::string> expected = {"COSTI, SPESE E PERDITE", "DESCRIZIONE | IMPORTO", "Affitto | 800,00",
                                               "Cancelleria | 50,00", "TOTALE | 850,00", "RICAVI",
                                               "DESCRIZIONE | IMPORTO", "PROVVIGIONI | 80,00", "Affitto | 100,00",
                                               "TOTALE | 180,00", "TOTALE USCITE | 850,00",
                                               "TOTALE ENTRATE | 180,00", "TOTALE DI BILANCIO | -670,00"};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);

    // By description: other rows, the same totals.
    const AccountSummary byDescription = accountSummary(workspace(), {from, to, false});
    ASSERT_EQ(byDescription.costs.size(), 2u);
    EXPECT_EQ(byDescription.costs[0].key, "Pagamento fattura");
    EXPECT_EQ(byDescription.costs[1].key, "Spesa di cassa");
    ASSERT_EQ(byDescription.revenues.size(), 1u);
    EXPECT_EQ(byDescription.revenues[0].key, "Rimborso");
    EXPECT_EQ(byDescription.costTotal, byEntry.costTotal);
    EXPECT_EQ(byDescription.revenueTotal, byEntry.revenueTotal);

    // A group whose costs come to zero or less is not printed but enters the total.
    ledger(day(2025, 3, 8), "Cassa uscite", "-30.00", "Rimborsi", "Storno");
    const AccountSummary withRefund = accountSummary(workspace(), {from, to, true});
    EXPECT_EQ(withRefund.costs.size(), 2u);
    EXPECT_EQ(withRefund.costTotal, amount("820.00"));
}

TEST_F(Summary, StatisticsOfCommissionsAgainstCosts)
{
    EXPECT_TRUE(summaryStatistics(workspace(), {}, {}).empty());
    const std::vector<std::string> empty = documentLines(printSummaryStatistics(workspace(), {}, {}, false));
    ASSERT_EQ(empty.size(), 2u); // the page header and the column heads
    EXPECT_EQ(empty[0].substr(0, 32), "STATISTICHE SITUAZIONE CONTABILE");

    company({day(2023, 6, 1), "Cassa entrate", "900.00", "Incasso", {}, "ALFA", {}, "100.00"});
    company({day(2024, 6, 1), "Cassa entrate", "900.00", "Incasso", {}, "ALFA", {}, "150.00"});
    company({day(2024, 12, 1), "Cassa entrate", "900.00", "Incasso", {}, "ALFA", {}, "1000.00"}); // out of the window
    ledger(day(2024, 6, 2), "Banca 1 uscite", "40.00");
    ledger(day(2024, 6, 3), "Sospesi da clienti", "500.00"); // neither
    ledger(day(2024, 6, 4), "Cassa uscite", "70.00", "Varie", "Spesa", false);
    ledger(day(2025, 6, 4), "Cassa entrate", "70.00"); // income: not a cost
    const std::vector<StatisticsLine> lines = summaryStatistics(workspace(), day(2020, 5, 1), day(2020, 7, 31));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].year, 2023);
    EXPECT_EQ(lines[0].total, amount("100.00"));
    EXPECT_EQ(lines[1].year, 2024);
    EXPECT_EQ(lines[1].income, amount("150.00"));
    EXPECT_EQ(lines[1].expense, amount("40.00"));
    EXPECT_EQ(lines[1].totalChange, amount("10.00"));
    EXPECT_EQ(lines[1].percent, "10%");
    const std::vector<std::string> printed =
        documentLines(printSummaryStatistics(workspace(), day(2020, 5, 1), day(2020, 7, 31), false));
    EXPECT_EQ(printed.at(1), "Dal 01/05/20 al 31/07/20");
    EXPECT_TRUE(hasLine(printed, "2024 | 150,00 | 50,00 | 40,00 | 40,00 | 110,00 | 10,00 | 10%"));
}

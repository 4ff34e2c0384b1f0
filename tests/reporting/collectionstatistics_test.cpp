// "Statistiche incassi": the month figures of the two years, per agreement, the percentage of the
// totals, and the table read back from its page.
#include <gtest/gtest.h>

#include "common/pagemodel.h"
#include "policies/policyfolder.h"
#include "reporting/collectionstatistics.h"

using namespace arv;
using namespace arv::reporting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }

class CollectionStats : public test::PolicyFolderTest {
protected:
    void movement(const std::string& date, const std::string& amount, const std::string& agreement = "AURORA",
                  const std::string& branch = "AUTO", const std::string& description = "Incasso")
    {
        add("MOVICOMP", {{"DATA", date},
                         {"IMPORTO", amount},
                         {"PROVVAGEN", "1.00"},
                         {"RAPPORTO", agreement},
                         {"RAMO", branch},
                         {"DESCRIZIO", description}});
    }
    CollectionCriteria quarter() const
    {
        CollectionCriteria c;
        c.from = d(2025, 1, 1);
        c.to = d(2025, 3, 31);
        return c;
    }
};

// "month: sum/count" of the first months of a year's figures.
std::string months(const MonthFigures& f, size_t n = 3)
{
    std::string out;
    for (size_t m = 0; m < n; ++m) out += (m ? " " : "") + f.sums[m].toString(0) + "/" + std::to_string(f.counts[m]);
    return out;
}

} // namespace

TEST(CollectionFigures, PeriodsAndTotalChange)
{
    const YearPeriods leap = yearPeriods(d(2024, 2, 1), d(2024, 2, 29));
    EXPECT_EQ(d(2024, 2, 29), leap.to) << "this year's bound stays on 29 February";
    EXPECT_EQ(d(2023, 2, 28), leap.previousTo);
    EXPECT_EQ(d(2023, 2, 1), leap.previousFrom);

    struct Case {
        const char *current, *previous, *shown;
    };
    for (const Case& c : {Case{"900", "600", "50"}, Case{"600", "900", "-33"}, Case{"100", "0", "0"},
                          Case{"0", "0", "0"}, Case{"1000", "999", "0"}})
        EXPECT_EQ(c.shown, totalChange(*Decimal::parse(c.current), *Decimal::parse(c.previous)))
            << c.current << " against " << c.previous;

    CollectionCriteria c = collectionDefaults(d(2025, 6, 15));
    EXPECT_EQ(d(2025, 1, 1), c.from);
    EXPECT_EQ(d(2025, 6, 15), c.to);
    EXPECT_EQ("", collectionCriteriaProblem(c));
    c.from = d(2024, 12, 1);
    EXPECT_EQ(kMsgPeriodInOneYear, collectionCriteriaProblem(c));
}

TEST_F(CollectionStats, MonthsOfTwoYearsAllTogetherAndPerAgreement)
{
    movement("10/01/2025", "300.00");
    movement("20/01/2025", "200.00", "TIRRENA");
    movement("05/02/2025", "400.00");
    movement("15/01/2024", "450.00");
    movement("03/03/2024", "100.00", "TIRRENA");
    movement("30/03/2024", "50.00", "TIRRENA", "AUTO", "INCASSO DIRETTO");
    // Outside the periods, of no collection, of another branch: never counted.
    movement("01/04/2025", "999.00");
    movement("31/12/2024", "999.00");
    movement("12/02/2025", "999.00", "AURORA", "AUTO", "Rimessa");
    movement("12/02/2025", "999.00", "AURORA", "VITA");

    CollectionCriteria c = quarter();
    c.branch = "auto";
    CollectionStatistics all = collectionStatistics(store::workspace(), c);
    ASSERT_EQ(1u, all.tables.size());
    EXPECT_EQ(2025, all.year);
    EXPECT_EQ("500/2 400/1 0/0", months(all.tables[0].current));
    EXPECT_EQ("450/1 0/0 150/2", months(all.tables[0].previous));
    EXPECT_EQ("900", all.tables[0].current.total().toString(0));
    EXPECT_EQ(3, all.tables[0].current.count());
    EXPECT_EQ("600", all.tables[0].previous.total().toString(0));
    EXPECT_EQ("0/0 0/0 0/0", months(all.tables[0].current, 12).substr(months(all.tables[0].current, 9).size() + 1))
        << "months outside the period";
    // Two scopes of one year each: the movements of other dates are not read.
    EXPECT_EQ(8u, all.recordsRead);

    c.perAgreement = true;
    CollectionStatistics per = collectionStatistics(store::workspace(), c);
    ASSERT_EQ(2u, per.tables.size());
    EXPECT_EQ("AURORA", per.tables[0].agreement);
    EXPECT_EQ("300/1 400/1 0/0", months(per.tables[0].current));
    EXPECT_EQ("450/1 0/0 0/0", months(per.tables[0].previous));
    EXPECT_EQ("TIRRENA", per.tables[1].agreement);
    EXPECT_EQ("200/1 0/0 0/0", months(per.tables[1].current));
    EXPECT_EQ("0/0 0/0 150/2", months(per.tables[1].previous));

    c.agreement = "tirrena";
    c.commissions = true;
    per = collectionStatistics(store::workspace(), c);
    ASSERT_EQ(1u, per.tables.size()) << "an agreement chosen: one table";
    EXPECT_EQ("1/1 0/0 0/0", months(per.tables[0].current));
    EXPECT_EQ("0/0 0/0 2/2", months(per.tables[0].previous));

    // 29 February of a leap year counts; the year before ends on 28 February.
    movement("29/02/2024", "70.00");
    movement("28/02/2023", "30.00");
    CollectionCriteria leap;
    leap.from = d(2024, 2, 1);
    leap.to = d(2024, 2, 29);
    const CollectionStatistics feb = collectionStatistics(store::workspace(), leap);
    EXPECT_EQ("70", feb.tables[0].current.sums[1].toString(0));
    EXPECT_EQ("30", feb.tables[0].previous.sums[1].toString(0));
}

TEST_F(CollectionStats, PrintedTable)
{
    movement("10/01/2025", "300.00");
    movement("20/01/2025", "200.00");
    movement("05/02/2025", "400.00");
    movement("15/01/2024", "450.00");
    movement("03/03/2024", "100.00");
    movement("30/03/2024", "50.00");
    const PrintDocument doc = printCollectionStatistics(store::workspace(), quarter(), false);
    EXPECT_EQ("Statistiche incassi", doc.name);
    ASSERT_EQ(1u, doc.pages.size());
    EXPECT_TRUE(doc.geometry.landscape());
    const std::string page = dumpPage(doc, doc.pages[0]);
    for (const char* text :
         {"|STATISTICHE INCASSI|", "|CONFRONTO RISPETTO STESSO PERIODO ANNO PRECEDENTE|", "|TUTTI I RAMI|",
          "|TUTTI I RAPPORTI|", "|Dal 01/01/25 al 31/03/25|", "|Gennaio|", "|Dicembre|", "|500,00|", "|-150,00|",
          "|-2|", "|900,00|", "|600,00|", "|300,00|", "|50|", "|DIFF.|", "|TOTALE|", "|2024|"})
        EXPECT_NE(std::string::npos, page.find(text)) << text << "\n" << page;

    CollectionCriteria c = quarter();
    c.commissions = c.perAgreement = true;
    EXPECT_EQ("Statistiche provvigioni per rapporto", printCollectionStatistics(store::workspace(), c, false).name);
}

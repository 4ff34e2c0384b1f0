// "Rinnovi portafoglio": the windows of a run, the counterpart found for each collection of last
// year, and the printout read back.
#include <gtest/gtest.h>

#include "common/pagemodel.h"
#include "policies/policyfolder.h"
#include "policies/portfoliorenewals.h"

using namespace arv;
using namespace arv::policies;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }

class PortfolioRenewals : public test::PolicyFolderTest {
protected:
    void collection(const std::string& number, const std::string& date, const std::string& due, const std::string& amount,
                    const std::string& description = "Incasso", const std::string& branch = "AUTO")
    {
        add("MOVICOMP", {{"POLIZZA", number},     {"DATA", date},        {"SCADENZA", due},
                         {"IMPORTO", amount},     {"PROVVAGEN", "10.00"}, {"DESCRIZIO", description},
                         {"COMPAGNIA", "AURORA"}, {"RAPPORTO", "AURORA"}, {"RAMO", branch},
                         {"PRODUTTORE", "ROSSI"}, {"ASSICURATO", "BIANCHI GIULIA"}});
    }
    RenewalComparison compare(Date from, Date to, const std::string& branch = "")
    {
        return comparePortfolio(store::workspace(), {from, to, "", branch, ""});
    }
};

// Each row of a comparison as "last date > this date amount" ("-" when not renewed).
std::vector<std::string> pairs(const RenewalComparison& c)
{
    std::vector<std::string> out;
    for (const RenewalRow& r : c.rows)
        out.push_back(r.number + " " + r.lastDate.toDisplay() + " > " +
                      (r.renewed() ? r.date.toDisplay() + " " + r.amount.toString(2) : std::string("-")));
    return out;
}

} // namespace

TEST(PortfolioRenewalWindows, ThisYearWithItsMarginAndLastYearWithout)
{
    struct Case {
        Date from, to;
        RenewalWindows w;
        const char* what;
    };
    const Case cases[] = {
        {d(2025, 3, 1), d(2025, 3, 31), {d(2025, 1, 30), d(2025, 4, 30), d(2024, 3, 1), d(2024, 3, 31)}, "March"},
        {d(2024, 2, 29), d(2024, 3, 31), {d(2024, 1, 30), d(2024, 4, 30), d(2023, 2, 28), d(2023, 3, 31)},
         "29 February one year back"},
        {d(2025, 12, 1), d(2026, 1, 31), {d(2025, 11, 1), d(2025, 3, 2), d(2024, 12, 1), d(2024, 1, 31)},
         "al moved into the year of dal"},
        {d(2025, 2, 1), d(2024, 2, 29), {d(2025, 1, 2), d(2025, 3, 30), d(2024, 2, 1), d(2024, 2, 28)},
         "29 February moved into a common year"},
    };
    for (const Case& c : cases) {
        const RenewalWindows w = renewalWindows(c.from, c.to);
        EXPECT_EQ(c.w.thisFrom, w.thisFrom) << c.what;
        EXPECT_EQ(c.w.thisTo, w.thisTo) << c.what;
        EXPECT_EQ(c.w.lastFrom, w.lastFrom) << c.what;
        EXPECT_EQ(c.w.lastTo, w.lastTo) << c.what;
    }
}

TEST_F(PortfolioRenewals, CounterpartsOfLastYearsCollections)
{
    // Collected on 10 March last year, again inside the margin this year (5 and 15 April).
    collection("A-1", "10/03/2024", "10/03/2024", "300.00");
    collection("A-1", "05/04/2025", "10/03/2025", "320.00");
    collection("B-2", "10/03/2024", "10/03/2024", "200.00");
    collection("B-2", "15/04/2025", "10/03/2025", "210.00");
    // A monthly policy: its instalment of March finds this year's instalment due in March.
    collection("M-3", "01/03/2024", "01/03/2024", "45.00");
    collection("M-3", "01/04/2024", "01/04/2024", "45.00");
    collection("M-3", "01/02/2025", "01/02/2025", "50.00");
    collection("M-3", "01/03/2025", "01/03/2025", "55.00");
    collection("M-3", "01/04/2025", "01/04/2025", "55.00");
    // Replaced since: the replacing policy paid this year.
    add("POLIZZE", {{"CODICE", "1"}, {"POLIZZA", "R-4"}, {"SOSTDA", "R-4/S"}, {"DISDETTA", "T"}});
    add("POLIZZE", {{"CODICE", "2"}, {"POLIZZA", "R-4/S"}, {"SOSTPOL", "R-4"}});
    collection("R-4", "20/03/2024", "20/03/2024", "400.00");
    collection("R-4/S", "18/03/2025", "20/03/2025", "420.00");
    // Not renewed, and a refund that is no collection in either year.
    collection("N-5", "25/03/2024", "25/03/2024", "150.00");
    collection("F-6", "12/03/2024", "12/03/2024", "90.00", "Rimborso");
    collection("F-6", "12/03/2025", "12/03/2025", "90.00", "Rimborso");
    // "INCASSO DIRETTO" counts; a collection of another branch is left out by the branch chosen.
    collection("D-7", "28/03/2024", "28/03/2024", "80.00", "INCASSO DIRETTO");
    collection("D-7", "28/03/2025", "28/03/2025", "85.00", "Incasso diretto");
    collection("V-8", "15/03/2024", "15/03/2024", "500.00", "Incasso", "VITA");

    const RenewalComparison march = compare(d(2025, 3, 1), d(2025, 3, 31), "auto");
    EXPECT_EQ((std::vector<std::string>{"M-3 01/03/24 > 01/03/25 55.00", "A-1 10/03/24 > 05/04/25 320.00",
                                        "B-2 10/03/24 > 15/04/25 210.00", "R-4 20/03/24 > 18/03/25 420.00",
                                        "N-5 25/03/24 > -", "D-7 28/03/24 > 28/03/25 85.00"}),
              pairs(march));
    EXPECT_EQ("R-4/S", march.rows[3].paidAs);
    EXPECT_EQ(d(2025, 3, 20), march.rows[3].due);

    // Over March and April each instalment of last year takes its own.
    const RenewalComparison spring = compare(d(2025, 3, 1), d(2025, 4, 30), "AUTO");
    std::vector<std::string> monthly;
    for (const std::string& p : pairs(spring))
        if (p.rfind("M-3", 0) == 0) monthly.push_back(p);
    EXPECT_EQ((std::vector<std::string>{"M-3 01/03/24 > 01/03/25 55.00", "M-3 01/04/24 > 01/04/25 55.00"}), monthly);

    // Without a due date to match, the nearest date of this year answers, once.
    add("MOVICOMP", {{"POLIZZA", "Z-9"}, {"DATA", "05/03/2024"}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "10.00"}});
    add("MOVICOMP", {{"POLIZZA", "Z-9"}, {"DATA", "06/03/2024"}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "10.00"}});
    add("MOVICOMP", {{"POLIZZA", "Z-9"}, {"DATA", "20/02/2025"}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "11.00"}});
    add("MOVICOMP", {{"POLIZZA", "Z-9"}, {"DATA", "04/03/2025"}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "12.00"}});
    std::vector<std::string> undated;
    for (const std::string& p : pairs(compare(d(2025, 3, 1), d(2025, 3, 31))))
        if (p.rfind("Z-9", 0) == 0) undated.push_back(p);
    EXPECT_EQ((std::vector<std::string>{"Z-9 05/03/24 > 04/03/25 12.00", "Z-9 06/03/24 > 20/02/25 11.00"}), undated);
}

TEST_F(PortfolioRenewals, PrintedComparisonWithItsTotals)
{
    collection("A-1", "10/03/2024", "10/03/2024", "300.00");
    collection("A-1", "05/04/2025", "10/03/2025", "1320.00");
    collection("N-5", "25/03/2024", "25/03/2024", "150.00");
    // Outside both windows: read by no scope.
    for (int m : {6, 7, 8}) collection("O-" + std::to_string(m), "10/0" + std::to_string(m) + "/2024", "", "10.00");

    const RenewalComparison c = compare(d(2025, 3, 1), d(2025, 3, 31));
    EXPECT_EQ(3u, c.recordsRead);
    const PrintDocument doc = printPortfolioRenewals(store::workspace(), {d(2025, 3, 1), d(2025, 3, 31), "", "", ""}, false);
    ASSERT_EQ(1u, doc.pages.size());
    const std::string page = dumpPage(doc, doc.pages[0]);
    EXPECT_EQ("Stampa rinnovi portafoglio", doc.name);
    EXPECT_TRUE(doc.geometry.landscape());
    for (const char* text : {"|STAMPA RINNOVI PORTAFOGLIO|", "|DAL 01/03/25 AL 31/03/25|", "|PR.AGEN.|", "|05/04/25|",
                             "|10/03/25|", "|1,320.00|", "|TOTALE|"})
        EXPECT_NE(std::string::npos, page.find(text)) << text << "\n" << page;
    // The policy not renewed shows no amounts: its commission neither, so "10.00" is A-1's and the total's.
    size_t commissions = 0;
    for (size_t at = page.find("|10.00|"); at != std::string::npos; at = page.find("|10.00|", at + 1)) ++commissions;
    EXPECT_EQ(2u, commissions) << page;
}

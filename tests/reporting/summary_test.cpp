// "Riepilogo statistiche": the figures of its sections, the document read back, and a section that
// fails ending alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/pagemodel.h"
#include "policies/policyfolder.h"
#include "reporting/summary.h"

using namespace arv;
using namespace arv::reporting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }

class Summary : public test::PolicyFolderTest {
protected:
    void policy(const std::string& code, const std::string& premium, const std::string& frequency, Values more = {})
    {
        more["CODICE"] = code;
        more["POLIZZA"] = "P-" + code;
        more["IMPORTO"] = premium;
        more["FRAZIONAM"] = frequency;
        add("POLIZZE", more);
    }
    void movement(const std::string& date, const std::string& branch, const std::string& amount,
                  const std::string& description = "Incasso", Values more = {})
    {
        more["DATA"] = date;
        more["RAMO"] = branch;
        more["IMPORTO"] = amount;
        more["DESCRIZIO"] = description;
        add("MOVICOMP", more);
    }
    void fill()
    {
        policy("1", "50.00", "MENSILE");
        policy("2", "1000.00", "PREMIO UNICO", {{"EFFETTO", "15/02/2025"}});
        policy("3", "300.00", "SEMESTRALE", {{"EFFETTO", "01/03/2025"}});
        policy("4", "999.00", "ANNUALE", {{"SOSTDA", "P-5"}, {"EFFETTO", "10/01/2025"}});
        policy("5", "400.00", "ANNUALE", {{"SOSTPOL", "P-4"}, {"EFFETTO", "10/01/2025"}});
        policy("6", "999.00", "ANNUALE", {{"DISDETTA", "T"}});
        policy("7", "200.00", "ANNUALE", {{"PROVENIEN", "ALTRA AGENZIA"}, {"EFFETTO", "20/01/2025"}});
        // Collections by branch: 10,000 against 8,000; 2,000 against nothing; nothing against 500.
        movement("10/02/2025", "AUTO", "6000.00", "Incasso", {{"PRODUTTORE", "ROSSI"}, {"PROVVAGEN", "600.00"},
                                                              {"PROVVPROD", "200.00"}});
        movement("11/02/2025", "AUTO", "4000.00", "Incasso diretto", {{"PROVVAGEN", "400.00"}});
        movement("12/02/2024", "AUTO", "8000.00");
        movement("13/02/2025", "INCENDIO", "2000.00", "Incasso provvisorio",
                 {{"PRODUTTORE", "BIANCHI"}, {"PROVVAGEN", "100.00"}, {"PROVVPROD", "40.00"}});
        movement("14/02/2024", "VITA", "500.00");
        // No collection (exactly one of the three), or outside the periods.
        movement("15/02/2025", "AUTO", "777.00", "INCASSO");
        movement("16/02/2025", "AUTO", "777.00", "Rimessa", {{"PRODUTTORE", "ROSSI"}, {"PROVVAGEN", "-5.00"}});
        movement("05/04/2025", "AUTO", "777.00");
        movement("05/01/2025", "AUTO", "0.00", "Varie", {{"PRODUTTORE", "VERDI"}, {"PROVVAGEN", "9.00"}});
    }
    SummaryCriteria period() const { return {d(2025, 2, 1), d(2025, 3, 31)}; }
};

std::string figures(const PortfolioFigures& f) { return f.total.toString(2) + " / " + f.singlePremiums.toString(2); }

} // namespace

TEST(SummaryFigures, ChangeOfABranch)
{
    struct Case {
        const char *current, *previous, *shown;
    };
    for (const Case& c : {Case{"10000", "8000", "25%"}, Case{"2000", "0", ""}, Case{"0", "500", ""},
                          Case{"6000", "8000", "-25%"}, Case{"1001", "1000", ""}})
        EXPECT_EQ(c.shown, branchChange(*Decimal::parse(c.current), *Decimal::parse(c.previous)))
            << c.current << " against " << c.previous;
}

TEST_F(Summary, FiguresOfTheSections)
{
    fill();
    store::Workspace& ws = store::workspace();
    uint64_t read = 0;
    // 50 a month is 600 a year; a single premium counts once; replaced and cancelled policies are out.
    EXPECT_EQ("2800.00 / 1000.00", figures(portfolioTotal(ws, &read)));
    EXPECT_EQ(7u, read);
    EXPECT_EQ("1600.00 / 1000.00", figures(newContracts(ws, d(2025, 2, 1), d(2025, 3, 31))));
    EXPECT_EQ("12000.00", premiumsCollected(ws, d(2025, 2, 1), d(2025, 3, 31)).toString(2));
    read = 0;
    EXPECT_EQ("8500.00", premiumsCollected(ws, d(2024, 2, 1), d(2024, 3, 31), &read).toString(2));
    EXPECT_EQ(2u, read) << "the scope of the period alone";

    const std::vector<BranchCollections> branches = collectionsByBranch(ws, d(2025, 2, 1), d(2025, 3, 31));
    ASSERT_EQ(3u, branches.size());
    EXPECT_EQ("AUTO 10000.00 8000.00", branches[0].branch + " " + branches[0].current.toString(2) + " " +
                                           branches[0].previous.toString(2));
    EXPECT_EQ("INCENDIO", branches[1].branch);
    EXPECT_EQ("VITA", branches[2].branch);

    const std::vector<ProducerProductivity> producers = producerProductivity(ws, d(2025, 1, 1), d(2025, 3, 31));
    std::vector<std::string> shown;
    for (const ProducerProductivity& p : producers)
        shown.push_back(p.producer + " " + p.agency.toString(2) + " " + p.producerShare.toString(2) + " " +
                        p.productivity().toString(2));
    EXPECT_EQ((std::vector<std::string>{" 400.00 0.00 400.00", "BIANCHI 100.00 40.00 60.00", "ROSSI 595.00 200.00 395.00"}),
              shown)
        << "a movement without premium nor producer's commission is left out";
}

TEST_F(Summary, DocumentAndAFailingSection)
{
    fill();
    std::vector<std::string> failures;
    auto failed = [&failures](const std::string& m) { failures.push_back(m); };
    PrintDocument doc = printSummary(store::workspace(), period(), false, failed);
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ("Riepilogo statistiche", doc.name);
    std::string text;
    for (const Page& p : doc.pages) text += dumpPage(doc, p);
    for (const char* t : {"|RIEPILOGO STATISTICHE|", "|TOTALE PORTAFOGLIO|", "|2.800,00|", "|DI CUI PREMI UNICI|",
                          "|TOTALE PORTAFOGLIO INCASSATO DAL 01/02/25 AL 31/03/25|", "|12.000,00|",
                          "|TOTALE PORTAFOGLIO INCASSATO DAL 01/02/24 AL 31/03/24|", "|8.500,00|",
                          "|CONTRATTI NUOVI DAL 01/02/25 AL 31/03/25|", "|1.600,00|",
                          "|PRODUTTIVITA' PRODUTTORI DAL 01/01/25 AL 31/03/25|", "|PROVV.AGENZIA|", "|395,00|",
                          "|REPORT INCASSI PER RAMO DAL 01/02/25 AL 31/03/25|", "|PERCENTUALE|", "|25%|", "|2025|",
                          "|2024|"})
        EXPECT_NE(std::string::npos, text.find(t)) << t << "\n" << text;
    EXPECT_EQ(text.find("%|"), text.rfind("%|")) << "one branch alone has a percentage\n" << text;

    // The policies cannot be read: their two sections end, the others print, no table stays open.
    store::workspace().closeAll();
    std::filesystem::resize_file(std::filesystem::path(dir.path()) / "POLIZZE.DBF", 10);
    const std::string alias = store::workspace().newAlias();
    doc = printSummary(store::workspace(), period(), false, failed);
    EXPECT_EQ(alias, store::workspace().newAlias());
    ASSERT_EQ(2u, failures.size());
    EXPECT_NE(std::string::npos, failures[0].find("TOTALE PORTAFOGLIO")) << failures[0];
    EXPECT_NE(std::string::npos, failures[1].find("CONTRATTI NUOVI")) << failures[1];
    text.clear();
    for (const Page& p : doc.pages) text += dumpPage(doc, p);
    EXPECT_EQ(std::string::npos, text.find("|CONTRATTI NUOVI")) << text;
    for (const char* t : {"|12.000,00|", "|PRODUTTIVITA' PRODUTTORI DAL 01/01/25 AL 31/03/25|", "|25%|"})
        EXPECT_NE(std::string::npos, text.find(t)) << t << "\n" << text;
}

TEST_F(Summary, YearOverYearSectionsFromTheFirstOfJanuary)
{
    // Commissions registered in both years, each agreement's older than its newest remittance.
    for (const char* year : {"2024", "2025"}) {
        const std::string y = year;
        movement("10/02/" + y, "AUTO", "1000.00", "Incasso",
                 {{"RAPPORTO", "AURORA"}, {"CORRISP", "15/02/" + y}, {"PROVVAGEN", y == "2024" ? "100.00" : "300.00"},
                  {"PRODUTTORE", "ROSSI"}, {"CHIUSURA", "28/02/" + y}, {"PROVVPROD", y == "2024" ? "40.00" : "50.00"}});
        movement("05/03/" + y, "", "900.00", "Rimessa", {{"RAPPORTO", "AURORA"}, {"CORRISP", "05/03/" + y}});
    }
    std::vector<std::string> failures;
    const PrintDocument doc =
        printSummary(store::workspace(), {d(2025, 1, 1), d(2025, 3, 31)}, false, [&](const std::string& m) { failures.push_back(m); });
    EXPECT_TRUE(failures.empty());
    // Each item as "text" in page order, without its place.
    std::vector<std::string> items;
    for (const Page& p : doc.pages)
        for (const PageItem& i : p.items) items.push_back(i.text);
    const std::string title = "STATISTICHE RAPPORTI DAL 01/01/25 AL 31/03/25";
    const auto first = std::find(items.begin(), items.end(), title);
    ASSERT_NE(items.end(), first);
    const auto second = std::find(first + 1, items.end(), title);
    ASSERT_NE(items.end(), second) << "the section from 1 January is the same period";
    const std::vector<std::string> one(first, second), two(second, second + (second - first));
    EXPECT_EQ(one, two);
    for (const char* t : {"2024", "100,00", "2025", "300,00", "200,00", "200%"})
        EXPECT_NE(one.end(), std::find(one.begin(), one.end(), t)) << t;
    const auto producers = std::find(items.begin(), items.end(), "STATISTICHE PRODUTTORI DAL 01/01/25 AL 31/03/25");
    ASSERT_NE(items.end(), producers);
    for (const char* t : {"40,00", "50,00", "10,00", "25%"})
        EXPECT_NE(items.end(), std::find(producers, items.end(), t)) << t;
}

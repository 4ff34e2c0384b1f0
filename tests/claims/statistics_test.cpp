// The claims statistics: the figures of "Reporting", "Rapporto S/P" and "Riepilogo", and their
// pages read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "claims/statistics.h"
#include "common/pagemodel.h"
#include "claims/claimsfolder.h"

using namespace arv;
using namespace arv::store;
using namespace arv::claims;

namespace {

Date d(int y, int m, int day) { return test::ymd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }
std::string text(const PrintDocument& doc) { return test::pageText(doc); }

class Statistics : public test::ClaimsFolder {
protected:
    void company(const std::string& name)
    {
        add("COMPAGN", [&](Table& t) { t.setText("COMPAGNIA", name); });
    }
    void policy(int code, const std::string& number, const std::string& insured, const std::string& company,
                const std::string& branch, const std::string& producer = "ROSSI")
    {
        addPolicy(code, number, [&](Table& t) {
            t.setText("ASSICURATO", insured);
            t.setText("COMPAGNIA", company);
            t.setText("RAMO", branch);
            t.setText("PRODUTTORE", producer);
        });
    }
    void claim(int code, const std::string& number, const std::string& company, Date opened,
               const char* amount = "0", bool noReport = false)
    {
        add("SINISTRI", [&](Table& t) {
            t.setRaw("CODPOL", std::string(9, ' ') + std::to_string(code));
            t.setText("POLIZZA", number);
            t.setText("COMPAGNIA", company);
            t.setDate("APERTURA", opened);
            t.setDate("DATA", opened);
            t.setText("ANNO", std::to_string(opened.year()));
            t.setNumber("IMPORTO", dec(amount));
            t.setLogical("NOREPORT", noReport);
            t.setText("TIPO", "TAMPONAMENTO");
        });
    }
    void premium(const std::string& company, const std::string& branch, Date date, const char* amount,
                 const char* description = "Incasso", const std::string& producer = "ROSSI")
    {
        add("MOVICOMP", [&](Table& t) {
            t.setText("COMPAGNIA", company);
            t.setText("RAMO", branch);
            t.setText("PRODUTTORE", producer);
            t.setText("DESCRIZIO", description);
            t.setDate("DATA", date);
            t.setNumber("IMPORTO", dec(amount));
        });
    }
};

} // namespace

TEST(ClaimFigures, ChangesAndLossRatio)
{
    struct Change {
        const char *p0, *pk;
        int n0, nk;
        const char* shown;
    };
    const Change changes[] = {
        {"20000", "16000", 12, 8, "20%"},
        {"20000", "12500", 12, 5, "50%"},
        {"20000", "16000", 12, 0, ""}, // N1 = 0
        {"0", "16000", 12, 8, ""},     // no premium in the reference year
        {"20000", "16000", 0, 8, ""},  // -100 % is left blank
        {"20000", "30000", 10, 20, "-25%"},
    };
    for (const Change& c : changes)
        EXPECT_EQ(changeText(claimChange(dec(c.p0), dec(c.pk), c.n0, c.nk)), c.shown) << c.p0 << " " << c.nk;

    const LossRatio r = lossRatio(dec("10000.00"), dec("3000.00"));
    EXPECT_EQ(r.net, dec("5000"));
    EXPECT_EQ(r.margin, dec("2000"));
    EXPECT_EQ(r.percent, dec("60"));
    EXPECT_EQ(lossRatio(dec("0"), dec("3000")).percent, Decimal());
    EXPECT_EQ(lossRatio(dec("3000"), dec("1000")).percent, dec("66.67"));
}

TEST_F(Statistics, ReportingOverThreeYears)
{
    company("ALFA");
    company("BETA");
    company("GAMMA");
    policy(1, "A1", "ROSSI MARIO", "ALFA", "Auto");
    policy(2, "B1", "BIANCHI ANNA", "BETA", "Elementare-Inf");
    policy(3, "G1", "VERDI LUCA", "GAMMA", "Auto");
    for (int i = 0; i < 12; ++i) claim(1, "A1", "ALFA", d(2025, 3, 1 + i));
    for (int i = 0; i < 8; ++i) claim(1, "A1", "ALFA", d(2024, 4, 1 + i));
    for (int i = 0; i < 5; ++i) claim(1, "A1", "ALFA", d(2023, 5, 1 + i));
    claim(1, "A1", "ALFA", d(2025, 3, 20), "0", true); // "No reporting"
    claim(1, "A1", "ALFA", d(2025, 9, 1));             // outside the window
    premium("ALFA", "Auto", d(2025, 3, 10), "20000");
    premium("ALFA", "Auto", d(2024, 3, 10), "16000");
    premium("ALFA", "Auto", d(2023, 3, 10), "12500");
    premium("ALFA", "Auto", d(2023, 3, 11), "999", "Rimessa");
    claim(2, "B1", "BETA", d(2025, 3, 5)); // claims without premiums: left out
    claim(3, "G1", "GAMMA", d(2025, 3, 5));
    premium("GAMMA", "Auto", d(2024, 4, 1), "100");

    ReportingCriteria c;
    c.from = d(2025, 3, 1);
    c.to = d(2025, 5, 31);
    const std::vector<ReportingSection> s = reportingSections(ws(), c, d(2025, 6, 15));
    ASSERT_EQ(s.size(), 3u);
    ASSERT_EQ(s[0].lines.size(), 2u);
    const ReportingLine& alfa = s[0].lines[0];
    EXPECT_EQ(alfa.company, "ALFA");
    EXPECT_EQ(alfa.claims, (std::array<int, 3>{12, 8, 5}));
    EXPECT_EQ(alfa.premiums[2], dec("12500"));
    EXPECT_EQ(s[0].lines[1].company, "GAMMA");
    EXPECT_EQ(s[0].total.claims[0], 13);
    EXPECT_TRUE(s[1].lines.empty());

    const std::string page = text(printReporting(ws(), c, d(2025, 6, 15), false));
    EXPECT_NE(page.find("|REPORTING SINISTRI|"), std::string::npos);
    EXPECT_NE(page.find("|Dal 01/03/25 al 31/05/25|"), std::string::npos);
    EXPECT_NE(page.find("|RAMO: Elementare-Malattia|"), std::string::npos);
    EXPECT_NE(page.find("|20%|"), std::string::npos);
    EXPECT_NE(page.find("|50%|"), std::string::npos);
    EXPECT_NE(page.find("|20.000,00|"), std::string::npos);

    // One company: its claims by month and year.
    c = {};
    c.company = "ALFA";
    c.branch = "Auto";
    const auto months = monthlyClaims(ws(), c, d(2025, 6, 15));
    EXPECT_EQ(months[2][2], 12);
    EXPECT_EQ(months[3][1], 8);
    EXPECT_EQ(months[4][0], 5);
    EXPECT_EQ(months[8][2], 1);
    const std::string numeric = text(printReporting(ws(), c, d(2025, 6, 15), false));
    EXPECT_NE(numeric.find("|REPORTING NUMERICO SINISTRI|"), std::string::npos);
    EXPECT_NE(numeric.find("|COMPAGNIA: ALFA|"), std::string::npos);
    EXPECT_NE(numeric.find("|DICEMBRE|"), std::string::npos);
    EXPECT_NE(numeric.find("|TOTALE|"), std::string::npos);
}

TEST_F(Statistics, LossRatioPage)
{
    policy(1, "A1", "ROSSI MARIO", "ALFA", "Auto");
    policy(2, "A2", "BIANCHI ANNA", "ALFA", "Auto");
    claim(1, "A1", "ALFA", d(2025, 2, 1), "1000");
    claim(2, "A2", "ALFA", d(2025, 1, 15), "2000");
    claim(2, "A2", "ALFA", d(2025, 1, 20), "5000", true);
    premium("ALFA", "Auto", d(2025, 1, 10), "10000");
    LossRatioCriteria c{d(2025, 1, 1), d(2025, 12, 31), "", "", "Auto"};
    const LossRatioReport r = lossRatioReport(ws(), c);
    EXPECT_EQ(r.claims, (std::vector<uint32_t>{2, 1})); // by opening date
    EXPECT_EQ(r.figures.paid, dec("3000"));
    const std::string page = text(printLossRatio(ws(), c, false));
    EXPECT_NE(page.find("|STAMPA RAPPORTO S/P|"), std::string::npos);
    EXPECT_NE(page.find("BIANCHI ANNA"), std::string::npos);
    EXPECT_NE(page.find("|TOTALE PREMI LORDI INCASSATI COMPRESO ARD|"), std::string::npos);
    EXPECT_NE(page.find("|10.000,00|"), std::string::npos);
    EXPECT_NE(page.find("|3.000,00|"), std::string::npos);
    EXPECT_NE(page.find("|60,00|"), std::string::npos);
}

TEST_F(Statistics, SummaryWithTheSettings)
{
    add("CLIENTI", [](Table& t) { t.setText("CLIENTE", "ROSSI MARIO"); });
    add("CLIENTI", [](Table& t) { t.setText("CLIENTE", "BIANCHI ANNA"); });
    policy(1, "A1", "ROSSI MARIO", "ALFA", "Auto");
    policy(2, "E1", "BIANCHI ANNA", "ALFA", "Elementare-Inf");
    claim(1, "A1", "ALFA", d(2023, 5, 1));
    claim(2, "E1", "ALFA", d(2023, 5, 1)); // not a motor claim
    const std::string ini = (std::filesystem::path(dir.path()) / "ARV.INI").string();
    std::ofstream(ini) << "[Sinistri]\n2023 ROSSI MARIO=2\n";
    const std::vector<SummaryLine> lines = claimSummary(ws(), ini, d(2025, 6, 15));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].client, "ROSSI MARIO");
    EXPECT_EQ(lines[0].years[2], 3);
    EXPECT_EQ(lines[0].total, 3);
    const std::string page = text(printSummary(ws(), ini, d(2025, 6, 15), false));
    EXPECT_NE(page.find("|RIEPILOGO SINISTRI|"), std::string::npos);
    EXPECT_NE(page.find("|2021|"), std::string::npos);
    EXPECT_NE(page.find("|ROSSI MARIO|"), std::string::npos);
}

// The agreements' statements: the statement of account, the commissions earned, the summary, the
// monthly loads and the dialog's choice, each read back from its pages.
#include <gtest/gtest.h>

#include "reporting/agreementstatements.h"
#include "reporting/statementfolder.h"
#include "support/pagecheck.h"

using namespace arv;
using namespace arv::reporting;
using namespace arv::test;

namespace {

class AgreementStatements : public StatementFolder {};

} // namespace

TEST_F(AgreementStatements, StatementOwesOnlyWhatTheAgencyCollected)
{
    agreement("ALFA", "11.5");
    agreement("BETA", "20");
    Movement direct{day(2025, 3, 2), "ALFA", "Incasso diretto", dec("500.00"), dec("40.00")};
    Movement suspended{day(2025, 3, 3), "ALFA", "Incasso", dec("200.00"), dec("20.00")};
    suspended.account = "Sospesi compagnie/rapporti";
    for (const Movement& m : {Movement{day(2025, 3, 1), "ALFA", "Incasso", dec("1000.00"), dec("100.00")}, direct,
                              suspended, Movement{day(2025, 3, 4), "ALFA", "Rimessa", dec("900.00"), {}},
                              Movement{day(2025, 3, 5), "BETA", "Incasso", dec("70.00"), dec("7.00")},
                              Movement{day(2025, 4, 9), "ALFA", "Incasso", dec("10.00"), dec("1.00")}})
        movement(m);

    const Statement s = agreementStatement(ws(), "alfa", "", day(2025, 3, 1), day(2025, 3, 31));
    ASSERT_EQ(s.lines.size(), 3u);
    EXPECT_EQ(s.amounts, dec("1000.00"));
    EXPECT_EQ(s.commissions, dec("160.00"));
    EXPECT_EQ(s.withholding, dec("18.40"));
    EXPECT_EQ(s.balance, dec("858.40"));
    EXPECT_EQ(RITENUTA(ws(), "BETA", dec("7.00")), dec("1.40"));
    EXPECT_TRUE(RITENUTA(ws(), "NESSUNO", dec("7.00")).isZero());

    const test::ScopedArialWidths arial;
    const PrintDocument doc = printAgreementStatement(ws(), "ALFA", "", day(2025, 3, 1), day(2025, 3, 31), false);
    EXPECT_TRUE(doc.geometry.landscape());
    test::expectNoOverlaps(doc, doc.name);
    const std::vector<std::string> lines = printedLines(doc);
    for (const char* l : {"ESTRATTO CONTO RAPPORTO - DAL 01/03/25 AL 31/03/25", "ALFA", "Via Po 3", "20100 Milano MI",
                          "01/03/25 | Incasso | ROSSI MARIO | ALFA | AUTO | P1 | 1.000,00 | 100,00",
                          "02/03/25 | Incasso diretto | ROSSI MARIO | ALFA | AUTO | P1 | 500,00 | 40,00",
                          "03/03/25 | Incasso | ROSSI MARIO | ALFA | AUTO | P1 | 20,00", "TOTALE | 1.000,00 | 160,00",
                          "RITENUTA D'ACCONTO | 18,40", "SALDO DI RIMESSA | 858,40"})
        EXPECT_TRUE(hasLine(lines, l)) << l << "\n" << allLines(lines);
}

TEST_F(AgreementStatements, CommissionsEarnedPerDateAndPerAgreement)
{
    agreement("ALFA");
    for (const Movement& m : {Movement{day(2025, 2, 10), "ALFA", "Incasso", dec("1000"), dec("100.00"), day(2025, 3, 5)},
                              Movement{day(2025, 2, 20), "ALFA", "INDENNITA'", {}, dec("15.00"), day(2025, 3, 5)},
                              Movement{day(2025, 3, 5), "ALFA", "Rimessa", dec("900"), {}, day(2025, 3, 5)},
                              Movement{day(2025, 3, 12), "ALFA", "Incasso", dec("300"), dec("30.00"), day(2025, 3, 20)},
                              // GAMMA never remitted: it earned nothing yet.
                              Movement{day(2025, 2, 1), "GAMMA", "Incasso", dec("50"), dec("5.00"), day(2025, 3, 5)}})
        movement(m);

    const std::vector<EarnedLine> all = allAgreementCommissions(ws(), Date(), Date());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].key, "ALFA");
    EXPECT_EQ(all[0].commissions, dec("100.00"));
    EXPECT_EQ(all[0].indemnities, dec("15.00"));
    const std::vector<std::string> lines = printedLines(printAllAgreementCommissions(ws(), Date(), Date(), false));
    EXPECT_TRUE(hasLine(lines, "ALFA | 100,00 | 15,00 | 115,00")) << allLines(lines);
    EXPECT_TRUE(hasLine(lines, "TOTALE | 100,00 | 15,00 | 115,00")) << allLines(lines);

    const std::vector<std::string> one =
        printedLines(printAgreementCommissions(ws(), "ALFA", day(2025, 3, 1), day(2025, 3, 31), false));
    for (const char* l : {"CORRISPETTIVI - PROVVIGIONI RAPPORTO", "ALFA - Dal 01/03/25 al 31/03/25",
                          "05/03/25 | 100,00 | 15,00", "20/03/25 | 30,00 | 0,00", "TOTALE | 130,00 | 15,00",
                          "TOTALE COMPLESSIVO | 145,00"})
        EXPECT_TRUE(hasLine(one, l)) << l << "\n" << allLines(one);
}

TEST_F(AgreementStatements, SummaryLeavesRemittancesOutOfThePremiums)
{
    agreement("ALFA", "11.5");
    agreement("BETA");
    for (const Movement& m : {Movement{day(2025, 2, 10), "ALFA", "Incasso", dec("1000.00"), dec("100.00")},
                              Movement{day(2025, 2, 11), "ALFA", "Incasso", dec("1.00"), dec("0.03")},
                              Movement{day(2025, 3, 5), "ALFA", "Rimessa", dec("900.00"), {}},
                              Movement{day(2025, 3, 6), "BETA", "Rimessa", dec("40.00"), {}}})
        movement(m);
    const std::vector<SummaryLine> s = agreementSummary(ws(), Date(), Date());
    ASSERT_EQ(s.size(), 1u) << "an agreement with only a remittance has nothing to sum";
    EXPECT_EQ(s[0].premium, dec("1001.00"));
    EXPECT_EQ(s[0].withholding, dec("11.50"));
    EXPECT_EQ(s[0].net, dec("912.47"));
    const std::vector<std::string> lines = printedLines(printAgreementSummary(ws(), Date(), Date(), false));
    EXPECT_TRUE(hasLine(lines, "RAPPORTO | PREMIO | PROVVIGIONI | RITENUTA D'ACCONTO | NETTO A PAGARE"));
    EXPECT_TRUE(hasLine(lines, "ALFA | 1.001,00 | 100,03 | 11,50 | 912,47")) << allLines(lines);
    EXPECT_TRUE(hasLine(lines, "TOTALE | 1.001,00 | 100,03 | 11,50 | 912,47")) << allLines(lines);
}

TEST_F(AgreementStatements, MonthlyLoadsGoOnOverPages)
{
    for (int i = 0; i < 70; ++i) {
        const std::string name = "RAPPORTO " + std::string(i < 10 ? "0" : "") + std::to_string(i);
        agreement(name);
        add("POLIZZE", [&](store::Table& t) {
            t.setText("POLIZZA", "N" + std::to_string(i));
            t.setText("RAPPORTO", name);
            t.setDate("COPERTURA", day(2025, 5, i % 2 ? 10 : 30)); // every other one outside the period
        });
    }
    const std::vector<std::string> names = monthlyLoadAgreements(ws(), day(2025, 5, 1), day(2025, 5, 20));
    ASSERT_EQ(names.size(), 35u);
    EXPECT_EQ(names.front(), "RAPPORTO 01");
    const PrintDocument doc = printMonthlyLoads(ws(), day(2025, 5, 1), day(2025, 5, 20), false);
    ASSERT_EQ(doc.pages.size(), 2u);
    const std::vector<std::string> second = printedLines(doc, 1);
    EXPECT_EQ(second.at(0), "I CONTRATTI IN SCADENZA NEL PERIODO");
    EXPECT_EQ(second.at(1), "DAL 01/05/25 AL 20/05/25");
    EXPECT_TRUE(hasLine(second, "RAPPORTO 69"));
}

TEST(AgreementChoice, WhatTheDialogAccepts)
{
    struct Case {
        const char* agreement;
        AgreementReport report;
        bool statistics, dated;
        int field;
    };
    const Case cases[] = {
        {"ALFA", AgreementReport::Statement, false, false, 0},
        {"", AgreementReport::Statement, false, false, 101},
        {"", AgreementReport::Statement, true, false, 0},
        {"", AgreementReport::Commissions, false, false, 0},
        {"ALFA", AgreementReport::Commissions, true, false, 0},
        {"", AgreementReport::MonthlyLoads, false, true, 0},
        {"ALFA", AgreementReport::MonthlyLoads, false, true, 101},
        {"", AgreementReport::MonthlyLoads, false, false, 103},
    };
    for (const Case& c : cases) {
        AgreementChoice choice;
        choice.agreement = c.agreement;
        choice.report = c.report;
        choice.statistics = c.statistics;
        if (c.dated) choice = {c.agreement, "", day(2025, 1, 1), day(2025, 1, 31), c.report, c.statistics};
        EXPECT_EQ(agreementChoiceProblem(choice).field, c.field) << c.agreement << int(c.report) << c.statistics;
    }
}

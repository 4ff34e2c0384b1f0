// Year-over-year commissions of the agreements and the producers, computed and printed.
#include <gtest/gtest.h>

#include "reporting/statementfolder.h"
#include "support/pagecheck.h"
#include "reporting/yearstatistics.h"

using namespace arv;
using namespace arv::reporting;
using namespace arv::test;

namespace {

class YearStatistics : public StatementFolder {
protected:
    void SetUp() override
    {
        StatementFolder::SetUp();
        // ALFA: one remittance a year; what it settled counts, what came after it does not.
        for (const Movement& m : std::vector<Movement>{
                 {day(2023, 2, 1), "ALFA", "Incasso", dec("9000"), dec("1000.00"), day(2023, 2, 10)},
                 {day(2023, 2, 20), "ALFA", "Rimessa", dec("8000"), {}, day(2023, 2, 20)},
                 {day(2023, 2, 25), "ALFA", "Incasso", dec("700"), dec("77.00"), day(2023, 2, 28)},
                 {day(2024, 3, 1), "ALFA", "Incasso", dec("9000"), dec("1250.00"), day(2024, 3, 12)},
                 {day(2024, 2, 1), "ALFA", "Incasso", dec("5000"), dec("500.00"), day(2024, 4, 15)}, // out of the window
                 {day(2024, 3, 20), "ALFA", "Rimessa", dec("8000"), {}, day(2024, 3, 20)},
                 {day(2025, 2, 10), "ALFA", "INDENNITA'", {}, dec("1000.00"), day(2025, 2, 15)},
                 {day(2025, 3, 1), "ALFA", "Rimessa", dec("8000"), {}, day(2025, 3, 1)},
                 {day(2026, 2, 1), "ALFA", "Incasso", dec("900"), dec("300.00"), day(2026, 2, 15)}, // after "al"
                 {day(2026, 2, 5), "ALFA", "Rimessa", dec("600"), {}, day(2026, 2, 15)},
                 // BETA has never remitted: nothing of it is earned.
                 {day(2024, 2, 1), "BETA", "Incasso", dec("999"), dec("99.00"), day(2024, 2, 1)},
             })
            movement(m);
        // ROSSI's commissions by closing date, on two branches.
        Movement p{day(2024, 1, 2), "ALFA", "Incasso", dec("100"), {}, {}};
        p.producer = "ROSSI LUCA";
        p.producerCommission = dec("100.00");
        p.closed = day(2024, 1, 10);
        movement(p);
        p.closed = day(2025, 1, 10);
        p.producerCommission = dec("150.00");
        movement(p);
        p.branch = "VITA";
        p.producerCommission = dec("50.00");
        movement(p);
    }
    const Date from = day(2025, 1, 1), to = day(2025, 3, 31);
};

} // namespace

TEST_F(YearStatistics, AgreementsEarnWhatTheirRemittancesSettled)
{
    const std::vector<YearTotal> years = agreementYears(ws(), from, to);
    ASSERT_EQ(years.size(), 3u);
    EXPECT_EQ(years[0].total, dec("1000.00"));
    EXPECT_EQ(years[1].total, dec("1250.00"));
    EXPECT_EQ(years[2].total, dec("1000.00"));
    const std::vector<HolderYears> holders = agreementYearsByAgreement(ws(), from, to);
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_EQ(holders[1].holder, "BETA");
    EXPECT_TRUE(holders[1].years[0].total.isZero());

    const ScopedArialWidths arial;
    const PrintDocument doc = printAgreementStatistics(ws(), from, to, false);
    expectNoOverlaps(doc, doc.name);
    const PrintDocument table = printYearTable("Statistiche rapporto", {"STATISTICHE RAPPORTO", "ALFA"}, years, false);
    expectNoOverlaps(table, table.name);
    EXPECT_TRUE(hasLine(printedLines(table), "ANNO | TOTALE | DIFFERENZA | PERCENTUALE")) << allLines(printedLines(table));
    const std::vector<std::string> lines = printedLines(doc);
    for (const char* l : {"STATISTICHE RAPPORTI", "Dal 01/01/25 al 31/03/25", "ANNO | TOTALE | DIFFERENZA | PERCENTUALE",
                          "2023 | 1.000,00 | 1.000,00", "2024 | 1.250,00 | 250,00 | 25%", "2025 | 1.000,00 | -250,00 | -20%",
                          "RAPPORTO | ANNO | TOTALE | DIFFERENZA | PERCENTUALE", "ALFA | 2023 | 1.000,00 | 1.000,00",
                          "2024 | 1.250,00 | 250,00 | 25%"})
        EXPECT_TRUE(hasLine(lines, l)) << l << "\n" << allLines(lines);
    EXPECT_EQ(allLines(lines).find("BETA"), std::string::npos) << "an agreement that earned nothing prints nothing";
}

TEST_F(YearStatistics, ProducersByClosingYearTheBranchOnlyInTheYearlySection)
{
    const std::vector<YearTotal> motor = producerYears(ws(), Date(), Date(), "auto");
    ASSERT_EQ(motor.size(), 2u);
    EXPECT_EQ(motor[1].total, dec("150.00"));
    // A producer of another branch with a name as wide as its column, and figures in the millions.
    Movement wide{day(2024, 5, 2), "ALFA", "Incasso", dec("100"), {}, {}};
    wide.producer = "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM";
    wide.producerCommission = dec("1234567.89");
    wide.closed = day(2024, 5, 10);
    wide.branch = "INCENDIO";
    movement(wide);
    const ScopedArialWidths arial;
    const PrintDocument doc = printProducerStatistics(ws(), Date(), Date(), "AUTO", false);
    expectNoOverlaps(doc, doc.name);
    const std::vector<std::string> lines = printedLines(doc);
    for (const char* l : {"STATISTICHE PRODUTTORI", "2024 | 100,00 | 100,00", "2025 | 150,00 | 50,00 | 50%",
                          "PRODUTTORE | ANNO | TOTALE | DIFFERENZA | PERCENTUALE", "ROSSI LUCA | 2024 | 100,00 | 100,00",
                          "2025 | 200,00 | 100,00 | 100%"})
        EXPECT_TRUE(hasLine(lines, l)) << l << "\n" << allLines(lines);
}

TEST_F(YearStatistics, ALongSectionGoesOnOverPagesWithItsHeadings)
{
    std::vector<YearTotal> years;
    for (int y = 1950; y < 2026; ++y) years.push_back({y, Decimal(static_cast<long long>(y))});
    const ScopedArialWidths arial;
    TPRINTER job("Riepilogo statistiche", false);
    SectionStyle style;
    style.pageTop = [](TPRINTER& j) { SAYHEADER("RIEPILOGO STATISTICHE", j); };
    job.startPage();
    style.pageTop(job);
    printYearSection(job, years, style);
    ASSERT_EQ(job.document().pages.size(), 2u);
    expectNoOverlaps(job.document(), job.docName());
    const std::vector<std::string> second = printedLines(job.document(), 1);
    EXPECT_TRUE(hasLine(second, "ANNO | TOTALE | DIFFERENZA | PERCENTUALE")) << allLines(second);
    EXPECT_NE(allLines(second).find("RIEPILOGO STATISTICHE"), std::string::npos);
}

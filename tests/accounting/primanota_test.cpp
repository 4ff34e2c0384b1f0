// The prima nota: which side an account puts an amount on, the printout read back from its pages
// (sections, balances, returned movements, titles, page breaks) and the year-by-year statistics.
#include <gtest/gtest.h>

#include "accounting/booksfolder.h"
#include "accounting/bookscreens.h"
#include "accounting/primanota.h"

using namespace arv;
using namespace arv::accounting;
using arv::store::workspace;
using arv::test::amount;
using arv::test::day;
using arv::test::documentLines;
using arv::test::hasLine;
using arv::test::pageLines;

namespace {

class PrimaNotaTest : public test::BooksFolder {
protected:
    PrimaNotaCriteria account(const char* name, Date from, Date to)
    {
        PrimaNotaCriteria c;
        c.account = name;
        c.from = from;
        c.to = to;
        return c;
    }
};

} // namespace

TEST(PrimaNotaRules, SidesOfTheAccounts)
{
    struct Case {
        const char* account;
        bool income, expense;
        SummarySide summary;
    };
    const Case cases[] = {
        {"Sospesi POS bancomat      ", true, false, SummarySide::Neither},
        {"Assegni e bonifici banca 1", false, true, SummarySide::Cost},
        {"Entrate compensate", false, false, SummarySide::Cost},
        {"Uscite compensate", false, false, SummarySide::Cost},
        {"Carta di credito 5", false, true, SummarySide::Cost},
        {"Cassa entrate", true, false, SummarySide::Income},
        {"Cassa uscite", false, true, SummarySide::Cost},
        {"Sospesi clienti (RID)", true, false, SummarySide::Neither},
        {"Ricaricabile 2 entrate", true, false, SummarySide::Income},
        {"Banca 4 entrate", true, false, SummarySide::Income},
        {"", false, false, SummarySide::Cost},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(primaNotaIncome(c.account), c.income) << c.account;
        EXPECT_EQ(primaNotaExpense(c.account), c.expense) << c.account;
        EXPECT_EQ(summarySide(c.account), c.summary) << c.account;
    }
    const auto& accounts = primaNotaAccounts();
    ASSERT_EQ(accounts.size(), 28u);
    EXPECT_EQ(accounts[5], "Banca 4");
    EXPECT_EQ(accounts.back(), "Assegni/bonifici C/C Post");
    EXPECT_TRUE(inPrimaNotaAccount("Cassa uscite              ", "Cassa"));
    EXPECT_TRUE(inPrimaNotaAccount("Sospesi POS virtuale", "Sospesi"));
    EXPECT_FALSE(inPrimaNotaAccount("Banca 1 entrate", "Banca 2"));
    EXPECT_FALSE(inPrimaNotaAccount("Cassa entrate", ""));
}

TEST_F(PrimaNotaTest, SectionsBalancesAndReturnedMovements)
{
    company({day(2025, 5, 2), "Cassa entrate", "500.00"});
    company({day(2025, 5, 3), "Cassa uscite", "200.00", "Rimessa"});
    company({day(2025, 5, 3), "Cassa entrate", "0"}); // a zero amount is left out
    company({day(2025, 5, 20), "Cassa entrate", "-20.00"});
    company({day(2025, 5, 20), "Cassa entrate", "20.00"});
    ledger(day(2025, 5, 4), "Cassa uscite", "50.00");
    ledger(day(2025, 6, 1), "Cassa uscite", "70.00"); // after "al"
    // Suspended on 05/05, returned on 12/05 to the cash.
    company({day(2025, 5, 5), "Cassa entrate", "80.00", "Incasso", day(2025, 5, 12)});
    // Returned after "al": out.
    company({day(2025, 5, 30), "Cassa entrate", "90.00", "Incasso", day(2025, 6, 2)});

    PrimaNotaCriteria c = account("Cassa", day(2025, 5, 1), day(2025, 5, 31));
    const PrimaNota nota = primaNota(workspace(), c);
    ASSERT_EQ(nota.sections.size(), 1u);
    ASSERT_EQ(nota.sections[0].company.size(), 5u);
    EXPECT_EQ(nota.sections[0].company[2].date, day(2025, 5, 12)); // between the 3rd and the 20th
    EXPECT_EQ(nota.balance(), amount("330.00"));

    const std::vector<std::string> lines = documentLines(printPrimaNota(workspace(), c, false));
    EXPECT_EQ(lines.at(1), "PRIMA NOTA CASSA - Dal 01/05/25 al 31/05/25");
    EXPECT_TRUE(hasLine(lines, "12/05/25 | Incass | Agenzia | ALFA | ROSSI MARI | AU-100 | 80,00")) << lines[6];
    EXPECT_FALSE(hasLine(lines, "05/05/25 | Incass | Agenzia | ALFA | ROSSI MARI | AU-100 | 80,00"));
    EXPECT_TRUE(hasLine(lines, "TOTALE | 580,00 | 200,00"));
    EXPECT_TRUE(hasLine(lines, "SALDO | 380,00"));
    EXPECT_TRUE(hasLine(lines, "SALDO | -50,00"));
    EXPECT_TRUE(hasLine(lines, "SALDO TOTALE | 330,00"));
    EXPECT_TRUE(hasLine(lines, "MOVIMENTI CONTABILITA'"));

    // One day of the full prima nota: its title; only the first six accounts, and an empty section
    // (C/C Postale) prints nothing.
    company({day(2025, 5, 10), "Cassa entrate", "500.00"});
    company({day(2025, 5, 10), "Cassa uscite", "200.00"});
    company({day(2025, 5, 10), "Ricaricabile 1 entrate", "33.00"});
    company({day(2025, 5, 10), "Sospesi da clienti", "44.00"});
    ledger(day(2025, 5, 10), "Cassa uscite", "50.00");
    ledger(day(2025, 5, 10), "Banca 2 entrate", "10.00", "Varie", "Bonifico", false); // unticked: still in
    PrimaNotaCriteria full;
    full.full = true;
    full.from = full.to = day(2025, 5, 10);
    const PrimaNota daily = primaNota(workspace(), full);
    ASSERT_EQ(daily.sections.size(), 6u);
    EXPECT_EQ(daily.sections[1].account, "C/C Postale");
    const std::vector<std::string> dayLines = documentLines(printPrimaNota(workspace(), full, false));
    EXPECT_EQ(dayLines.at(1), "PRIMA NOTA DEL 10/05/25");
    EXPECT_TRUE(hasLine(dayLines, "SALDO | 300,00"));
    EXPECT_TRUE(hasLine(dayLines, "SALDO | -50,00"));
    EXPECT_TRUE(hasLine(dayLines, "SALDO TOTALE | 260,00"));
    EXPECT_FALSE(hasLine(dayLines, "C/C Postale"));
    EXPECT_EQ(std::count(dayLines.begin(), dayLines.end(), "Cassa"), 2);
    EXPECT_EQ(std::count(dayLines.begin(), dayLines.end(), "Banca 2"), 1);
    for (const std::string& l : dayLines) {
        EXPECT_EQ(l.find("33,00"), std::string::npos) << l;
        EXPECT_EQ(l.find("44,00"), std::string::npos) << l;
    }
    full.to = day(2025, 5, 11);
    EXPECT_EQ(primaNotaTitle(full), "PRIMA NOTA - Dal 10/05/25 al 11/05/25");
}

TEST_F(PrimaNotaTest, DescriptionAndEntryChoices)
{
    company({day(2025, 5, 2), "Cassa entrate", "500.00", "Incasso diretto"});
    company({day(2025, 5, 2), "Banca 1 uscite", "100.00", "Rimessa"});
    ledger(day(2025, 5, 3), "Cassa uscite", "40.00", "Incassi vari", "Spesa di cassa"); // entry begins with it
    ledger(day(2025, 5, 3), "Cassa uscite", "60.00", "Cancelleria", "Incasso assegno"); // description does
    ledger(day(2025, 5, 3), "Cassa uscite", "70.00", "Cancelleria", "Spesa di cassa");
    PrimaNotaCriteria c;
    c.description = "incasso";
    PrimaNota nota = primaNota(workspace(), c);
    ASSERT_EQ(nota.sections.size(), 1u);
    EXPECT_EQ(nota.sections[0].company.size(), 1u);
    EXPECT_EQ(nota.sections[0].ledger.size(), 1u); // "Incassi vari" does not begin with "incasso"
    c.description = "Incass";
    EXPECT_EQ(primaNota(workspace(), c).sections[0].ledger.size(), 2u);
    EXPECT_EQ(primaNotaTitle(c), "PRIMA NOTA INCASS");

    // "Contabilità:" narrows the accounting movements only.
    c = PrimaNotaCriteria();
    c.account = "Cassa";
    c.entry = "canc";
    nota = primaNota(workspace(), c);
    EXPECT_EQ(nota.sections[0].company.size(), 1u);
    EXPECT_EQ(nota.sections[0].ledger.size(), 2u);

    EXPECT_EQ(primaNotaCriteriaProblem(c), "");
    c.description = "Incasso";
    EXPECT_EQ(primaNotaCriteriaProblem(c), kMsgAccountOrDescription);
    c.account.clear();
    EXPECT_EQ(primaNotaCriteriaProblem(c), "");
    c.description = "  ";
    EXPECT_EQ(primaNotaCriteriaProblem(c), kMsgAccountOrDescription);
}

TEST_F(PrimaNotaTest, LongSectionBreaksAtLine55WithItsHeads)
{
    for (int i = 0; i < 120; ++i) company({day(2025, 5, 2), "Cassa entrate", "1.00"});
    ledger(day(2025, 5, 3), "Cassa uscite", "5.00");
    const PrintDocument doc = printPrimaNota(workspace(), account("Cassa", day(2025, 5, 1), day(2025, 5, 31)), false);
    ASSERT_EQ(doc.pages.size(), 3u);
    for (size_t p = 0; p < 2; ++p) {
        const auto lines = pageLines(doc, doc.pages[p]);
        EXPECT_EQ(lines.rbegin()->first, 55) << p;
        EXPECT_EQ(lines.rbegin()->second.substr(0, 8), "02/05/25");
        EXPECT_NE(lines.at(1).find("PAG. " + std::to_string(p + 1)), std::string::npos) << lines.at(1);
        EXPECT_EQ(lines.at(3), "PRIMA NOTA CASSA - Dal 01/05/25 al 31/05/25");
        EXPECT_EQ(lines.at(8), "MOVIMENTI COMPAGNIE");
        EXPECT_EQ(lines.at(9), "DATA | DESCRIZIONE | PRODUTTORE | RAPPORTO | ASSICURATO | POLIZZA N. | SCAD. | ENTRATE | USCITE");
    }
    const auto last = pageLines(doc, doc.pages[2]);
    EXPECT_EQ(last.at(8), "MOVIMENTI COMPAGNIE");
    EXPECT_EQ(last.at(10 + 27).substr(0, 8), "02/05/25"); // 46 + 46 + 28 rows
    const std::vector<std::string> lines = documentLines(doc);
    EXPECT_TRUE(hasLine(lines, "TOTALE | 120,00 | 0,00"));
    EXPECT_TRUE(hasLine(lines, "SALDO TOTALE | 115,00"));
}

TEST_F(PrimaNotaTest, StatisticsYearByYear)
{
    PrimaNotaCriteria c;
    c.account = "Cassa";
    // Empty tables: the heading alone.
    EXPECT_TRUE(primaNotaStatistics(workspace(), c).empty());
    const std::vector<std::string> empty = documentLines(printPrimaNotaStatistics(workspace(), c, false));
    ASSERT_EQ(empty.size(), 3u);
    EXPECT_EQ(empty[0].substr(0, 22), "STATISTICHE PRIMA NOTA");
    EXPECT_EQ(empty[1], "CASSA");

    company({day(2022, 3, 1), "Cassa entrate", "1000.00"});
    ledger(day(2022, 4, 1), "Cassa uscite", "400.00");
    company({day(2023, 3, 1), "Cassa entrate", "1200.00"});
    company({day(2023, 12, 20), "Cassa uscite", "500.00", "Rimessa"});
    ledger(day(2024, 2, 1), "Cassa entrate", "900.00");
    company({day(2023, 12, 28), "Cassa uscite", "900.00", "Rimessa", day(2024, 1, 3)}); // counts in 2024
    company({day(2024, 5, 1), "Banca 1 entrate", "777.00"});                             // another account
    ledger(day(2026, 5, 1), "Banca 1 uscite", "1.00");                                   // the last year
    const std::vector<StatisticsLine> lines = primaNotaStatistics(workspace(), c);
    ASSERT_EQ(lines.size(), 3u);
    struct Row {
        int year;
        const char *income, *incomeChange, *expense, *expenseChange, *total, *totalChange, *percent;
    };
    const Row rows[] = {{2022, "1000", "1000", "400", "400", "600", "600", ""},
                        {2023, "1200", "200", "500", "100", "700", "100", "17%"},
                        {2024, "900", "-300", "900", "400", "0", "-700", "-100%"}};
    for (size_t i = 0; i < 3; ++i) {
        const Row& r = rows[i];
        const StatisticsLine& l = lines[i];
        EXPECT_EQ(l.year, r.year);
        EXPECT_EQ(l.income, amount(r.income)) << r.year;
        EXPECT_EQ(l.incomeChange, amount(r.incomeChange)) << r.year;
        EXPECT_EQ(l.expense, amount(r.expense)) << r.year;
        EXPECT_EQ(l.expenseChange, amount(r.expenseChange)) << r.year;
        EXPECT_EQ(l.total, amount(r.total)) << r.year;
        EXPECT_EQ(l.totalChange, amount(r.totalChange)) << r.year;
        EXPECT_EQ(l.percent, r.percent) << r.year;
    }
    const std::vector<std::string> printed = documentLines(printPrimaNotaStatistics(workspace(), c, false));
    EXPECT_TRUE(hasLine(printed, "2023 | 1.200,00 | 200,00 | 500,00 | 100,00 | 700,00 | 100,00 | 17%"));
    EXPECT_TRUE(hasLine(printed, "2024 | 900,00 | -300,00 | 900,00 | 400,00 | 0,00 | -700,00 | -100%"));

    // A window round the year end: November to January of each year.
    c.from = day(2023, 11, 1);
    c.to = day(2024, 1, 31);
    const std::vector<StatisticsLine> winter = primaNotaStatistics(workspace(), c);
    ASSERT_EQ(winter.size(), 2u);
    EXPECT_EQ(winter[0].year, 2023);
    EXPECT_EQ(winter[0].expense, amount("500.00"));
    EXPECT_EQ(winter[1].year, 2024);
    EXPECT_EQ(winter[1].expense, amount("900.00"));
    EXPECT_EQ(documentLines(printPrimaNotaStatistics(workspace(), c, false)).at(1),
              "CASSA - Dal 01/11/23 al 31/01/24");

    // A description: the accounting movements whose entry or description begins with it.
    PrimaNotaCriteria d;
    d.description = "Cancell";
    const std::vector<StatisticsLine> byDescription = primaNotaStatistics(workspace(), d);
    ASSERT_EQ(byDescription.size(), 3u);
    EXPECT_EQ(byDescription[0].expense, amount("400.00"));
    EXPECT_EQ(byDescription[1].year, 2024);
    EXPECT_EQ(byDescription[2].year, 2026);
}

TEST_F(PrimaNotaTest, DialogWantsOneOfAccountAndDescriptionOnConfirm)
{
    std::unique_ptr<FormDialog> d = makePrimaNotaDialog();
    d->show();
    d->confirm(); // neither: refused with the message, the user may still choose
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_EQ(messages, std::vector<std::string>{kMsgAccountOrDescription});
    d->set(101, "Cassa");
    d->set(103, "Rimessa");
    d->confirm(); // both
    EXPECT_EQ(messages.size(), 2u);
    d->set(101, "");
    d->set(102, "Cancelleria");
    d->set(104, "01/11/24");
    d->set(105, "31/01/25");
    d->set(106, "T");
    d->confirm();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    const PrimaNotaCriteria c = primaNotaCriteria(*d);
    EXPECT_EQ(c.description, "Rimessa");
    EXPECT_EQ(c.entry, "Cancelleria");
    EXPECT_EQ(c.from, day(2024, 11, 1));
    EXPECT_EQ(c.to, day(2025, 1, 31));
    EXPECT_TRUE(d->values().logical("STATISTICHE"));
}

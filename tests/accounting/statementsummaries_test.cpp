// The summary of the statements: each remittance since 2019 of the agreements that close by
// statement, with the gross commission it settled.
#include <gtest/gtest.h>

#include "accounting/remittances.h"
#include "accounting/statementsummaries.h"
#include "common/pagemodel.h"
#include "registry/registerfolder.h"

using namespace arv;
using namespace arv::accounting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

class StatementSummaries : public test::RegisterFolderTest {
protected:
    void add(const char* table, const std::function<void(store::Table&)>& fill) { addRecord(table, fill); }
    void agreement(const char* name, bool closes)
    {
        add("COMPAGN", [&](store::Table& t) {
            t.setText("COMPAGNIA", name);
            t.setNumber("ALIQRA", dec("11.5"));
            t.setLogical("CHIUSURA", closes);
        });
    }
    void movement(Date date, const char* agreement, const char* description, const char* commission)
    {
        add("MOVICOMP", [&](store::Table& t) {
            t.setDate("DATA", date);
            t.setText("RAPPORTO", agreement);
            t.setText("DESCRIZIO", description);
            t.setNumber("PROVVAGEN", dec(commission));
        });
    }
};

} // namespace

TEST_F(StatementSummaries, GrossCommissionOfEachRemittance)
{
    EXPECT_EQ(grossCommission(dec("123.90"), dec("11.5")).round(2), dec("140.00"));
    EXPECT_TRUE(grossCommission(dec("10"), dec("100")).isZero());

    agreement("ALFA", true);
    agreement("BETA", false);
    movement(d(2018, 12, 1), "ALFA", "Incasso", "50.00");
    movement(d(2018, 12, 20), "ALFA", "Rimessa", "0");     // before 2019: never listed
    movement(d(2025, 3, 1), "ALFA", "Incasso", "100.00");
    movement(d(2025, 3, 9), "ALFA", "Incasso", "40.00");
    movement(d(2025, 4, 5), "ALFA", "Rimessa", "0");
    movement(d(2025, 4, 9), "ALFA", "Incasso", "10.00");
    movement(d(2025, 5, 5), "ALFA", "Rimessa", "0");
    movement(d(2025, 4, 5), "BETA", "Rimessa", "0");       // BETA does not close by statement
    agreement("GAMMA", true);
    movement(d(2025, 6, 1), "GAMMA", "Incasso", "20.00");
    movement(d(2025, 6, 5), "GAMMA", "RIMESSA GIUGNO", "0"); // any case in the summary
    const std::vector<StatementRemittance> rows = statementRemittances(store::workspace(), Date(), Date());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].gross, dec("140.00"));
    EXPECT_EQ(rows[1].gross, dec("10.00"));
    EXPECT_EQ(rows[2].gross, dec("20.00"));
    EXPECT_EQ(statementRemittances(store::workspace(), d(2025, 5, 1), Date(), "alfa").size(), 1u);

    const PrintDocument doc = printStatementSummary(store::workspace(), Date(), Date(), "", false);
    const std::string page = dumpPage(doc, doc.pages.at(0));
    for (const char* text : {"|RIEPILOGO ESTRATTI CONTO|", "|E.CONTO|", "|05/04/25|", "|140,00|", "|TOTALE|", "|170,00|"})
        EXPECT_NE(page.find(text), std::string::npos) << text << "\n" << page;
}

// Invoices and statements side by side, in date order, with the grand total of the three columns.
TEST_F(StatementSummaries, InvoicesAndStatements)
{
    agreement("ALFA", true);
    movement(d(2025, 3, 1), "ALFA", "Incasso", "140.00");
    movement(d(2025, 4, 5), "ALFA", "Rimessa", "0");
    auto invoice = [&](long number, Date date, const char* customer, const char* text, const char* amount) {
        add("FATTBSA", [&](store::Table& t) {
            t.setNumber("NUMERO", Decimal(static_cast<long long>(number)));
            t.setDate("DATA", date);
            t.setText("CLIENTE", customer);
            t.setMemo("TESTO", text);
            t.setNumber("IMPORTO", dec(amount));
        });
    };
    invoice(7, d(2025, 4, 20), "VERDI ANNA", "Consulenza assicurativa", "100.00");
    invoice(6, d(2025, 3, 10), "BETA SPA", "Compensi del mese", "200.00");
    invoice(0, d(2025, 3, 11), "NON NUMERATA", "Compensi", "999.00"); // not numbered: left out
    const std::vector<InvoiceStatementRow> rows = invoiceStatementRows(store::workspace(), Date(), Date());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].number, 6);
    EXPECT_EQ(rows[0].commissionInvoice, dec("200.00"));
    EXPECT_EQ(rows[1].customer, "ALFA");
    EXPECT_EQ(rows[1].statement, dec("140.00"));
    EXPECT_EQ(rows[2].consultancyInvoice, dec("100.00"));
    EXPECT_EQ(invoiceStatementRows(store::workspace(), d(2025, 4, 1), d(2025, 4, 10)).size(), 1u);

    const PrintDocument doc = printInvoiceStatementSummary(store::workspace(), Date(), Date(), false);
    const std::string page = dumpPage(doc, doc.pages.at(0));
    for (const char* text : {"|RIEPILOGO FATTURE/ESTRATTI CONTO|", "|FATT.PROVV.|", "|FATT.CONS.|", "|E.CONTO|",
                             "|BETA SPA|", "|200,00|", "|140,00|", "|100,00|", "|TOTALE GENERALE:|", "|440,00|"})
        EXPECT_NE(page.find(text), std::string::npos) << text << "\n" << page;
}

// The totals of many remittances found in one pass are those each remittance's own walk finds.
TEST_F(StatementSummaries, OnePassAgreesWithEachWalk)
{
    agreement("ALFA", true);
    const char* kinds[] = {"Incasso", "Incasso diretto", "Rilievi", "Rimessa", "Incasso", "Rimessa 2", "Varie"};
    for (int i = 0; i < 60; ++i)
        add("MOVICOMP", [&](store::Table& t) {
            t.setDate("DATA", d(2025, 1 + i / 20, 1 + (i * 7) % 20));
            if (i % 9 == 0) t.setDate("FINEPER", d(2025, 1 + i / 20, 25));
            t.setText("RAPPORTO", i % 5 ? "ALFA" : "BETA");
            t.setText("DESCRIZIO", kinds[i % 7]);
            t.setNumber("IMPORTO", Decimal(static_cast<long long>(100 + i)));
            t.setNumber("DIRITTI", Decimal(static_cast<long long>(i % 3)));
            t.setNumber("PROVVAGEN", Decimal(static_cast<long long>(10 + i)));
        });
    std::vector<std::pair<std::string, Date>> asked;
    for (const char* a : {"ALFA", "BETA", "GAMMA"})
        for (int day = 1; day <= 25; day += 3)
            for (int month = 1; month <= 4; ++month) asked.emplace_back(a, d(2025, month, day));
    const auto all = remittanceTotals(store::workspace(), asked);
    for (const auto& [agreement, date] : asked) {
        const RemittanceTotals one = remittanceTotals(store::workspace(), agreement, date, Date());
        const RemittanceTotals& many = all.at({agreement, date});
        EXPECT_EQ(one.premiums, many.premiums) << agreement << " " << date.toDisplay();
        EXPECT_EQ(one.fees, many.fees) << agreement << " " << date.toDisplay();
        EXPECT_EQ(one.commissions, many.commissions) << agreement << " " << date.toDisplay();
        EXPECT_EQ(one.corrections, many.corrections) << agreement << " " << date.toDisplay();
    }
}

#include "reporting/dailyreport.h"

#include <gtest/gtest.h>

#include <cmath>

#include "policies/policyfolder.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::reporting;

namespace {

Decimal n(const char* s) { return *Decimal::parse(s); }
Date d(int day, int month, int year = 2025) { return Date::fromYmd(year, month, day); }

class DailyReport : public arv::test::PolicyFolderTest {
protected:
    void movement(const std::string& date, Values v)
    {
        v.emplace("DATA", date);
        add("MOVICOMP", v);
    }
    void ledger(const std::string& date, const std::string& account, const std::string& amount)
    {
        add("MOVICONT", {{"DATA", date}, {"CONTO", account}, {"IMPORTO", amount}});
    }
    void policy(const std::string& number, Values v)
    {
        v.emplace("POLIZZA", number);
        v.emplace("ASSICURATO", "CLIENTE " + number);
        v.emplace("COMPAGNIA", "ALFA");
        v.emplace("RAPPORTO", "ALFA");
        v.emplace("RAMO", "AUTO");
        v.emplace("DOCUMENTO", "Completa");
        add("POLIZZE", v);
    }
    // The agency of the examples: one agreement, one producer, the cash and the first bank.
    void agency()
    {
        movement("10/01/2025", {{"RAPPORTO", "ALFA"}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "1000"}, {"PROVVAGEN", "100"}});
        movement("31/01/2025", {{"RAPPORTO", "ALFA"}, {"DESCRIZIO", "Rimessa"}, {"IMPORTO", "900"}});
        movement("05/02/2025", {{"RAPPORTO", "ALFA"}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "600"}, {"PROVVAGEN", "60"}});
        movement("07/02/2025", {{"RAPPORTO", "ALFA"}, {"DESCRIZIO", "Incasso diretto"}, {"IMPORTO", "300"}, {"PROVVAGEN", "30"}});
        movement("03/02/2025", {{"PRODUTTORE", "ROSSI"}, {"PROVVPROD", "50"}});
        movement("04/02/2025", {{"PRODUTTORE", "ROSSI"}, {"PROVVPROD", "30"}, {"CHIUSURA", "06/02/2025"}});
        movement("04/02/2025", {{"PRODUTTORE", "ROSSI"}, {"CONTO", "Sospesi da produttori"}, {"IMPORTO", "200"}});
        ledger("02/02/2025", "Cassa entrate", "5000");
        ledger("02/02/2025", "Cassa uscite", "1200");
        ledger("03/02/2025", "Banca 1 entrate", "1000");
        ledger("03/02/2025", "Banca 1 uscite", "1500");
        ledger("03/02/2025", "Assegni e bonifici banca 1", "300");
    }
    static std::string text(const PrintDocument& doc, size_t from = 0)
    {
        std::string s;
        for (size_t i = from; i < doc.pages.size(); ++i) s += dumpPage(doc, doc.pages[i]);
        return s;
    }
};

TEST_F(DailyReport, FiguresOfTheDay)
{
    agency();
    DailyFigures f = dailyFigures(workspace(), d(15, 2));
    ASSERT_EQ(1u, f.agreements.size());
    EXPECT_EQ("ALFA", f.agreements[0].agreement);
    EXPECT_EQ(n("600"), f.premiums);
    EXPECT_EQ(n("90"), f.commissions);
    EXPECT_EQ(n("510"), f.dare);
    EXPECT_EQ(Decimal(), f.avere);
    EXPECT_EQ(n("200"), f.suspended[6]);
    EXPECT_EQ(n("200"), f.suspendedTotal);
    EXPECT_TRUE(f.earlierMonths.producers.empty());
    ASSERT_EQ(1u, f.currentMonth.producers.size());
    EXPECT_EQ(n("50"), f.currentMonth.commissions);
    EXPECT_EQ(n("200"), f.currentMonth.suspended);
    auto account = [&f](const std::string& label) {
        for (const AccountBalance& a : f.accounts)
            if (a.label == label) return (a.dare ? "dare " : "avere ") + a.amount.toString(2);
        return std::string("?");
    };
    EXPECT_EQ("avere 3800.00", account("SALDO CASSA"));
    EXPECT_EQ("dare 500.00", account("SALDO BANCA 1"));
    EXPECT_EQ("dare 300.00", account("SALDO ASSEGNI E BONIFICI BANCA 1"));
    EXPECT_EQ(n("3000"), f.accountsContribution);
    EXPECT_EQ(n("2640"), f.virtualBalance); // -510 + 200 - 50 + 3,000

    // An agreement whose newest policy was sold by telephone prints, out of the totals; a loan's
    // commissions enter them while unpaid; movements of another month on another producer.
    policy("TEL-1", {{"TELEFONICA", "T"}});
    policy("NEG-1", {});
    movement("08/02/2025", {{"RAPPORTO", "BETA"}, {"DESCRIZIO", "Incasso"}, {"POLIZZA", "NEG-1"}, {"IMPORTO", "80"}});
    movement("09/02/2025", {{"RAPPORTO", "BETA"}, {"DESCRIZIO", "Incasso"}, {"POLIZZA", "TEL-1"}, {"IMPORTO", "100"}, {"PROVVAGEN", "10"}});
    movement("10/02/2025", {{"RAPPORTO", "BETA"}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "5"}});
    movement("12/01/2025", {{"PRODUTTORE", "VERDI"}, {"PROVVPROD", "7"}});
    movement("01/03/2025", {{"PRODUTTORE", "VERDI"}, {"PROVVPROD", "4"}});
    movement("01/03/2025", {{"PRODUTTORE", "Agenzia"}, {"PROVVPROD", "99"}});
    add("FINANZ", {{"RAPPORTO", "FIN"}, {"PRFISSE", "20"}, {"PRVARIA", "50"}});
    add("FINANZ", {{"RAPPORTO", "FIN"}, {"PRFISSE", "30"}, {"PRVARIA", "75"}, {"PAGATO", "T"}});
    ledger("20/01/2025", "Sospesi da produttori", "15");
    f = dailyFigures(workspace(), d(15, 2));
    ASSERT_EQ(2u, f.agreements.size());
    EXPECT_TRUE(f.agreements[1].byTelephone);
    EXPECT_EQ(n("185"), f.agreements[1].premiums);
    EXPECT_EQ(n("600"), f.premiums);
    ASSERT_EQ(1u, f.loans.size());
    EXPECT_EQ(n("70"), f.loanFixed + f.loanVariable);
    EXPECT_EQ(n("7"), f.earlierMonths.commissions);
    EXPECT_EQ(n("15"), f.earlierMonths.ledger);
    EXPECT_EQ(n("215"), f.suspendedTotal);
    EXPECT_EQ(n("2640") + n("70") + n("15") - n("7") - n("4"), f.virtualBalance); // 01/03 is "from this month on"

    // On the first of a month the current month is that day alone.
    f = dailyFigures(workspace(), d(1, 3));
    ASSERT_EQ(1u, f.currentMonth.producers.size());
    EXPECT_EQ("VERDI", f.currentMonth.producers[0].producer);
    EXPECT_EQ(n("4"), f.currentMonth.commissions);
    EXPECT_EQ(n("57"), f.earlierMonths.commissions); // ROSSI's 50 and VERDI's 7
}

// The month's portfolio and the day's new contracts start from this month's movements; the
// complete version lists missing documents, overdue collections and policies never collected.
TEST_F(DailyReport, PortfolioNewContractsAndTheCompleteLists)
{
    agency();
    policy("M-1", {{"FRAZIONAM", "MENSILE"}, {"IMPORTO", "50"}, {"PRODUTTORE", "ROSSI"}});
    policy("U-1", {{"FRAZIONAM", "PREMIO UNICO"}, {"IMPORTO", "1000"}, {"RAMO", "VITA"}});
    policy("A-1", {{"FRAZIONAM", "ANNUALE"}, {"IMPORTO", "300"}, {"PROVVAGEN", "30"}, {"PRODUTTORE", "BIANCHI"}});
    policy("OLD", {{"FRAZIONAM", "ANNUALE"}, {"IMPORTO", "999"}});
    policy("SOST", {{"FRAZIONAM", "ANNUALE"}, {"IMPORTO", "999"}, {"SOSTPOL", "X-1"}});
    policy("NUOVA", {{"FRAZIONAM", "ANNUALE"}, {"IMPORTO", "70"}, {"DOCUMENTO", "Patente"}, {"ASSICURATO", "ZETA"}});
    policy("LATE", {{"FRAZIONAM", "SEMESTRALE"}, {"IMPORTO", "100"}, {"PROVVAGEN", "10"}, {"COPERTURA", "04/02/2025"},
                    {"EFFETTO", "04/02/2024"}, {"COMPAGNIA", "GAMMA"}});
    policy("SOSP", {{"COPERTURA", "01/01/2025"}, {"PAGAMENTO", "Sospeso"}});
    for (const char* p : {"M-1", "U-1", "SOST"}) movement("03/02/2025", {{"POLIZZA", p}});
    movement("15/02/2025", {{"POLIZZA", "A-1"}});
    movement("20/12/2024", {{"POLIZZA", "OLD"}});
    movement("05/02/2025", {{"POLIZZA", "OLD"}});
    for (const char* p : {"LATE", "SOSP"}) movement("05/01/2025", {{"POLIZZA", p}});

    const DailyFigures f = dailyFigures(workspace(), d(15, 2));
    EXPECT_EQ(n("1900"), f.monthPortfolio);
    EXPECT_EQ(n("1000"), f.monthSinglePremiums);
    ASSERT_EQ(1u, f.newContracts.size());
    EXPECT_EQ("A-1", f.newContracts[0].policy);

    const PrintDocument doc = printDailyReport(workspace(), d(15, 2), true, false);
    EXPECT_EQ("Reporting giornaliero del 15/02/25", doc.name);
    const std::string all = text(doc);
    for (const char* x : {"|REPORTING GIORNALIERO DEL 15/02/25|", "|RAPPORTI|", "|TOT.PR.AGEN.|", "|510,00|",
                          "|SOSPESI DA PRODUTTORI|", "|TOTALE SOSPESI|", "|PREMI SOSPESI PRODUTTORI MESI PRECEDENTI|",
                          "|PREMI SOSPESI PRODUTTORI MESE IN CORSO|", "|VALORE DI PORTAFOGLIO NEL MESE|", "|1.900,00|",
                          "|DI CUI PREMI UNICI|", "|CONTRATTI NUOVI DEL GIORNO|", "|BIANCHI|", "|A-1|",
                          "|SALDO CASSA|", "|3.800,00|", "|SALDO ASSEGNI E BONIFICI C/C POSTALE|", "|SALDO VIRTUALE|",
                          "|2.640,00|", "|DOCUMENTAZIONE CONTRATTI AUTO MANCANTE|", "|ZETA|", "|Patente|",
                          "|POLIZZE INCASSO SCADUTO|", "|COMPAGNIA: GAMMA|", "|04/02/25|", "|20,00|",
                          "|TOTALE GENERALE|", "|POLIZZE EMESSE NON PERFEZIONATE|", "|NUOVA|"})
        EXPECT_NE(all.find(x), std::string::npos) << x;
    EXPECT_EQ(std::string::npos, all.find("|FINANZIARIE|")); // no unpaid loan
    EXPECT_EQ(std::string::npos, all.find("|SOSP|"));        // suspended payment: never overdue
    // Each list of the complete version on pages of its own, after the main ones.
    size_t documents = 0, overdue = 0, unperfected = 0;
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        const std::string page = dumpPage(doc, doc.pages[i]);
        if (page.find("|DOCUMENTAZIONE CONTRATTI AUTO MANCANTE|") != std::string::npos) documents = i;
        if (page.find("|POLIZZE INCASSO SCADUTO|") != std::string::npos) overdue = i;
        if (page.find("|POLIZZE EMESSE NON PERFEZIONATE|") != std::string::npos) unperfected = i;
    }
    EXPECT_LT(0u, documents);
    EXPECT_LT(documents, overdue);
    EXPECT_LT(overdue, unperfected);
    EXPECT_EQ(std::string::npos, text(printDailyReport(workspace(), d(15, 2), false, false)).find("INCASSO SCADUTO"));
}

// A long section goes on on new pages with the report's title and its own headings, never past the
// foot of the page.
TEST_F(DailyReport, SectionsBreakOntoNewPages)
{
    for (int i = 0; i < 70; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "RAPPORTO %02d", i);
        movement("05/02/2025", {{"RAPPORTO", name}, {"DESCRIZIO", "Incasso"}, {"IMPORTO", "10"}});
    }
    const PrintDocument doc = printDailyReport(workspace(), d(15, 2), false, false);
    ASSERT_LE(3u, doc.pages.size());
    const std::string second = dumpPage(doc, doc.pages[1]);
    EXPECT_NE(second.find("|REPORTING GIORNALIERO DEL 15/02/25|"), std::string::npos);
    EXPECT_NE(second.find("|TOT.PR.AGEN.|"), std::string::npos);
    EXPECT_NE(second.find("|RAPPORTO 69|"), std::string::npos);
    for (const Page& p : doc.pages)
        for (const PageItem& item : p.items)
            EXPECT_LT(item.y / doc.geometry.lineHeight(), 63.0) << item.text;
    EXPECT_NE(text(doc).find("|700,00|"), std::string::npos);
}

} // namespace

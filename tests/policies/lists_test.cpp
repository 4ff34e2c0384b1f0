#include "policies/lists.h"

#include <gtest/gtest.h>

#include "policies/policylist.h"
#include "policies/policyregister.h"
#include "policies/policyfolder.h"
#include "store/workspace.h"
#include "support/pages.h"

using namespace arv;
using namespace arv::store;
using namespace arv::policies;

namespace {

const Date kToday = Date::fromYmd(2025, 3, 1);

class Lists : public arv::test::PolicyFolderTest {
protected:
    void policy(const std::string& number, Values v) { addPolicy(number, "AUTO", std::move(v)); }
    // The numbers of the policies CONDITION takes, in the register's order.
    std::vector<std::string> selected(const RecordPredicate& condition)
    {
        OwnTable p(workspace(), "POLIZZE", true);
        p->ordAdd("POLIZZE");
        std::vector<std::string> out;
        for (p->goTop(); !p->eof(); p->skip(1))
            if (!condition || condition(*p)) out.push_back(p->text("POLIZZA"));
        return out;
    }
    static std::string text(const PrintDocument& doc) { return test::pagesText(doc); }
};

using Numbers = std::vector<std::string>;

TEST_F(Lists, CancelledReformAndExpirySelections)
{
    policy("C1", {{"DISDETTA", "T"}, {"SCADENZA", "01/03/2025"}});
    policy("C2", {{"DISDETTA", "T"}, {"SCADENZA", "28/02/2025"}});
    policy("C3", {{"DISDETTA", "T"}, {"SOSTDA", "C9"}, {"SCADENZA", "10/03/2025"}});
    policy("C4", {{"SCADENZA", "10/03/2025"}});
    policy("C5", {{"DISDETTA", "T"}});
    policy("C6", {{"DISDETTA", "T"}, {"DISDCLI", "T"}, {"SCADENZA", "01/06/2025"}});
    policy("R1", {{"PROMEMORIA", "T"}, {"SCADENZA", "24/06/2025"}});
    policy("R2", {{"PROMEMORIA", "T"}, {"SCADENZA", "25/06/2025"}});
    policy("R3", {{"PROMEMORIA", "T"}, {"SCADENZA", "10/05/2024"}});
    policy("R4", {{"PROMEMORIA", "T"}});
    policy("S1", {{"SCADENZA", "20/06/2024"}, {"PAGAMENTO", "Bonifico"}});
    policy("S2", {{"SCADENZA", "20/06/2026"}, {"FRAZIONAM", "SEMESTRALE"}, {"COPERTURA", "20/12/2025"}});
    policy("S3", {{"SCADENZA", "20/12/2025"}, {"RAMO", "Incendio"}});
    policy("S4", {{"SCADENZA", "05/01/2026"}, {"COMPAGNIA", "beta"}});
    policy("S5", {{"SCADENZA", "16/07/2025"}, {"DISDETTA", "T"}});

    struct Case {
        const char* name;
        RecordPredicate condition;
        Numbers wanted;
    };
    auto d = [](int day, int month, int year = 2025) { return Date::fromYmd(year, month, day); };
    ExpiryCriteria june;
    june.activeOnly = false;
    june.anniversaryFrom = d(15, 6);
    june.anniversaryTo = d(15, 7);
    ExpiryCriteria yearEnd = june;
    yearEnd.anniversaryFrom = d(15, 12);
    yearEnd.anniversaryTo = d(15, 1);
    ExpiryCriteria half;
    half.halfFrom = d(1, 12);
    ExpiryCriteria byText;
    byText.company = "BETA";
    byText.branch = "inc";
    ExpiryCriteria payment;
    payment.payment = "bonifico";
    const Case cases[] = {
        {"Disdette from today", cancelledCondition({}, kToday), {"C1", "C6", "S5"}},
        {"Disdette expired", cancelledCondition({{}, {}, true, false}, kToday), {"C2"}},
        {"Disdette by the client", cancelledCondition({{}, {}, false, true}, kToday), {"C6"}},
        {"Disdette up to May", cancelledCondition({{}, d(31, 5), false, false}, kToday), {"C1"}},
        {"Riforma", reformCondition({}, kToday), {"R1", "R3"}},
        {"Riforma from 2025", reformCondition({d(1, 1), {}}, kToday), {"R1"}},
        {"Annualita in June", expiryCondition(june), {"R1", "R2", "S1", "S2"}},
        {"Annualita round the year end", expiryCondition(yearEnd), {"S3", "S4"}},
        {"Semestralita", expiryCondition(half), {"S2"}},
        {"Company and branch in any case", expiryCondition(byText), {}},
        {"Payment", expiryCondition(payment), {"S1"}},
    };
    for (const Case& c : cases) EXPECT_EQ(selected(c.condition), c.wanted) << c.name;
    byText.company = "beta";
    byText.branch = {};
    EXPECT_EQ(selected(expiryCondition(byText)), Numbers{"S4"});
    ExpiryCriteria none;
    none.activeOnly = false;
    EXPECT_FALSE(expiryCondition(none)); // no condition: every policy
}

TEST_F(Lists, NewBusinessByFirstMovement)
{
    policy("N1", {});
    policy("N2", {{"SOSTPOL", "N0"}, {"PROVENIEN", "ALFA"}});
    policy("N3", {});
    policy("N4", {{"OPERATORE", "ANNA"}});
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"GRUPPO", "FAMIGLIA"}});
    // N1's first movement in MOVIPOLI order is the one of February, entered first.
    add("MOVICOMP", {{"POLIZZA", "N1"}, {"DATA", "10/02/2025"}});
    add("MOVICOMP", {{"POLIZZA", "N1"}, {"DATA", "05/01/2025"}});
    add("MOVICOMP", {{"POLIZZA", "N2"}, {"DATA", "15/02/2025"}});
    add("MOVICOMP", {{"POLIZZA", "N3"}, {"DATA", "10/03/2025"}});
    const std::function<void()> close = openPolicyLookups(workspace());
    NewBusinessCriteria february;
    february.from = Date::fromYmd(2025, 2, 1);
    february.to = Date::fromYmd(2025, 2, 28);
    EXPECT_EQ(selected(newBusinessCondition(workspace(), february)), Numbers{"N1"});
    february.withOrigin = true;
    EXPECT_EQ(selected(newBusinessCondition(workspace(), february)), Numbers{"N2"});
    NewBusinessCriteria pending;
    pending.toComplete = true;
    EXPECT_EQ(selected(newBusinessCondition(workspace(), pending)), Numbers{"N4"});
    NewBusinessCriteria group;
    group.group = "famiglia";
    group.operatorName = "anna";
    EXPECT_EQ(selected(newBusinessCondition(workspace(), group)), Numbers{"N4"});
    EXPECT_FALSE(newBusinessCondition(workspace(), {})); // no condition: every policy
    close();
}

TEST_F(Lists, ListsPrintTheirViewUnderTheirTitle)
{
    policy("P1", {{"CODICE", "1"}, {"ASSICURATO", "BIANCHI ANNA"}, {"COPERTURA", "10/05/2025"}, {"SCADENZA", "10/05/2026"},
                  {"IMPORTO", "50"}, {"COMMISS", "3"}, {"SPESE", "2"}, {"FRAZIONAM", "MENSILE"}, {"PROVVAGEN", "5"}});
    policy("P2", {{"ASSICURATO", "ALBERTI LUCA"}, {"COPERTURA", "01/04/2025"}, {"SCADENZA", "01/04/2026"},
                  {"IMPORTO", "100"}, {"RAMO", "VITA"}, {"FRAZIONAM", "MENSILE"}, {"PROVVAGEN", "5"},
                  {"EFFETTO", "01/03/2025"}});
    policy("P3", {{"ASSICURATO", "CORTI EVA"}, {"COPERTURA", "01/01/2025"}, {"DISDETTA", "T"},
                  {"SCADENZA", "01/06/2025"}, {"IMPORTO", "10"}});
    add("DATIAUTO", {{"POLIZZA", "1"}, {"TARGA", "AB 123 CD"}});
    {
        Table& t = workspace().open("POLIZZE");
        t.ordAdd("POLIZZE");
        t.goTop();
        // The register's own list: active policies only, figures per year, the total.
        const PrintDocument all = printPolicyList(workspace(), t, PolicyListOptions{kDefaultListTitle, false, false});
        EXPECT_TRUE(all.geometry.landscape());
        const std::string s = text(all);
        for (const char* x : {"|STAMPA POLIZZE|", "|SCAD.|", "|PORTAFOGLIO|", "|55,00|", "|600,00|", "|1.200,00|",
                              "|60,00|", "|TOTALE|", "|1.800,00|"})
            EXPECT_NE(s.find(x), std::string::npos) << x;
        EXPECT_EQ(s.find("|P3|"), std::string::npos);
        // A life policy in its first year earns its commission once.
        EXPECT_NE(s.find("|5,00|"), std::string::npos);
        const PrintDocument brief = printPolicyList(workspace(), t, PolicyListOptions{"Elenco", true, false});
        EXPECT_NE(text(brief).find("|AB 123 CD|"), std::string::npos);
        EXPECT_NE(text(brief).find("|P3|"), std::string::npos); // a titled list prints every policy
        EXPECT_EQ(t.text("POLIZZA"), "P2");                     // the cursor back on its record
        workspace().close("POLIZZE");
    }
    // "Scadenza polizze per data": by coverage date, without the three columns.
    ExpiryCriteria every;
    every.activeOnly = false;
    const PrintDocument expiry = listExpiry(workspace(), every, false);
    const std::string e = text(expiry);
    EXPECT_NE(e.find("|SCADENZA POLIZZE PER DATA|"), std::string::npos);
    for (const char* gone : {"|SCAD.|", "|PORTAFOGLIO|", "|PROVVIGIONI|"}) EXPECT_EQ(e.find(gone), std::string::npos) << gone;
    EXPECT_LT(e.find("|P3|"), e.find("|P2|"));
    EXPECT_LT(e.find("|P2|"), e.find("|P1|"));
    // The cancelled list keeps the register's order and prints a cancelled policy.
    const PrintDocument cancelled = listCancelled(workspace(), {}, kToday, false);
    EXPECT_NE(text(cancelled).find("|ELENCO DISDETTE|"), std::string::npos);
    EXPECT_NE(text(cancelled).find("|P3|"), std::string::npos);
    EXPECT_EQ(text(cancelled).find("|P1|"), std::string::npos);
}

TEST_F(Lists, CancellationLetters)
{
    CancellationLetterCriteria both{"D1", "ALFA", {}, {}, {}, {}};
    EXPECT_FALSE(cancellationLetterProblem(both).empty());
    EXPECT_FALSE(cancellationLetterProblem({}).empty());
    EXPECT_TRUE(cancellationLetterProblem({"D1", "", {}, {}, {}, {}}).empty());

    add("COMPAGN", {{"COMPAGNIA", "ALFA"}, {"RAGSOC1", "ALFA ASSICURAZIONI S.P.A."}, {"INDIRIZZO", "VIA ROMA 1"},
                    {"CAP", "20100"}, {"CITTA", "MILANO"}, {"PROVINCIA", "MI"}});
    policy("D1", {{"AVVISO", "T"}, {"SCADENZA", "05/01/2026"}, {"COPERTURA", "05/01/2025"}, {"ASSICURATO", "VERDI ANNA"}});
    policy("D2", {{"AVVISO", "T"}, {"SCADENZA", "20/12/2025"}, {"COPERTURA", "20/12/2024"}});
    policy("D3", {{"AVVISO", "T"}, {"SCADENZA", "20/06/2025"}});
    policy("D4", {{"AVVISO", "T"}, {"SCADENZA", "20/12/2025"}, {"RAPPORTO", "alfa"}}); // another agreement
    policy("D5", {{"SCADENZA", "20/12/2025"}});
    AgencyIdentity agency;
    agency.town = "Roma";
    CancellationLetterCriteria c;
    c.agreement = "ALFA";
    c.anniversaryFrom = Date::fromYmd(2025, 12, 15);
    c.anniversaryTo = Date::fromYmd(2025, 1, 15);
    std::string message;
    const PrintDocument doc = printCancellationLetters(workspace(), c, agency, kToday, false, &message);
    EXPECT_TRUE(message.empty());
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_EQ(doc.name, "Disdette");
    // By insured: ROSSI MARIO's D2 before VERDI ANNA's D1.
    const std::string first = dumpPage(doc, doc.pages[0]);
    for (const char* x : {"|RACCOMANDATA A.R.|", "|MITTENTE: ROSSI MARIO|", "|Roma, 01/03/25|", "|Spett.le|",
                          "|ALFA ASSICURAZIONI S.P.A.|", "|VIA ROMA 1|", "|20100 MILANO (MI)|",
                          "|OGGETTO: DISDETTA POLIZZA ASSICURATIVA N. D2|", "|Il/La sottoscritto/a ROSSI MARIO,|",
                          "|Distinti saluti.|"})
        EXPECT_NE(first.find(x), std::string::npos) << x << "\n" << first;
    EXPECT_NE(dumpPage(doc, doc.pages[1]).find("N. D1|"), std::string::npos);

    c.from = Date::fromYmd(2025, 6, 1);
    const PrintDocument none = printCancellationLetters(workspace(), c, agency, kToday, false, &message);
    EXPECT_TRUE(none.pages.empty());
    EXPECT_EQ(message, kMsgNoLetters);
    const PrintDocument one = printCancellationLetters(workspace(), {"D3", "", {}, {}, {}, {}}, agency, kToday, false, &message);
    EXPECT_EQ(one.pages.size(), 1u);
}

} // namespace

#include "policies/notices.h"

#include <gtest/gtest.h>

#include "policies/policyfolder.h"
#include "store/workspace.h"
#include "support/pages.h"
#include "support/smtpserver.h"

using namespace arv;
using namespace arv::store;
using namespace arv::policies;

namespace {

Date d(int day, int month, int year = 2025) { return Date::fromYmd(year, month, day); }

class Notices : public arv::test::PolicyFolderTest {
protected:
    // A policy with its notice flag, due in June 2025 unless VALUES say otherwise.
    void policy(const std::string& insured, const std::string& number, Values v)
    {
        v.emplace("ASSICURATO", insured);
        v.emplace("AVVISO", "T");
        v.emplace("COPERTURA", "15/06/2025");
        v.emplace("SCADENZA", "15/06/2025");
        v.emplace("PAGAMENTO", "Bonifico");
        addPolicy(number, "AUTO", std::move(v));
    }
    static NoticeCriteria june()
    {
        NoticeCriteria c;
        c.from = d(1, 6);
        c.to = d(30, 6);
        return c;
    }
    // "insured: number number ..." for each group, the policies passing the choice marked "*".
    static std::vector<std::string> shown(const std::vector<NoticeGroup>& groups)
    {
        std::vector<std::string> out;
        for (const NoticeGroup& g : groups) {
            std::string s = g.insured + ":";
            for (const NoticePolicy& p : g.policies) s += " " + p.number + (p.chosen ? "*" : "");
            out.push_back(s);
        }
        return out;
    }
    static std::string text(const PrintDocument& doc) { return test::pagesText(doc); }
    AgencyIdentity agency()
    {
        AgencyIdentity a;
        a.name = "Agenzia Esempio";
        a.town = "Roma";
        a.telephone = "06 1234567";
        a.email = "info@agenzia.example";
        return a;
    }
};

using Lines = std::vector<std::string>;

TEST_F(Notices, SelectionDueDatesChoiceAndGrouping)
{
    policy("ROSSI MARIO", "A1", {});
    policy("ROSSI MARIO", "A2", {{"COPERTURA", "10/06/2025"}, {"SCADENZA", "10/12/2025"}, {"FRAZIONAM", "SEMESTRALE"}});
    policy("ROSSI MARIO", "A3", {{"FRAZIONAM", "MENSILE"}, {"COPERTURA", "20/05/2025"}, {"SCADENZA", "20/12/2025"}});
    policy("ROSSINI LUCA", "B1", {{"RAPPORTO", "BETA"}});
    policy("BIANCHI ANNA", "C1", {{"SOSTDA", "C9"}});
    policy("BIANCHI ANNA", "C2", {{"DISDETTA", "T"}});
    policy("BIANCHI ANNA", "C3", {{"AVVISO", "F"}});
    policy("VERDI ELSA", "D1", {{"COPERTURA", "01/07/2025"}});

    EXPECT_EQ(shown(selectNotices(workspace(), june())), (Lines{"ROSSI MARIO: A2* A1*", "ROSSINI LUCA: B1*"}));
    // In arrears the monthly policy covered to 20 May falls due on 20 June.
    NoticeCriteria arrears = june();
    arrears.arrears = true;
    EXPECT_EQ(noticeDueDate(d(20, 5), "MENSILE", true), d(20, 6));
    EXPECT_EQ(shown(selectNotices(workspace(), arrears)), (Lines{"ROSSI MARIO: A3*"}));
    // "Annualità": the instalment that is the annual expiry; "Altre": the others.
    NoticeCriteria annual = june();
    annual.choice = NoticeChoice::Annual;
    EXPECT_EQ(shown(selectNotices(workspace(), annual)), (Lines{"ROSSI MARIO: A2 A1*", "ROSSINI LUCA: B1*"}));
    NoticeCriteria others = june();
    others.choice = NoticeChoice::Others;
    EXPECT_EQ(shown(selectNotices(workspace(), others)), (Lines{"ROSSI MARIO: A2* A1", "ROSSINI LUCA: B1"}));
    // "All'assicurato" takes every name that begins with it; an excluded agreement goes.
    NoticeCriteria names = june();
    names.insuredFrom = "rossi";
    names.insuredTo = "ROSSI M";
    EXPECT_EQ(shown(selectNotices(workspace(), names)), (Lines{"ROSSI MARIO: A2* A1*"}));
    NoticeCriteria excluded = june();
    excluded.excluded = "ALFA";
    EXPECT_EQ(shown(selectNotices(workspace(), excluded)), (Lines{"ROSSINI LUCA: B1*"}));
    NoticeCriteria one;
    one.number = "d1";
    EXPECT_EQ(shown(selectNotices(workspace(), one)), (Lines{"VERDI ELSA: D1*"}));
    one.from = d(1, 6);
    int field = 0;
    EXPECT_FALSE(noticeCriteriaProblem(one, &field).empty());
    EXPECT_EQ(field, 1);
    EXPECT_EQ(noticeCriteriaProblem(NoticeCriteria{}, &field), "Indicare il periodo.");
    EXPECT_TRUE(noticeCriteriaProblem(june()).empty());
}

TEST_F(Notices, LettersAmountsAndSkippedClients)
{
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"TITOLO", "Sig."}, {"INDIRIZZO", "VIA VERDI 3"}, {"CAP", "00100"},
                    {"CITTA", "ROMA"}, {"PROVINCIA", "RM"}});
    add("CLIENTI", {{"CLIENTE", "NERI PAOLO"}, {"E_MAIL", "paolo@example.it"}});
    add("CLIENTI", {{"CLIENTE", "GIALLI ADA"}, {"E_MAIL", "ada@example.it"}, {"PERPOSTA", "T"}});
    policy("ROSSI MARIO", "R1", {{"IMPORTO", "100"}, {"CODICE", "1"}});
    policy("ROSSI MARIO", "R2", {{"IMPORTO", "80"}, {"COPERTURA", "20/06/2025"}, {"SCADENZA", "20/06/2025"}});
    policy("ROSSI MARIO", "R3", {{"IMPORTO", "0"}, {"PAGAMENTO", "Presso cliente"}}); // not listed
    policy("NERI PAOLO", "N1", {{"IMPORTO", "50"}});
    policy("GIALLI ADA", "G1", {{"IMPORTO", "200"}, {"TELEFONICA", "T"}, {"COMMISS", "15"}, {"SPESE", "5"}});
    policy("GIALLI ADA", "G2", {{"COPERTURA", "25/06/2025"}, {"SCADENZA", "25/06/2025"}});
    policy("BRUNI EVA", "E1", {{"IMPORTO", "12343.17"}}); // 12.345,67 with the postal expenses
    policy("BRUNI EVA", "E2", {{"PAGAMENTO", "PRESSO CLIENTE"}, {"IMPORTO", "10"}});
    add("DATIAUTO", {{"POLIZZA", "1"}, {"TARGA", "AB 123 CD"}});

    const std::vector<NoticeGroup> groups = selectNotices(workspace(), june());
    const Decimal postal = *Decimal::parse("2.50");
    NoticeTexts texts = NoticeTexts::load(IniFile(dir.file("ARV.INI")));
    texts.info = "Orari: dal lunedì al venerdì.";
    const NoticeLetters l = printNoticeLetters(workspace(), groups, texts, agency(), postal, d(1, 3), false);
    EXPECT_EQ(l.letters, 3);
    EXPECT_EQ(l.skipped, 1); // NERI PAOLO gets e-mail
    ASSERT_EQ(l.doc.pages.size(), 3u);
    EXPECT_EQ(l.doc.name, "Avvisi");
    // BRUNI EVA: a wide amount reads back whole; the policy paid at the client's is left out.
    const std::string bruni = dumpPage(l.doc, l.doc.pages[0]);
    EXPECT_NE(bruni.find("|12.345,67|"), std::string::npos) << bruni;
    EXPECT_EQ(bruni.find("|E2|"), std::string::npos);
    // GIALLI ADA: "per posta"; the telephone policy takes fee, expenses and postal; a missing
    // premium takes the amounts off and asks for the recalculation.
    const std::string gialli = dumpPage(l.doc, l.doc.pages[1]);
    EXPECT_EQ(gialli.find("|IMPORTO|"), std::string::npos);
    EXPECT_EQ(gialli.find("|222,50|"), std::string::npos);
    EXPECT_NE(gialli.find("|Stiamo effettuando il ricalcolo"), std::string::npos) << gialli;
    // ROSSI MARIO: postal expenses on the first policy only.
    const std::string rossi = dumpPage(l.doc, l.doc.pages[2]);
    for (const char* x : {"|Agenzia Esempio|", "|Sig.|", "|ROSSI MARIO|", "|00100 ROMA (RM)|",
                          "|OGGETTO: AVVISO DI SCADENZA POLIZZE ASSICURATIVE|", "|POLIZZA N.|", "|IMPORTO|", "|R1|",
                          "|AB 123 CD|", "|102,50|", "|80,00|", "|Cordiali saluti.|", "|Roma, 01/03/25|",
                          "|L'Agenzia|", "info@agenzia.example", "|Orari: dal lunedì al venerdì.|"})
        EXPECT_NE(rossi.find(x), std::string::npos) << x << "\n" << rossi;
    EXPECT_EQ(rossi.find("|R3|"), std::string::npos);
    EXPECT_EQ(rossi.find("ricalcolo"), std::string::npos);

    // The amounts of the notice: premium, telephone fee and expenses, postal on the first.
    const NoticePolicy phone{"G1", "", "", "", "", {}, {}, Decimal(200), Decimal(15), Decimal(5), true, true};
    EXPECT_EQ(noticeAmount(phone, true, postal), *Decimal::parse("222.50"));
    EXPECT_EQ(noticeAmount(phone, false, postal), Decimal(220));

    // The run: the message of the clients left to e-mail, and the one of an empty period.
    NoticeOutput o;
    o.postal = postal;
    o.texts = texts;
    o.agency = agency();
    o.today = d(1, 3);
    o.preview = false;
    NoticeRun run = runNotices(workspace(), june(), o);
    EXPECT_EQ(run.messages, (Lines{"Non stampati 1 assicurati perché dotati di indirizzo email."}));
    NoticeCriteria july = june();
    july.from = d(1, 8);
    july.to = d(31, 8);
    EXPECT_EQ(runNotices(workspace(), july, o).messages, (Lines{"Nessun avviso da stampare nel periodo specificato."}));
    o.viaEmail = true;
    EXPECT_EQ(runNotices(workspace(), july, o).messages, (Lines{"Nessun avviso da inviare nel periodo specificato."}));
}

TEST_F(Notices, EmailsThroughTheMailServer)
{
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"E_MAIL", "mario@example.it"}});
    add("CLIENTI", {{"CLIENTE", "SALVI ANNA"}, {"TITOLO", "Gent.ma Sig.ra"}, {"E_MAIL", "anna@example.it"}});
    add("CLIENTI", {{"CLIENTE", "TOSI LEO"}, {"E_MAIL", "rifiuta@example.it"}});
    add("CLIENTI", {{"CLIENTE", "VERDI UGO"}, {"E_MAIL", "ugo@example.it"}});
    policy("ROSSI MARIO", "R1", {{"IMPORTO", "100"}});
    policy("ROSSI MARIO", "R2", {{"IMPORTO", "80"}, {"PAGAMENTO", "Presso cliente"}});
    policy("SALVI ANNA", "S1", {{"IMPORTO", "0"}});
    policy("TOSI LEO", "T1", {{"IMPORTO", "10"}});
    policy("VERDI UGO", "V1", {{"IMPORTO", "10"}});
    arv::test::SmtpServer server(dir.file("posta"));
    ASSERT_TRUE(server.ready());

    NoticeOutput o;
    o.viaEmail = true;
    o.mail.server = "127.0.0.1";
    o.mail.port = server.port();
    o.mail.sender = "agenzia@example.it";
    o.mail.copy = "copia@example.it";
    o.postal = *Decimal::parse("2.50");
    o.texts = NoticeTexts::load(IniFile(dir.file("ARV.INI")));
    o.agency = agency();
    o.today = d(1, 3);
    o.preview = false;
    const NoticeRun run = runNotices(workspace(), june(), o);
    // One message per client until the refused address stops the sending.
    ASSERT_EQ(server.received(), 2);
    EXPECT_EQ(run.sent, 2u);
    EXPECT_EQ(run.messages, (Lines{"Impossibile inviare l'avviso a TOSI LEO (rifiuta@example.it).",
                                   "2 avvisi inviati con successo."}));
    EXPECT_EQ(server.item(1, "rcpt"), "mario@example.it\ncopia@example.it"); // the agency's copy too
    EXPECT_EQ(server.item(1, "subject"), kNoticeSubject);
    const std::string body = server.item(1, "body");
    for (const char* x : {"Egr. Sig. ROSSI MARIO,", "POLIZZA N.: R1", "POLIZZA N.: R2", "IMPORTO: 102,50",
                          "IMPORTO: 80,00", "Il pagamento potrà essere", "Cordiali saluti.", "Agenzia Esempio",
                          "informare immediatamente info@agenzia.example o telefonando al n. 06 1234567."})
        EXPECT_NE(body.find(x), std::string::npos) << x << "\n" << body;
    const std::string anna = server.item(2, "body");
    EXPECT_NE(anna.find("Gent.ma Sig.ra SALVI ANNA,"), std::string::npos);
    EXPECT_EQ(anna.find("IMPORTO:"), std::string::npos); // a premium missing: no amounts

    // The report, a page per message.
    ASSERT_EQ(run.report.pages.size(), 2u);
    EXPECT_EQ(run.report.name, "Report avvisi inviati via email");
    const std::string report = dumpPage(run.report, run.report.pages[0]);
    for (const char* x : {"|REPORT AVVISI INVIATI VIA EMAIL|", "|DESTINATARIO: ROSSI MARIO|", "|EMAIL: mario@example.it|",
                          "|OGGETTO: Avviso di scadenza polizze assicurative|", "|MESSAGGIO:|", "|POLIZZA N.: R1|"})
        EXPECT_NE(report.find(x), std::string::npos) << x << "\n" << report;
}

} // namespace

#include "reporting/coverages.h"

#include <gtest/gtest.h>

#include "policies/policyfolder.h"
#include "store/workspace.h"
#include "support/pages.h"
#include "support/smtpserver.h"

using namespace arv;
using namespace arv::store;
using namespace arv::reporting;

namespace {

using Lines = std::vector<std::string>;

class Coverages : public arv::test::PolicyFolderTest {
protected:
    void SetUp() override
    {
        PolicyFolderTest::SetUp();
        agreement("ALFA", "T", "coperture@alfa.example;uffici@alfa.example");
        agreement("BETA", "T", "");
        agreement("GAMMA", "F", "coperture@gamma.example");
        agreement("DELTA", "T", "rifiuta@delta.example");
        collection("BETA", "B-1", "500", "50");
        collection("BETA", "B-2", "300", "25");
        collection("BETA", "B-3", "100", "10", {{"PRODUTTOR2", "T"}});      // the second producer's
        collection("BETA", "B-4", "100", "10", {{"DATA", "11/03/2025"}});   // another day
        collection("ALFA", "A-1", "1234.5", "123.45");
        collection("GAMMA", "G-1", "90", "9");
        collection("DELTA", "D-1", "70", "7");
    }
    void agreement(const std::string& name, const std::string& coverages, const std::string& address)
    {
        add("COMPAGN", {{"COMPAGNIA", name}, {"RAGSOC1", name + " S.P.A."}, {"INDIRIZZO", "Via Roma, 1"},
                        {"CAP", "00100"}, {"CITTA", "ROMA"}, {"PROVINCIA", "RM"}, {"FAX", "06 999"},
                        {"COPERTURE", coverages}, {"EMAILCOPE", address}});
    }
    void collection(const std::string& agreement, const std::string& policy, const std::string& amount,
                    const std::string& commission, Values v = {})
    {
        v.emplace("DATA", "10/03/2025");
        v.emplace("RAPPORTO", agreement);
        v.emplace("COMPAGNIA", agreement);
        v.emplace("POLIZZA", policy);
        v.emplace("SCADENZA", "01/03/2025");
        v.emplace("RAMO", "AUTO");
        v.emplace("ASSICURATO", "ROSSI MARIO");
        v.emplace("CONTO", "Cassa entrate");
        v.emplace("DESCRIZIO", "Incasso");
        v.emplace("IMPORTO", amount);
        v.emplace("PROVVAGEN", commission);
        add("MOVICOMP", v);
    }
    static AgencyIdentity agency()
    {
        AgencyIdentity a;
        a.name = "Agenzia Esempio";
        a.activity = "Assicurazioni";
        a.address = "Via Verdi, 3";
        a.town = "Roma";
        a.telephone = "06 1234567";
        a.email = "info@agenzia.example";
        return a;
    }
    static std::string text(const PrintDocument& doc) { return test::pagesText(doc); }
    static Date day() { return Date::fromYmd(2025, 3, 10); }
};

TEST_F(Coverages, LettersForAgreementsWithoutACoverageAddress)
{
    const std::vector<CoverageGroup> groups = selectCoverages(workspace(), day());
    ASSERT_EQ(3u, groups.size()); // GAMMA takes no part
    EXPECT_EQ("ALFA", groups[0].agreement);
    EXPECT_EQ("BETA", groups[1].agreement);
    ASSERT_EQ(2u, groups[1].lines.size());

    CoverageOutput o;
    o.agency = agency();
    o.preview = false;
    const CoverageRun run = runCoverages(workspace(), day(), o);
    EXPECT_EQ(run.messages, (Lines{"Non stampati 2 rapporti perché dotati di indirizzo email."}));
    EXPECT_EQ("Stampa coperture giornaliere", run.letters.name);
    EXPECT_TRUE(run.letters.geometry.landscape());
    ASSERT_EQ(1u, run.letters.pages.size());
    const std::string page = text(run.letters);
    for (const char* x : {"|Spett.le|", "|BETA S.P.A.|", "|Fax: 06 999|", "|COMUNICAZIONE DI INCASSO|", "|CONTO|",
                          "|B-1|", "|B-2|", "|Cassa entrate|", "|TOTALE|", "|800,00|", "|75,00|", "|Distinti saluti.|"})
        EXPECT_NE(page.find(x), std::string::npos) << x << "\n" << page;
    for (const char* x : {"|B-3|", "|B-4|", "|A-1|", "|G-1|"}) EXPECT_EQ(page.find(x), std::string::npos) << x;

    EXPECT_EQ(runCoverages(workspace(), Date::fromYmd(2025, 3, 9), o).messages,
              (Lines{"Nessuna copertura da stampare nella data specificata."}));
    o.viaEmail = true;
    EXPECT_EQ(runCoverages(workspace(), Date::fromYmd(2025, 3, 9), o).messages,
              (Lines{"Nessuna copertura da inviare nella data specificata."}));
}

// One message per agreement with a coverage address, the text as the agreement reads it; a refused
// address stops the run, names its agreement and leaves the report to the messages sent.
TEST_F(Coverages, EmailsThroughTheMailServer)
{
    std::vector<MailMessage> outbox;
    const CoverageSending s = sendCoverages(selectCoverages(workspace(), day()), day(), agency(), MailMessage{}, "",
                                            [&outbox](const MailMessage& m) {
                                                outbox.push_back(m);
                                                return true;
                                            });
    ASSERT_EQ(2u, outbox.size());
    EXPECT_EQ("coperture@alfa.example;uffici@alfa.example", outbox[0].to);
    EXPECT_EQ("Coperture assicurative", outbox[0].subject);
    EXPECT_EQ("COMUNICAZIONE DI INCASSO\r\n"
              "\r\n"
              "Si prega di mettere a cassa in data 10/03/25 le polizze/quietanze di seguito evidenziate:\r\n"
              "\r\n"
              "\r\n"
              "POLIZZA N.: A-1\r\n"
              "SCADENZA: 01/03/25\r\n"
              "COMPAGNIA: ALFA\r\n"
              "RAMO: AUTO\r\n"
              "CONTRAENTE: ROSSI MARIO\r\n"
              "CONTO: Cassa entrate\r\n"
              "IMPORTO: 1.234,50\r\n"
              "PROVVIGIONE: 123,45\r\n"
              "\r\n"
              "TOTALE IMPORTO: 1.234,50\r\n"
              "TOTALE PROVVIGIONE: 123,45\r\n"
              "\r\n"
              "\r\n"
              "Cordiali saluti.\r\n"
              "\r\n"
              "Agenzia Esempio\r\n"
              "Assicurazioni\r\n"
              "Via Verdi, 3\r\n"
              "Roma\r\n"
              "Tel. 06 1234567\r\n"
              "\r\n"
              "Ai sensi del Decreto Legislativo n. 196/2003, si precisa che le informazioni contenute in questo "
              "messaggio e negli eventuali allegati sono riservate e per uso esclusivo del destinatario. Persone "
              "diverse dallo stesso non possono copiare o distribuire il messaggio a terzi. Chiunque riceva questo "
              "messaggio per errore, è pregato di distruggerlo e di informare immediatamente info@agenzia.example o "
              "telefonando al n. 06 1234567.\r\n",
              outbox[0].body);
    EXPECT_EQ(2u, s.sent.size());

    arv::test::SmtpServer server(dir.file("posta"));
    ASSERT_TRUE(server.ready());
    CoverageOutput o;
    o.viaEmail = true;
    o.mail.server = "127.0.0.1";
    o.mail.port = server.port();
    o.mail.sender = "agenzia@example.it";
    o.mail.copy = "copia@example.it";
    o.agency = agency();
    o.preview = false;
    const CoverageRun run = runCoverages(workspace(), day(), o);
    EXPECT_EQ(run.messages, (Lines{"Invio non riuscito a DELTA.;1 coperture inviate con successo."}));
    ASSERT_EQ(1, server.received());
    EXPECT_EQ("coperture@alfa.example\nuffici@alfa.example\ncopia@example.it", server.item(1, "rcpt"));
    EXPECT_NE(server.item(1, "body").find("TOTALE PROVVIGIONE: 123,45"), std::string::npos);
    EXPECT_EQ("Report coperture inviate via email", run.report.name);
    ASSERT_EQ(1u, run.report.pages.size());
    const std::string report = text(run.report);
    for (const char* x : {"|REPORT COPERTURE INVIATE VIA EMAIL|", "|DESTINATARIO: ALFA S.P.A.|",
                          "|EMAIL: coperture@alfa.example;uffici@alfa.example|", "|OGGETTO: Coperture assicurative|",
                          "|MESSAGGIO:|", "|POLIZZA N.: A-1|"})
        EXPECT_NE(report.find(x), std::string::npos) << x << "\n" << report;
}

} // namespace

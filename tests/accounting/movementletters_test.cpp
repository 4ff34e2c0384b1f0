// The letters of the company movements: the immediate coverage mailed to the agreement, the payment
// receipt filled into the agency's template, and the statement of suspended items printed for the
// clients without e-mail and mailed to the others through the test mail server.
#include <gtest/gtest.h>

#include <filesystem>

#include "accounting/movementletters.h"
#include "common/docx.h"
#include "common/office.h"
#include "common/pagemodel.h"
#include "registry/registerfolder.h"
#include "store/keys.h"
#include "support/smtpserver.h"

using namespace arv;
using namespace arv::accounting;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

class MovementLetters : public test::RegisterFolderTest {
protected:
    store::Workspace& ws() { return store::workspace(); }
    void add(const char* table, const std::function<void(store::Table&)>& fill) { addRecord(table, fill); }
    void client(const char* name, const char* email)
    {
        add("CLIENTI", [&](store::Table& t) {
            t.setText("CLIENTE", name);
            t.setText("TITOLO", "Egr. Sig.");
            t.setText("INDIRIZZO", "Via Roma 2");
            t.setText("CAP", "70100");
            t.setText("CITTA", "Bari");
            t.setText("PROVINCIA", "BA");
            t.setText("CODICEFISC", "VRDNNA80A41A662X");
            t.setText("E_MAIL", email);
        });
    }
    void movement(const char* insured, const char* policy, Date date, const char* amount)
    {
        add("MOVICOMP", [&](store::Table& t) {
            t.setDate("DATA", date);
            t.setText("POLIZZA", policy);
            t.setText("RAPPORTO", "ALFA");
            t.setText("COMPAGNIA", "ALFA");
            t.setText("RAMO", "AUTO");
            t.setText("ASSICURATO", insured);
            t.setText("DESCRIZIO", "Incasso");
            t.setText("CONTO", "Sospesi da clienti");
            t.setDate("SCADENZA", date);
            t.setNumber("IMPORTO", dec(amount));
            t.setNumber("DIRITTI", dec("10"));
            t.setNumber("COMMISS", dec("20"));
            t.setNumber("PROVVAGEN", dec("45"));
        });
    }
    MailMessage base(const test::SmtpServer& server)
    {
        MailMessage m;
        m.server = "127.0.0.1";
        m.port = server.port();
        m.sender = "agenzia@example.it";
        return m;
    }
    AgencyIdentity issuer()
    {
        AgencyIdentity a;
        a.name = "AGENZIA ARVALE";
        a.address = "Via Roma 1";
        a.town = "Roma";
        a.telephone = "06 1234";
        a.email = "info@arvale.it";
        a.iban = "IT60X0542811101000000123456";
        return a;
    }
    MailSender send = [](const MailMessage& m) { return SENDMAIL(m); };
};

} // namespace

TEST_F(MovementLetters, ImmediateCoverageToTheAgreementsAddressWithTheAgencysCopy)
{
    add("COMPAGN", [](store::Table& t) {
        t.setText("COMPAGNIA", "ALFA");
        t.setText("RAGSOC1", "ALFA ASSICURAZIONI SPA");
        t.setText("EMAILCOPE", "coperture@alfa.example");
    });
    movement("VERDI ANNA", "P1", d(2025, 3, 12), "450");
    test::SmtpServer server(dir.file("posta"));
    ASSERT_TRUE(server.ready());
    store::OwnTable m(ws(), "MOVICOMP", true);
    m->goTop();
    const MailRun run = mailImmediateCoverage(ws(), *m, issuer(), base(server), "copia@example.it", send);
    EXPECT_EQ(run.message, "1 coperture inviate con successo.");
    ASSERT_EQ(server.received(), 1);
    EXPECT_EQ(server.item(1, "rcpt"), "coperture@alfa.example\ncopia@example.it");
    EXPECT_EQ(server.item(1, "subject"), "Coperture assicurative");
    EXPECT_NE(server.item(1, "body").find("POLIZZA N.: P1\r\nSCADENZA: 12/03/25"), std::string::npos);

    const PrintDocument doc = printImmediateCoverage(ws(), *m, issuer(), false);
    EXPECT_EQ(doc.name, "Stampa coperture immediate");
    EXPECT_TRUE(doc.geometry.landscape());
    EXPECT_NE(dumpPage(doc, doc.pages.at(0)).find("|ALFA ASSICURAZIONI SPA|"), std::string::npos);

    // A refused address: the failure is named, nothing counted as sent.
    {
        store::OwnTable c(ws(), "COMPAGN");
        c->goTop();
        c->lock(true);
        c->setText("EMAILCOPE", "rifiuta@alfa.example");
        c->commit();
        c->unlock();
    }
    EXPECT_EQ(mailImmediateCoverage(ws(), *m, issuer(), base(server), "", send).message,
              "Invio non riuscito a ALFA ASSICURAZIONI SPA.;Nessuna copertura inviata.");
}

TEST_F(MovementLetters, PaymentReceiptFillsEveryPlaceholder)
{
    client("VERDI ANNA", "");
    add("POLIZZE", [](store::Table& t) {
        t.setText("CODICE", "7");
        t.setText("POLIZZA", "P1");
        t.setText("ASSICURATO", "VERDI ANNA");
        t.setText("COMPAGNIA", "ALFA");
        t.setText("RAMO", "AUTO");
        t.setText("FRAZIONAM", "SEMESTRALE");
        t.setDate("COPERTURA", d(2025, 9, 10));
        t.setDate("SCADENZA", d(2026, 3, 10));
    });
    add("DATIAUTO", [](store::Table& t) {
        t.setText("POLIZZA", "7");
        t.setText("MARCA", "FIAT");
        t.setText("MODELLO", "PANDA");
        t.setText("TARGA", "AB123CD");
    });
    movement("VERDI ANNA", "P1", d(2025, 3, 12), "450");
    store::OwnTable m(ws(), "MOVICOMP", true);
    m->goTop();
    const auto p = receiptPlaceholders(ws(), *m, issuer());
    EXPECT_EQ(p.at("<totale>"), "480,00");
    EXPECT_EQ(p.at("<data>"), "12/03/2025");
    EXPECT_EQ(p.at("<scadenzap>"), "10/03/2026");
    EXPECT_EQ(p.at("<veicolo>"), "FIAT PANDA");
    EXPECT_EQ(p.at("<codfiscc>"), "VRDNNA80A41A662X");

    EXPECT_EQ(printPaymentReceipt(ws(), *m, issuer()), "Impossibile trovare il file:;;Ricevuta pagamento.docx");
    // The template the team made holds every placeholder, and none is left once filled.
    const std::filesystem::path shipped = std::filesystem::path(ARV_BINARY_DIR) / "templates" / kReceiptTemplate;
    ASSERT_TRUE(std::filesystem::exists(shipped));
    std::filesystem::copy_file(shipped, std::filesystem::path(dir.path()) / kReceiptTemplate);
    std::string opened;
    const OfficeHooks saved = officeHooks();
    officeHooks().open = [&opened](const std::string& file) {
        opened = file;
        return true;
    };
    EXPECT_EQ(printPaymentReceipt(ws(), *m, issuer()), "");
    officeHooks() = saved;
    ASSERT_FALSE(opened.empty());
    const std::string text = WordDocument::open(opened)->bodyText();
    for (const auto& [marker, value] : p) EXPECT_EQ(text.find(marker), std::string::npos) << marker;
    for (const char* x : {"AGENZIA ARVALE", "VERDI ANNA", "AB123CD", "480,00", "10/09/2025"})
        EXPECT_NE(text.find(x), std::string::npos) << x;
}

TEST_F(MovementLetters, SuspendedItemsPrintedOrMailedByClient)
{
    client("BIANCHI LEO", "");
    client("ROSSI UGO", "ugo@example.it");
    client("TOSI EVA", "rifiuta@example.it");
    client("VERDI ANNA", "");
    movement("VERDI ANNA", "V2", d(2025, 4, 1), "100");
    movement("ROSSI UGO", "R1", d(2025, 3, 1), "200");
    movement("VERDI ANNA", "V1", d(2025, 3, 1), "300");
    movement("BIANCHI LEO", "B1", d(2025, 3, 5), "50");
    movement("TOSI EVA", "T1", d(2025, 3, 6), "70");
    store::OwnTable m(ws(), "MOVICOMP", true);
    m->goTo(3);
    const std::vector<SuspendedClient> clients = suspendedClients(*m);
    EXPECT_EQ(m->recno(), 3u) << "the register's cursor goes back to its record";
    ASSERT_EQ(clients.size(), 4u);
    EXPECT_EQ(clients[3].insured, "VERDI ANNA");
    EXPECT_EQ(clients[3].items[0].policy, "V1");
    EXPECT_EQ(clients[3].items[1].premium, dec("130"));

    const SuspendedPrint printed = printSuspendedStatements(ws(), clients, issuer(), false);
    ASSERT_EQ(printed.doc.pages.size(), 2u);
    EXPECT_EQ(printed.messages, std::vector<std::string>{"Non stampati 2 assicurati perché dotati di indirizzo email."});
    const std::string page = dumpPage(printed.doc, printed.doc.pages[1]);
    for (const char* x : {"|VERDI ANNA|", "|ESTRATTO CONTO POLIZZE IN SOSPESO|", "|V1|", "|330,00|", "|130,00|",
                          "|TOTALE|", "|460,00|", "|IBAN: IT60X0542811101000000123456|"})
        EXPECT_NE(page.find(x), std::string::npos) << x << "\n" << page;

    EXPECT_EQ(mailableClients(ws(), clients), 2u);
    EXPECT_EQ(suspendedMailQuestion(2), "Inviare l'estratto conto delle polizze in sospeso a 2 assicurati?");
    test::SmtpServer server(dir.file("posta"));
    ASSERT_TRUE(server.ready());
    const MailRun run = mailSuspendedStatements(ws(), clients, issuer(), base(server), "copia@example.it", send);
    EXPECT_EQ(run.message, "Invio non riuscito a TOSI EVA.;1 sospesi inviati con successo.");
    ASSERT_EQ(server.received(), 1);
    EXPECT_EQ(server.item(1, "rcpt"), "ugo@example.it\ncopia@example.it");
    EXPECT_EQ(server.item(1, "subject"), "Estratto conto polizze in sospeso");
    const std::string body = server.item(1, "body");
    for (const char* x : {"POLIZZA N.: R1\r\nSCADENZA: 01/03/25\r\nCOMPAGNIA: ALFA\r\nRAMO: AUTO\r\nIMPORTO: 230,00",
                          "TOTALE: 230,00", "IBAN: IT60X0542811101000000123456", "Decreto Legislativo n. 196/2003"})
        EXPECT_NE(body.find(x), std::string::npos) << x << "\n" << body;
}

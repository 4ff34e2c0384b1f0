// E-mail delivered to a real SMTP server started by the test on 127.0.0.1, and the e-mail
// settings of ARV.INI.
#include <gtest/gtest.h>

#include "common/ini.h"
#include "common/sendmail.h"
#include "support/smtpserver.h"
#include "support/tempdir.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;
using namespace arv;
using arv::test::TempDir;
using arv::test::SmtpServer;
using arv::test::freePort;
using arv::test::readFile;

namespace {


MailMessage baseMessage(int port)
{
    MailMessage m;
    m.server = "127.0.0.1";
    m.port = port;
    m.sender = "agenzia@example.it";
    m.to = "cliente@example.it";
    return m;
}

} // namespace

TEST(SendMail, BodiesHeadersAndAttachments)
{
    TempDir tmp;
    SmtpServer server(fs::path(tmp.path()) / "smtp");
    ASSERT_TRUE(server.ready());

    // Plain text with accents, display name, read receipt.
    MailMessage m = baseMessage(server.port());
    m.subject = "Avviso di scadenza: è già ora";
    m.body = "Gentile cliente, la polizza è in scadenza.\r\nCordiali saluti.";
    m.displayName = "Agenzia Rossi & C.";
    m.receipt = true;
    ASSERT_TRUE(SENDMAIL(m));
    ASSERT_EQ(1, server.received());
    EXPECT_EQ("agenzia@example.it", server.item(1, "mail_from"));
    EXPECT_EQ("cliente@example.it", server.item(1, "rcpt"));
    EXPECT_EQ("Avviso di scadenza: è già ora", server.item(1, "subject"));
    EXPECT_EQ("\"Agenzia Rossi & C.\" <agenzia@example.it>", server.item(1, "from"));
    EXPECT_NE(std::string::npos, server.item(1, "receipt").find("agenzia@example.it"));
    EXPECT_EQ("text/plain", server.item(1, "body_type"));
    EXPECT_EQ(m.body, server.item(1, "body"));

    // HTML found in the body (any case), copy recipients, two recipients, binary attachments.
    std::string binary;
    for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
    const fs::path pdf = fs::path(tmp.path()) / "Polizza è 123.pdf";
    const fs::path zip = fs::path(tmp.path()) / "DATI.ZIP";
    std::ofstream(pdf, std::ios::binary) << binary;
    std::ofstream(zip, std::ios::binary) << binary.substr(0, 77);
    MailMessage h = baseMessage(server.port());
    h.to = "Mario Rossi <mario@example.it>; luigi@example.it";
    h.cc = {"copia@example.it;ufficio@example.it", "terzo@example.it"};
    h.subject = "Documenti";
    h.body = "<HTML><body><p>Città</p></body></HTML>";
    h.attachments = {pdf.string(), zip.string()};
    ASSERT_TRUE(SENDMAIL(h));
    ASSERT_EQ(2, server.received());
    EXPECT_EQ("text/html", server.item(2, "body_type"));
    EXPECT_EQ(h.body, server.item(2, "body"));
    EXPECT_EQ("mario@example.it\nluigi@example.it\ncopia@example.it\nufficio@example.it\nterzo@example.it",
              server.item(2, "rcpt"));
    EXPECT_NE(std::string::npos, server.item(2, "cc").find("ufficio@example.it"));
    EXPECT_NE(std::string::npos, server.item(2, "cc").find("terzo@example.it"));
    EXPECT_EQ("Polizza è 123.pdf\nDATI.ZIP", server.item(2, "attachments"));
    EXPECT_EQ(binary, server.item(2, "att_Polizza è 123.pdf"));
    EXPECT_EQ(binary.substr(0, 77), server.item(2, "att_DATI.ZIP"));

    // The HTML flag given wins over the body; a subject cannot smuggle in headers or recipients.
    MailMessage f = baseMessage(server.port());
    f.body = "<html>come testo</html>";
    f.html = false;
    f.subject = "Prova\r\nBcc: spia@example.it";
    ASSERT_TRUE(SENDMAIL(f));
    EXPECT_EQ("text/plain", server.item(3, "body_type"));
    EXPECT_EQ("cliente@example.it", server.item(3, "rcpt"));
    EXPECT_EQ(std::string::npos, server.item(3, "raw.eml").find("\r\nBcc:"));
}

TEST(SendMail, AuthenticationAndFailures)
{
    TempDir tmp;
    SmtpServer server(fs::path(tmp.path()) / "smtp", true);
    ASSERT_TRUE(server.ready());

    // The server wants AUTH: without both user and password none is tried, and it refuses.
    MailMessage m = baseMessage(server.port());
    m.subject = "Prova";
    m.body = "testo";
    m.user = "agenzia";
    EXPECT_FALSE(SENDMAIL(m));
    m.password = "sbagliata";
    EXPECT_FALSE(SENDMAIL(m));
    m.password = "segreta";
    ASSERT_TRUE(SENDMAIL(m));
    ASSERT_EQ(1, server.received());
    EXPECT_EQ("agenzia", server.item(1, "auth_user"));

    // Nothing listening, an attachment that cannot be read, no recipient: false, nothing sent.
    MailMessage refused = baseMessage(freePort());
    EXPECT_FALSE(SENDMAIL(refused));
    m.attachments = {(fs::path(tmp.path()) / "manca.pdf").string()};
    EXPECT_FALSE(SENDMAIL(m));
    MailMessage nobody = baseMessage(server.port());
    nobody.to = " ; ";
    EXPECT_FALSE(SENDMAIL(nobody));
    EXPECT_EQ(1, server.received());
}

TEST(SendMail, WaitMessageOnlyWhenNoneShowing)
{
    std::vector<std::string> shown;
    int hidden = 0;
    bool waiting = false;
    sendMailHooks().waitShowing = [&] { return waiting; };
    sendMailHooks().show = [&](const std::string& t) { shown.push_back(t); };
    sendMailHooks().hide = [&] { ++hidden; };
    MailMessage m = baseMessage(freePort());
    EXPECT_FALSE(SENDMAIL(m));
    waiting = true;
    EXPECT_FALSE(SENDMAIL(m));
    sendMailHooks() = {};
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Invio email in corso...", shown[0]);
    EXPECT_EQ(1, hidden);
}

TEST(SendMail, SettingsInArvIni)
{
    TempDir tmp;
    IniFile ini((fs::path(tmp.path()) / "ARV.INI").string());
    MailSettings empty = MailSettings::load(ini);
    EXPECT_EQ("Connessione fissa", empty.connection);
    EXPECT_FALSE(empty.ssl);
    EXPECT_EQ(0, empty.port);
    EXPECT_EQ("Indicare il server smtp.", empty.problem());

    MailSettings s;
    s.server = "  smtp.example.it ";
    s.sender = " agenzia@example.it";
    s.problem();
    s.user = "agenzia ";
    s.password = " segreta ";
    s.port = 587;
    s.ssl = true;
    s.save(ini);
    ini.set("E-mail", "DestInvio", "assistenza@example.it");
    EXPECT_EQ("smtp.example.it", ini.get("E-mail", "Server smtp"));
    EXPECT_EQ("S", ini.get("E-mail", "SSL"));
    EXPECT_EQ("587", ini.get("E-mail", "Porta"));

    const MailSettings back = MailSettings::load(ini);
    EXPECT_EQ("smtp.example.it", back.server);
    EXPECT_EQ("agenzia@example.it", back.sender);
    EXPECT_EQ("segreta", back.password);
    EXPECT_EQ(587, back.port);
    EXPECT_TRUE(back.ssl);
    EXPECT_EQ("assistenza@example.it", back.destInvio);
    EXPECT_EQ("", back.problem());
    const MailMessage m = back.message();
    EXPECT_EQ("smtp.example.it", m.server);
    EXPECT_EQ(587, m.port);
    EXPECT_TRUE(m.ssl);

    MailSettings noSender = back;
    noSender.sender = "  ";
    EXPECT_EQ("Indicare l'indirizzo del mittente.", noSender.problem());
}

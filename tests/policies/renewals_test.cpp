#include "policies/renewals.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "common/ini.h"
#include "policies/policyregister.h"
#include "policies/renewalregister.h"
#include "policies/sheets.h"
#include "registry/registerfolder.h"
#include "store/keys.h"
#include "store/workspace.h"
#include "support/pagecheck.h"
#include "support/smtpserver.h"
#include "support/ziptest.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::policies;

namespace {

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }
Decimal dec(const char* s) { return *Decimal::parse(s); }

struct Policy {
    std::string number = {};
    std::string code = {};
    std::string insured = "ROSSI MARIO";
    Date coverage = d(2025, 1, 31);
    std::string agreement = "ALFA";
    std::string producer = "Agenzia";
    std::string fraction = "ANNUALE";
    Decimal premium = dec("450.00"), fee = dec("15.00");
    bool cancelled = false;
};

class Renewals : public test::RegisterFolderTest {
protected:
    void SetUp() override
    {
        RegisterFolderTest::SetUp();
        closeLookups = openRenewalLookups(workspace());
        openRegisterTables(renewalsRegister(), workspace());
    }
    void TearDown() override
    {
        closeRegisterTables(renewalsRegister(), workspace());
        closeLookups();
        RegisterFolderTest::TearDown();
    }
    Workspace& ws() { return workspace(); }
    Table& rows() { return ws()["QUIETANZ"]; }
    std::string ini() { return dir.path() + "/ARV.INI"; }

    void add(const std::string& table, const std::function<void(Table&)>& fill) { addRecord(table, fill); }
    void addPolicy(const Policy& p)
    {
        add("POLIZZE", [&](Table& t) {
            t.setRaw("CODICE", sheetKey(p.code.empty() ? p.number : p.code));
            t.setText("POLIZZA", p.number);
            t.setText("ASSICURATO", p.insured);
            t.setText("COMPAGNIA", p.agreement);
            t.setText("RAPPORTO", p.agreement);
            t.setText("RAMO", "AUTO");
            t.setText("PRODUTTORE", p.producer);
            t.setText("FRAZIONAM", p.fraction);
            t.setDate("COPERTURA", p.coverage);
            t.setDate("SCADENZA", p.coverage);
            t.setNumber("IMPORTO", p.premium);
            t.setNumber("COMMISS", p.fee);
            t.setLogical("DISDETTA", p.cancelled);
        });
    }
    void addClient(const std::string& name, const std::string& email, const std::string& phone = {})
    {
        add("CLIENTI", [&](Table& t) {
            t.setText("CLIENTE", name);
            t.setText("E_MAIL", email);
            t.setText("TELCASA", phone);
            t.setText("CODICEFISC", "RSSMRA70A01H501U");
        });
    }
    void addAgreement(const std::string& name, const std::string& email)
    {
        add("COMPAGN", [&](Table& t) {
            t.setText("COMPAGNIA", name);
            t.setText("E_MAIL", email);
        });
    }
    void addSheet(const std::string& code, const std::function<void(Table&)>& fill)
    {
        add("DATIAUTO", [&](Table& t) {
            t.setRaw("POLIZZA", sheetKey(code));
            fill(t);
        });
    }
    // Adds the rows of January 2025 and puts the cursor on the row of NUMBER (0 when none).
    uint32_t worklist(const std::string& number = {})
    {
        addRenewals(ws(), RenewalSelection{d(2025, 1, 1), d(2025, 1, 31)});
        clearSearch(renewalsRegister(), rows());
        return at(number);
    }
    uint32_t at(const std::string& number)
    {
        for (rows().goTop(); !rows().eof(); rows().skip(1))
            if (rows().text("POLIZZA") == number) return rows().recno();
        return 0;
    }
    std::vector<std::string> numbers()
    {
        std::vector<std::string> out;
        for (rows().goTop(); !rows().eof(); rows().skip(1)) out.push_back(rows().text("POLIZZA"));
        return out;
    }
    // Writes VALUES into the row of RECNO as a confirmed dialog would.
    void price(uint32_t recno, const std::function<void(EditValues&)>& change)
    {
        rows().goTo(recno);
        const EditValues before = renewalValues(ws(), rows());
        EditValues after = before;
        change(after);
        recomputeRenewal(after);
        ASSERT_TRUE(saveRenewal(ws(), rows(), recno, before, after));
    }
    void setIni(const std::string& text) { std::ofstream(ini()) << text; }

    std::function<void()> closeLookups;
};

// ---------------------------------------------------------------- figures and texts

TEST_F(Renewals, FiguresAndTexts)
{
    addPolicy({.number = "100", .coverage = d(2025, 1, 31)});
    addClient("ROSSI MARIO", "rossi@example.it");
    const uint32_t r = worklist("100");
    ASSERT_NE(0u, r);

    // A new row: option 1, the policy's premium and fee, and a total of zero until it is saved.
    rows().goTo(r);
    EditValues v = renewalValues(ws(), rows());
    EXPECT_EQ(1, chosenOption(v));
    EXPECT_EQ("T", v.get("OPZ1"));
    EXPECT_EQ(dec("450.00"), v.number("IMPATT"));
    EXPECT_EQ(dec("15.00"), v.number("COMMISS"));
    EXPECT_EQ(Decimal(), renewalTotal(rows()));
    EXPECT_EQ("465,00", v.get("S_TOTALE"));

    // Option 4 is new quote 3: 480.00 and a fee of 20.00 give 500.00, in the dialog, the list
    // and the notice.
    price(r, [](EditValues& v) {
        v.set("RAPNUO3", "GAMMA");
        v.set("IMPNUO3", "480,00");
        v.set("COMMISS", "20,00");
        chooseOption(v, 4);
        EXPECT_EQ("GAMMA", v.get("S_RAPPORTO"));
        EXPECT_EQ("500,00", v.get("R_TOTALE"));
    });
    rows().goTo(r);
    EXPECT_EQ(dec("500.00"), renewalTotal(rows()));
    EXPECT_EQ(4, static_cast<int>(rows().number("NUMSEL").toLongLong()));
    AgencyIdentity agency;
    agency.name = "Agenzia Rossi";
    agency.bankName = "Banca Uno";
    agency.iban = "IT60X0542811101000000123456";
    agency.telephone = "06 1234";
    const std::string notice = noticeBody(NoticeKind::Notice, d(2025, 1, 31), d(2025, 2, 15), renewalTotal(rows()),
                                          agency, "Orari estivi.");
    EXPECT_NE(std::string::npos,
              notice.find("in scadenza la polizza in oggetto il giorno 31/01/25. Il premio di rinnovo è di  500,00.\r\n"));
    EXPECT_NE(std::string::npos, notice.find("al numero 06 1234."));
    EXPECT_NE(std::string::npos, notice.find("presso i nostri uffici dalle 08:30 alle 17:00."));
    EXPECT_NE(std::string::npos, notice.find("Orari estivi.\r\n\r\n"));
    EXPECT_EQ(std::string::npos, notice.find("cesserà"));

    // The grace days: zero counts as 15.
    struct Grace {
        int days;
        Date deadline;
    };
    for (const Grace& g : {Grace{0, d(2025, 2, 15)}, Grace{10, d(2025, 2, 10)}, Grace{-3, d(2025, 2, 15)}}) {
        rows().goTo(r);
        rows().lock(true);
        rows().setNumber("GIOSCA", Decimal(g.days));
        rows().commit();
        rows().unlock();
        EXPECT_EQ(g.deadline, renewalDeadline(d(2025, 1, 31), GIOSCA_(rows()))) << g.days;
    }
    agency.officeHours = "dalle 9 alle 13";
    const std::string reminder =
        noticeBody(NoticeKind::Reminder, d(2025, 1, 31), d(2025, 2, 15), dec("500"), agency, "");
    EXPECT_NE(std::string::npos, reminder.find("è scaduta la polizza in oggetto"));
    EXPECT_NE(std::string::npos, reminder.find("La copertura cesserà pertanto entro le ore 24 del giorno 15/02/25."));
    EXPECT_NE(std::string::npos, reminder.find("presso i nostri uffici dalle 9 alle 13."));

    // The subjects.
    EXPECT_EQ("Avviso di scadenza - Polizza n. 100 - Targa: AB123CD", noticeSubject(NoticeKind::Notice, "100 ", "AB123CD"));
    EXPECT_EQ("Sollecito di scadenza - Polizza n. 100", noticeSubject(NoticeKind::Reminder, "100", ""));
    const std::string longName = "COSTRUZIONI MECCANICHE BIANCHI E FIGLI S.R.L.";
    EXPECT_EQ("Richiesta emissione polizza RC Auto - COSTRUZIONI MECCANICHE BIANCHI E FI",
              requestSubject(CompanyRequest::Issue, "  " + longName));
    EXPECT_EQ("Preventivo polizza RC Auto - ROSSI MARIO", requestSubject(CompanyRequest::Quote, "ROSSI MARIO"));

    // The other guarantees of the motor sheet.
    RenewalPolicy p;
    p.guarantee1 = "FURTO ";
    p.options[1] = p.options[2] = p.options[3] = true; // CRISTALLI, KASKO, INCENFURT
    EXPECT_EQ("FURTO, CRISTALLI, KASKO, INCEDIO/FURTO", otherGuarantees(p));
    p.guarantee1.clear();
    p.options = {};
    EXPECT_EQ("", otherGuarantees(p));
    EXPECT_EQ(std::string::npos, requestBody(CompanyRequest::Quote, p, {}, agency).find("Altre garanzie"));
}

// ---------------------------------------------------------------- e-mails through a real server

TEST_F(Renewals, RequestsAndNoticesThroughTheServer)
{
    test::SmtpServer server(dir.path() + "/smtp");
    ASSERT_TRUE(server.ready());
    const std::string smtp = "[E-mail]\nServer smtp=127.0.0.1\nMittente=agenzia@example.it\nPorta=" +
                             std::to_string(server.port()) + "\n";
    setIni(smtp);
    addPolicy({.number = "200", .insured = "VERDI ANNA"});
    addClient("VERDI ANNA", "verdi@example.it");
    addSheet("200", [](Table& t) {
        t.setText("TARGA", "AB123CD");
        t.setText("GARANZIA1", "FURTO");
        t.setLogical("KASKO", true);
    });
    for (const auto& [name, mail] : std::vector<std::pair<std::string, std::string>>{
             {"A", "a@example.it"}, {"B", "b@example.it"}, {"C", "c@example.it"}, {"D", "d@example.it"}, {"E", ""}})
        addAgreement(name, mail);
    const uint32_t r = worklist("200");
    price(r, [](EditValues& v) {
        const char* agreements[] = {"A", "B", "C", "D", "E"};
        for (int k = 1; k <= 5; ++k) v.set("RAPNUO" + std::to_string(k), agreements[k - 1]);
        v.set("IMPNUO1", "300,00");
        v.set("IMPNUO2", "280,00");
    });

    std::vector<std::string> told;
    std::vector<MailDraft> drafts;
    RenewalMailHooks hooks;
    hooks.tell = [&](const std::string& m) { told.push_back(m); };
    hooks.compose = [&](MailDraft& d) {
        drafts.push_back(d);
        return true;
    };
    // Quotes: only the unpriced agreements with an address, and no copy while none is set.
    EXPECT_EQ(2u, mailRequest(ws(), rows(), r, CompanyRequest::Quote, ini(), hooks));
    ASSERT_EQ(2, server.received());
    EXPECT_EQ("c@example.it", server.item(1, "rcpt"));
    EXPECT_EQ("d@example.it", server.item(2, "rcpt"));
    EXPECT_EQ("", server.item(1, "cc"));
    EXPECT_EQ("Preventivo polizza RC Auto - VERDI ANNA", server.item(1, "subject"));
    const std::string body = server.item(1, "body");
    EXPECT_NE(std::string::npos, body.find("Contraente della polizza: VERDI ANNA"));
    EXPECT_NE(std::string::npos, body.find("Targa: AB123CD"));
    EXPECT_NE(std::string::npos, body.find("Altre garanzie A.R.D.: FURTO, KASKO"));
    EXPECT_EQ("2 messaggi inviati con successo.", told.back());
    ASSERT_EQ(1u, drafts.size());
    EXPECT_EQ("EMAILPRE", drafts[0].name);
    EXPECT_EQ("Richiesta preventivo", drafts[0].title);

    // With "Copia" set every company message carries it.
    setIni(smtp + "Copia=copia@example.it\n");
    EXPECT_EQ(2u, mailRequest(ws(), rows(), r, CompanyRequest::Quote, ini(), hooks));
    EXPECT_EQ("copia@example.it", server.item(3, "cc"));
    EXPECT_NE(std::string::npos, server.item(4, "rcpt").find("copia@example.it"));

    // The issue request goes to the chosen new quote only when it is priced.
    price(r, [](EditValues& v) { chooseOption(v, 3); });
    EXPECT_EQ(1u, mailRequest(ws(), rows(), r, CompanyRequest::Issue, ini(), hooks));
    ASSERT_EQ(5, server.received());
    EXPECT_EQ("b@example.it\ncopia@example.it", server.item(5, "rcpt"));
    EXPECT_NE(std::string::npos, server.item(5, "body").find("Premio: 280,00\r\n"));
    EXPECT_EQ("Richiesta emissione polizza RC Auto - VERDI ANNA", server.item(5, "subject"));
    price(r, [](EditValues& v) { chooseOption(v, 1); });
    EXPECT_EQ(0u, mailRequest(ws(), rows(), r, CompanyRequest::Issue, ini(), hooks));
    EXPECT_EQ("Nessun messaggio inviato.", told.back());
    EXPECT_EQ(5, server.received());

    // The notice: the client and the copy as second recipient; the flag only once it went.
    hooks.noticeText = [](std::string& text, const std::string& title) {
        EXPECT_EQ("Avviso", title);
        text = "Riga uno\nRiga due";
        return true;
    };
    ASSERT_TRUE(mailNotice(ws(), rows(), r, NoticeKind::Notice, ini(), hooks));
    EXPECT_EQ("Riga uno~Riga due", IniFile(ini()).get(kNoticeSection, kNoticeKey));
    EXPECT_EQ("verdi@example.it\ncopia@example.it", server.item(6, "rcpt"));
    EXPECT_EQ("Avviso di scadenza - Polizza n. 200 - Targa: AB123CD", server.item(6, "subject"));
    EXPECT_NE(std::string::npos, server.item(6, "body").find("Riga uno\r\nRiga due\r\n\r\nNon esitate"));
    rows().goTo(r);
    EXPECT_TRUE(rows().logical("AVVISO"));
    EXPECT_FALSE(rows().logical("SOLLECITO"));

    // A refused send sets nothing and says so; "Annulla" in the notice text sends nothing.
    hooks.noticeText = {};
    hooks.send = [](const MailMessage&) { return false; };
    EXPECT_FALSE(mailNotice(ws(), rows(), r, NoticeKind::Reminder, ini(), hooks));
    EXPECT_EQ(kMsgMailFailed, told.back());
    rows().goTo(r);
    EXPECT_FALSE(rows().logical("SOLLECITO"));
    hooks.noticeText = [](std::string&, const std::string&) { return false; };
    hooks.send = [](const MailMessage&) {
        ADD_FAILURE() << "sent after Annulla";
        return true;
    };
    EXPECT_FALSE(mailNotice(ws(), rows(), r, NoticeKind::Reminder, ini(), hooks));

    // A client without an address: the dialog opens with no recipient, and the draft cannot go.
    MailDraft noAddress;
    noAddress.recipients = {""};
    noAddress.askRecipient = true;
    noAddress.subject = "x";
    EXPECT_EQ(kMsgRecipientRequired, draftProblem(noAddress, MailSettings::load(IniFile(ini()))));
}

// ---------------------------------------------------------------- on a real folder

TEST_F(Renewals, AddTwiceCleanUpSaveAndFlags)
{
    addPolicy({.number = "B1", .insured = "BIANCHI LUCA"});
    addPolicy({.number = "A1", .insured = "ALBERTI ANNA", .agreement = "Beta"});
    addPolicy({.number = "C1", .insured = "CONTI CARLO", .coverage = d(2025, 2, 1)});
    addPolicy({.number = "D1", .insured = "DINI DARIO", .cancelled = true});
    addClient("BIANCHI LUCA", "old@example.it", "06 111");
    addSheet("B1", [](Table& t) { t.setNumber("VALORE", dec("9000")); });

    // The rows of the period, ordered by insured; the same run again adds nothing.
    EXPECT_EQ(2u, addRenewals(ws(), {d(2025, 1, 1), d(2025, 1, 31)}).added);
    clearSearch(renewalsRegister(), rows());
    EXPECT_EQ((std::vector<std::string>{"A1", "B1"}), numbers());
    EXPECT_EQ(0u, addRenewals(ws(), {d(2025, 1, 1), d(2025, 1, 31)}).added);
    EXPECT_EQ(0u, addRenewals(ws(), {d(2025, 1, 1), d(2025, 1, 31), "BETA"}).added); // agreement in any case
    EXPECT_EQ((std::vector<std::string>{"A1", "B1"}), numbers());
    EXPECT_EQ(kMsgCoverageDates, selectionProblem({d(2025, 1, 1), Date()}));

    // A policy cancelled in the register leaves the worklist at the next run; one gone from the
    // register too.
    {
        OwnTable p(ws(), "POLIZZE");
        p->ordAdd("NUMPOL");
        ASSERT_TRUE(p->seek(indexKey("A1", 25)));
        p->lock(true);
        p->setLogical("DISDETTA", true);
        p->commit();
        p->unlock();
    }
    AddedRenewals again = addRenewals(ws(), {d(2025, 1, 1), d(2025, 1, 31)});
    EXPECT_EQ(1u, again.removed);
    clearSearch(renewalsRegister(), rows());
    EXPECT_EQ(std::vector<std::string>{"B1"}, numbers());

    // The row dialog writes only what the user changed: a telephone changed elsewhere meanwhile
    // stays, the e-mail typed goes in, the motor sheet keeps its value.
    const uint32_t r = at("B1");
    rows().goTo(r);
    const EditValues before = renewalValues(ws(), rows());
    EXPECT_EQ("06 111", before.get("C_TELCASA"));
    {
        OwnTable c(ws(), "CLIENTI");
        c->lock(true);
        c->setText("TELCASA", "06 999");
        c->commit();
        c->unlock();
        OwnTable a(ws(), "DATIAUTO");
        a->lock(true);
        a->setNumber("VALORE", dec("8000"));
        a->commit();
        a->unlock();
    }
    EditValues after = before;
    after.set("C_EMAIL", "new@example.it");
    after.set("KASKO", "T");
    ASSERT_TRUE(saveRenewal(ws(), rows(), r, before, after));
    {
        OwnTable c(ws(), "CLIENTI");
        EXPECT_EQ("06 999", c->text("TELCASA"));
        EXPECT_EQ("new@example.it", c->text("E_MAIL"));
        OwnTable a(ws(), "DATIAUTO");
        EXPECT_EQ(dec("8000"), a->number("VALORE"));
        EXPECT_TRUE(a->logical("KASKO"));
    }
    rows().goTo(r);
    EXPECT_EQ(1, static_cast<int>(rows().number("NUMSEL").toLongLong()));
    EXPECT_EQ(dec("465.00"), renewalTotal(rows()));

    // The flags invert under the row's lock; a row another workstation deleted stays deleted and
    // the save of its dialog writes nothing.
    EXPECT_TRUE(toggleRenewalFlag(rows(), r, "AVVISO"));
    rows().goTo(r);
    EXPECT_TRUE(rows().logical("AVVISO"));
    {
        OwnTable other(ws(), "QUIETANZ");
        other->goTo(r);
        other->del();
    }
    EXPECT_FALSE(toggleRenewalFlag(rows(), r, "SOLLECITO"));
    rows().goTo(r);
    EXPECT_TRUE(rows().deleted());
    EXPECT_FALSE(rows().logical("SOLLECITO"));
    after.set("C_EMAIL", "later@example.it");
    SaveResult gone = saveRenewal(ws(), rows(), r, before, after);
    EXPECT_EQ(kMsgRowGone, gone.message);
    EXPECT_EQ(RowOutcome::Gone, cancelRenewal(ws(), rows(), r));
    EXPECT_EQ(RowOutcome::Gone, collectRenewal(rows(), r, [](const std::string&) {
                  ADD_FAILURE() << "collected a deleted row";
                  return true;
              }));
    OwnTable c(ws(), "CLIENTI");
    EXPECT_EQ("new@example.it", c->text("E_MAIL"));
}

TEST_F(Renewals, CollectionAndCancellation)
{
    addPolicy({.number = "P1"});
    addPolicy({.number = "P2"});
    worklist();
    // Abandoned: the row stays. Saved: it goes.
    std::vector<std::string> asked;
    EXPECT_EQ(RowOutcome::Kept, collectRenewal(rows(), at("P1"), [&](const std::string& n) {
                  asked.push_back(n);
                  return false;
              }));
    EXPECT_EQ((std::vector<std::string>{"P1", "P2"}), numbers());
    EXPECT_EQ(RowOutcome::Done, collectRenewal(rows(), at("P1"), [&](const std::string& n) {
                  asked.push_back(n);
                  return true;
              }));
    EXPECT_EQ((std::vector<std::string>{"P1", "P1"}), asked);
    EXPECT_EQ(std::vector<std::string>{"P2"}, numbers());
    // "Disdetta": the policy cancelled, the row gone.
    EXPECT_EQ(RowOutcome::Done, cancelRenewal(ws(), rows(), at("P2")));
    EXPECT_TRUE(numbers().empty());
    OwnTable p(ws(), "POLIZZE");
    p->ordAdd("NUMPOL");
    ASSERT_TRUE(p->seek(indexKey("P2", 25)));
    EXPECT_TRUE(p->logical("DISDETTA"));
}

TEST_F(Renewals, ListingExportAndSearch)
{
    addPolicy({.number = "L1", .insured = "LUPI LIA", .premium = dec("1234.50")});
    addPolicy({.number = "00777", .insured = "MORO MASSIMILIANO WOLFGANG MARIA", .coverage = d(2025, 1, 10)});
    addClient("LUPI LIA", "lupi@example.it");
    worklist();
    price(at("L1"), [](EditValues&) {});

    const PrintDocument doc = [this] {
        const test::ScopedArialWidths arial; // a name of capitals filling its column
        const PrintDocument made = printRenewals(ws(), rows(), false);
        test::expectNoOverlaps(made, made.name);
        return made;
    }();
    ASSERT_EQ(1u, doc.pages.size());
    std::string page = dumpPage(doc, doc.pages[0]);
    for (const char* s : {"STAMPA QUIETANZAMENTO", "ASSICURATO", "TARGA", "LUPI LIA", "31/01/25", "1.249,50", "TOTALE"})
        EXPECT_NE(std::string::npos, page.find(s)) << s;

    const std::string file = dir.path() + "/q.xlsx";
    ASSERT_TRUE(writeRenewalsSpreadsheet(ws(), rows(), file));
    const std::string sheet = test::readZipEntry(file, "xl/worksheets/sheet1.xml").value_or("");
    // Strings are written inline in the constant-memory mode.
    for (const char* s : {"<t>CITTA'</t>", "<t>PREMIO PRECEDENTE</t>", "<t>LUPI LIA</t>", "<t>00777</t>",
                          "<t>RSSMRA70A01H501U</t>"})
        EXPECT_NE(std::string::npos, sheet.find(s)) << s;
    EXPECT_NE(std::string::npos, sheet.find("<v>45688</v>")); // 31/01/2025 as a date serial
    EXPECT_NE(std::string::npos, sheet.find("<v>1249.5</v>"));
    const std::string styles = test::readZipEntry(file, "xl/styles.xml").value_or("");
    EXPECT_NE(std::string::npos, styles.find("formatCode=\"#,##0.00\""));

    // The search: notices, the total, the deadline range; "Tutte" brings every row back.
    const std::vector<SearchField>& s = renewalSearch();
    std::vector<std::string> typed(s.size());
    typed[9] = "Da avvisare";
    typed[8] = "1.249,50";
    ASSERT_TRUE(applySearch(renewalsRegister(), rows(), buildCondition(s, typed)));
    EXPECT_EQ(std::vector<std::string>{"L1"}, numbers());
    typed = std::vector<std::string>(s.size());
    typed[5] = "20/01/25";
    typed[6] = "30/01/25";
    ASSERT_TRUE(applySearch(renewalsRegister(), rows(), buildCondition(s, typed)));
    EXPECT_EQ(std::vector<std::string>{"00777"}, numbers());
    clearSearch(renewalsRegister(), rows());
    EXPECT_EQ((std::vector<std::string>{"L1", "00777"}), numbers());
}

// Two processes add the same selection at once, and one toggles a row the other deletes.
TEST_F(Renewals, TwoWorkstations)
{
    for (int i = 0; i < 60; ++i) addPolicy({.number = "N" + std::to_string(i), .insured = "CLIENTE " + std::to_string(i)});
    const std::string folder = dir.path();
    closeRegisterTables(renewalsRegister(), workspace());
    closeLookups();
    workspace().closeAll();
    auto child = [&folder](const std::function<void(Workspace&)>& work) {
        pid_t pid = ::fork();
        if (pid == 0) {
            try {
                Workspace ws(folder);
                work(ws);
            } catch (...) {
                ::_exit(99);
            }
            ::_exit(0);
        }
        return pid;
    };
    auto wait = [](pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    std::vector<pid_t> pids;
    for (int c = 0; c < 2; ++c)
        pids.push_back(child([](Workspace& ws) { addRenewals(ws, {d(2025, 1, 1), d(2025, 1, 31)}); }));
    for (pid_t p : pids) EXPECT_TRUE(wait(p));
    workspace().setFolder(folder);
    closeLookups = openRenewalLookups(workspace());
    openRegisterTables(renewalsRegister(), workspace());
    std::vector<std::string> all = numbers();
    EXPECT_EQ(60u, all.size());
    EXPECT_EQ(60u, std::set<std::string>(all.begin(), all.end()).size());

    // The other process deletes a row; this one's click finds it gone and writes nothing.
    const uint32_t r = at("N7");
    ASSERT_TRUE(wait(child([r](Workspace& ws) {
        Table& t = ws.open("QUIETANZ");
        t.goTo(r);
        t.del();
    })));
    EXPECT_FALSE(toggleRenewalFlag(rows(), r, "AVVISO"));
    rows().goTo(r);
    EXPECT_TRUE(rows().deleted());
    clearSearch(renewalsRegister(), rows());
    EXPECT_EQ(59u, numbers().size());
}

} // namespace

// The policy register's printouts: the lists, the labels, the export, the company form and the
// requests to the agreement by e-mail.
#include <gtest/gtest.h>

#include <fstream>

#include "common/ini.h"
#include "common/text.h"
#include "policies/companyform.h"
#include "policies/policyexport.h"
#include "policies/policyletters.h"
#include "policies/policylist.h"
#include "policies/policymail.h"
#include "policies/policyprint.h"
#include "policies/policies.h"
#include "policies/policyfolder.h"
#include "records/criteria.h"
#include "store/workspace.h"
#include "support/pagecheck.h"
#include "support/pages.h"
#include "support/smtpserver.h"
#include "support/ziptest.h"

using namespace arv;
using namespace arv::store;
using namespace arv::policies;

namespace {

class Printouts : public arv::test::PolicyFolderTest {
protected:
    void policy(const std::string& number, Values v) { addPolicy(number, "INCENDIO", std::move(v)); }
    static std::string text(const PrintDocument& doc) { return test::pagesText(doc); }
    static void onThePage(const PrintDocument& doc) { arv::test::expectOnThePage(doc, doc.name); }
    std::string iniPath() const { return dir.file("ARV.INI"); }
    void writeIni(const std::string& content) const { std::ofstream(iniPath()) << content; }
};

TEST_F(Printouts, ListFiguresAndTheOrderByNumber)
{
    const arv::test::ScopedArialWidths arial; // names of capitals filling their columns
    policy("10", {{"IMPORTO", "100"}, {"COMMISS", "10"}, {"SPESE", "2.5"}, {"COMPAGNIA", "MUTUA ASSICURATRICE NAZIONALE"},
                  {"RAPPORTO", "MUTUA ASSICURATRICE MILANO"}});
    policy("9", {{"ASSICURATO", "VERDI ANNA"}, {"IMPORTO", "50"}, {"FRAZIONAM", "MENSILE"}});
    policy("A10", {{"ASSICURATO", "BIANCHI LUCA"}, {"DISDETTA", "T"}, {"IMPORTO", "1"}});
    // A monthly life policy from 01/01/2026 with a commission of 5,00: once in its first year.
    policy("V1", {{"ASSICURATO", "NERI UGO"}, {"RAMO", "VITA"}, {"FRAZIONAM", "MENSILE"}, {"PROVVAGEN", "5"},
                  {"EFFETTO", "01/01/2026"}, {"COPERTURA", "01/01/2027"}});
    policy("V2", {{"ASSICURATO", "NERI UGO"}, {"RAMO", "VITA"}, {"FRAZIONAM", "MENSILE"}, {"PROVVAGEN", "5"},
                  {"EFFETTO", "01/01/2026"}, {"COPERTURA", "01/02/2027"}});
    Table& t = workspace().open("POLIZZE");
    t.ordAdd("POLIZZE");
    // The register's search: every policy but Neri's.
    const RecordPredicate filter = [](const Table& p) { return p.text("ASSICURATO") != "NERI UGO"; };
    t.setView(filter, {});
    t.goTop();
    t.skip(1);
    const uint32_t here = t.recno();

    PolicyListOptions o;
    o.preview = false;
    o.filter = filter;
    const PrintDocument list = printPolicyList(workspace(), t, o);
    arv::test::expectNoOverlaps(list, list.name);
    const std::string byNumber = text(list);
    EXPECT_NE(byNumber.find("|112,50|"), std::string::npos);
    EXPECT_NE(byNumber.find("|600,00|"), std::string::npos);
    EXPECT_NE(byNumber.find("|PORTAFOGLIO|"), std::string::npos); // set smaller, never cut
    EXPECT_LT(byNumber.find("|9|"), byNumber.find("|10|"));
    EXPECT_EQ(byNumber.find("|A10|"), std::string::npos); // cancelled: the register's list prints the active only
    EXPECT_EQ(byNumber.find("|V1|"), std::string::npos);  // outside the filter
    // The register's view and record back.
    EXPECT_EQ(here, t.recno());
    std::vector<std::string> shown;
    for (t.goTop(); !t.eof(); t.skip(1)) shown.push_back(t.text("POLIZZA"));
    EXPECT_EQ((std::vector<std::string>{"A10", "10", "9"}), shown);

    t.clearView();
    t.goTop();
    const PrintDocument all = printPolicyList(workspace(), t, PolicyListOptions{kDefaultListTitle, false, false});
    arv::test::expectNoOverlaps(all, all.name);
    const std::string life = text(all);
    const size_t v1 = life.find("|V1|"), v2 = life.find("|V2|");
    ASSERT_NE(v1, std::string::npos);
    EXPECT_NE(life.find("|5,00|", v1), std::string::npos);
    EXPECT_LT(life.find("|5,00|", v1), v2);
    EXPECT_NE(life.find("|60,00|", v2), std::string::npos);
    EXPECT_EQ(0u, policyNumberValue("A10"));
    EXPECT_EQ(123u, policyNumberValue("00123/B"));
}

TEST_F(Printouts, OneLabelPerClientEighteenAPage)
{
    for (int i = 0; i < 19; ++i) {
        const std::string name = "CLIENTE " + std::string(1, static_cast<char>('A' + i));
        add("CLIENTI", {{"CLIENTE", name}, {"INDIRIZZO", "Via " + std::to_string(i)}, {"CAP", "00100"}, {"CITTA", "ROMA"}});
        policy("P" + std::to_string(i), {{"ASSICURATO", name}});
    }
    policy("P99", {{"ASSICURATO", "CLIENTE A"}});
    Table& t = workspace().open("POLIZZE");
    t.ordAdd("POLIZZE");
    t.goTop();
    const PrintDocument doc = printLabels(workspace(), t, false);
    ASSERT_EQ(2u, doc.pages.size());
    size_t names = 0;
    for (const Page& p : doc.pages)
        for (const PageItem& i : p.items) names += i.text.rfind("CLIENTE ", 0) == 0;
    EXPECT_EQ(19u, names); // Cliente A's two policies make one label
    // Row by row: the second label sits beside the first, the fourth under it.
    const std::vector<PageItem>& items = doc.pages[0].items;
    ASSERT_GE(items.size(), 12u);
    EXPECT_EQ(items[0].y, items[3].y);
    EXPECT_GT(items[3].x, items[0].x);
    EXPECT_GT(items[9].y, items[0].y);
    EXPECT_DOUBLE_EQ(items[9].x, items[0].x);
    onThePage(doc);
}

TEST_F(Printouts, LettersStayOnThePage)
{
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"TITOLO", "Sig."}, {"INDIRIZZO", "Via Roma 1"}, {"CAP", "00100"},
                    {"CITTA", "ROMA"}, {"PROVINCIA", "RM"}});
    add("COMPAGN", {{"COMPAGNIA", "ALFA"}, {"RAGSOC1", "ALFA ASSICURAZIONI S.P.A."}, {"INDIRIZZO", "Corso Italia 5"},
                    {"CAP", "20100"}, {"CITTA", "MILANO"}});
    policy("123", {{"SCADENZA", "01/06/2026"}});
    policy("124", {});
    Table& t = workspace().open("POLIZZE");
    t.ordAdd("POLIZZE");
    t.goTop();
    AgencyIdentity agency;
    agency.town = "Roma";
    const PrintDocument letter = printCancellationLetter(workspace(), t, agency, Date::fromYmd(2026, 3, 2), false);
    ASSERT_EQ(1u, letter.pages.size());
    const std::string l = text(letter);
    for (const char* x : {"|Mittente:|", "|Sig.|", "|ALFA ASSICURAZIONI S.P.A.|", "|Roma, 02/03/26|",
                          "|DISDETTA POLIZZA ASSICURATIVA N. 123|", "|SCADENZA POLIZZA: 01/06/26|", "|Distinti saluti.|"})
        EXPECT_NE(l.find(x), std::string::npos) << x;
    onThePage(letter);
    const PrintDocument transfers = printTransferLetters(workspace(), t, agency,
                                                         {"BROKER SRL", "Via Verdi 2", "20100 MILANO", "Tel. 02 1"},
                                                         Date::fromYmd(2026, 3, 2), false);
    EXPECT_EQ(2u, transfers.pages.size());
    const std::string tr = text(transfers);
    EXPECT_NE(tr.find("|Trasferimento polizza n.124   Ramo:INCENDIO|"), std::string::npos);
    EXPECT_NE(tr.find("|BROKER SRL|"), std::string::npos);
    EXPECT_NE(tr.find("brokeraggio: BROKER SRL -"), std::string::npos);
    onThePage(transfers);
}

TEST_F(Printouts, ExportTakesTheFieldsNamedAndThePolicysOwnSheet)
{
    EXPECT_EQ((std::vector<std::string>{"POLIZZA", "RAMO"}),
              selectedFields({"POLIZZA", "RAMO", "RAMOX", "PASSWORD"}, "ramo; polizza,altro"));
    EXPECT_EQ((std::vector<std::string>{"POLIZZA"}), selectedFields({"POLIZZA", "UTENTE", "PASSWORD"}, ""));

    add("PRODUTT", {{"PRODUTTORE", "BIANCHI"}, {"NUMERUI", "E000123"}});
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"CITTA", "ROMA"}});
    {
        OwnTable c(workspace(), "CLIENTI");
        c->goTop();
        c->lock(true);
        c->setMemo("NOTE", "prima\r\nseconda");
        c->commit();
        c->unlock();
    }
    policy("P1", {{"CODICE", "1"}, {"RAMO", "AUTO"}, {"PRODUTTORE", "BIANCHI"}, {"IMPORTO", "12.5"},
                  {"DISDETTA", "T"}, {"PASSWORD", "segreta"}});
    add("DATIAUTO", {{"POLIZZA", "1"}, {"TARGA", "AB123CD"}});
    add("VITA", {{"POLIZZA", "1"}, {"TARIFFE", "NON MIA"}});
    writeIni("[Estrazione dati polizze]\nPolizze=POLIZZA IMPORTO DISDETTA NUMERUI\nClienti=CITTA,NOTE\n"
             "DatiAuto=TARGA\nRamiElem=TARGA\nVita=TARIFFE\n");
    Table& t = workspace().open("POLIZZE");
    t.ordAdd("POLIZZE");
    t.goTop();
    const std::string file = dir.file("out.xlsx");
    ASSERT_TRUE(writePolicyExport(workspace(), t, ExportLists::load(IniFile(iniPath())), true, file));
    const std::string sheet = arv::test::readZipEntry(file, "xl/worksheets/sheet1.xml").value_or("");
    // Column order: the policy's, NUMERUI, the client's, then the sheets' own.
    size_t at = 0;
    for (const char* title : {">POLIZZA<", ">IMPORTO<", ">DISDETTA<", ">NUMERUI<", ">CITTA<", ">NOTE<", ">TARGA<",
                              ">TARGA<", ">TARIFFE<", ">P1<", "12.5", ">S<", ">E000123<", ">ROMA<", "prima\nseconda",
                              ">AB123CD<"}) {
        const size_t found = sheet.find(title, at);
        ASSERT_NE(found, std::string::npos) << title;
        at = found + 1;
    }
    EXPECT_EQ(sheet.find("NON MIA"), std::string::npos); // the life sheet is not this policy's
    EXPECT_EQ(sheet.find("segreta"), std::string::npos);
    EXPECT_EQ(sheet.find("'"), std::string::npos);
}

TEST_F(Printouts, CompanyFormTotalsAndPlaces)
{
    struct Case {
        std::vector<std::pair<int, std::pair<const char*, const char*>>> rows; // row: first instalment, tax rate
        const char* health;
        const char* liabilityTax;
        const char* otherTax;
        const char* total;
    };
    const Case cases[] = {
        {{{kLiability, {"400", "12.5"}}, {kTheft, {"100", "13.5"}}}, "10.50", "50.00", "13.50", "574.00"},
        // Each row's tax rounded on its own: 1,2625 + 1,2625 gives 2,52, not 2,53.
        {{{kTheft, {"10.10", "12.5"}}, {kFire, {"10.10", "12.5"}}}, "0", "0.00", "2.52", "22.72"},
        {{{kAccident, {"0.10", "5"}}}, "0", "0.00", "0.01", "0.11"}, // 0,005 away from zero
    };
    for (const Case& c : cases) {
        FormData d;
        for (const auto& [row, v] : c.rows) {
            d.rows[static_cast<size_t>(row)].first = *Decimal::parse(v.first);
            d.rows[static_cast<size_t>(row)].taxRate = *Decimal::parse(v.second);
        }
        d.health1 = *Decimal::parse(c.health);
        const FormTotals t = formTotals(d);
        EXPECT_EQ(c.liabilityTax, t.liabilityTax.toString(2));
        EXPECT_EQ(c.otherTax, t.otherTax.toString(2));
        EXPECT_EQ(c.total, t.total.toString(2));
    }
    EXPECT_EQ("  7,29", limitInMillions("7.290.000,00"));
    EXPECT_EQ("      ", limitInMillions("ILLIMITATO"));

    // The template, looked for in the folder only and in any case.
    std::ofstream(dir.file("alfa NUOVA.INI")) << "[Numero polizza]\nRiga=100\nColonna=50\n"
                                                 "[Contraente]\nRiga=0\nColonna=20\n"
                                                 "[Targa]\nColonna=10\n"
                                                 "[Comune]\nRiga=3000\nColonna=10\n"
                                                 "[Garanzie operanti]\nRiga=150\nColonna=195\n";
    EXPECT_TRUE(companyTemplate(dir.path(), "ALFA", false).has_value());
    EXPECT_FALSE(companyTemplate(dir.path(), "ALFA", true).has_value());
    std::filesystem::create_directories(dir.file("sub"));
    std::ofstream(dir.file("sub/X NUOVA.INI")) << "[Numero polizza]\nRiga=10\nColonna=10\n";
    EXPECT_FALSE(companyTemplate(dir.file("sub/z"), "../X", false).has_value());
    EXPECT_FALSE(companyTemplate(dir.path(), "sub/X", false).has_value());
    EXPECT_FALSE(companyTemplate(dir.path(), "sub\\X", false).has_value());

    records::EditValues v(std::vector<records::EditField>{
        records::textField(1, "", "POLIZZA"), records::textField(2, "", "ASSICURATO"),
        records::textField(3, "", "CODICE"), records::textField(4, "", "SOSTPOL")});
    v.set("POLIZZA", "778899");
    v.set("ASSICURATO", "ROSSI MARIO");
    FormData d;
    d.rows[kLiability].first = Decimal(400);
    d.rows[kLiability].taxRate = *Decimal::parse("12.5");
    const std::vector<FormItem> items = formItems(workspace(), v, d);
    const PrintDocument doc = printCompanyForm(items, IniFile(dir.file("alfa NUOVA.INI")), false);
    ASSERT_EQ(1u, doc.pages.size());
    const PageGeometry& g = doc.geometry;
    const double perMm = g.dpi / 25.4;
    auto item = [&doc](const std::string& text) -> const PageItem* {
        for (const PageItem& i : doc.pages[0].items)
            if (i.text == text) return &i;
        return nullptr;
    };
    const PageItem* number = item("778899");
    ASSERT_NE(nullptr, number);
    EXPECT_NEAR(100 * perMm - g.topMm * perMm, number->y, 0.01);
    EXPECT_NEAR(50 * perMm - g.leftMm * perMm, number->x, 0.01);
    const PageItem* insured = item("ROSSI MARIO"); // a continuation line
    ASSERT_NE(nullptr, insured);
    EXPECT_NEAR(number->y + g.lineHeight(), insured->y, 0.01);
    EXPECT_NEAR(20 * perMm - g.leftMm * perMm, insured->x, 0.01);
    EXPECT_EQ(nullptr, item(""));               // "Targa" has no "Riga": not printed
    std::string all = text(doc);
    EXPECT_EQ(all.find("(RM)"), std::string::npos); // "Comune" below the paper: skipped
    EXPECT_NE(all.find("RESPONSABILITA' CIVILE AUTO"), std::string::npos);
    onThePage(doc);
    // Every item is cut at the page's edge, whether it reaches it or not.
    for (const PageItem& i : doc.pages[0].items) EXPECT_NEAR(g.printableWidth() - i.x, i.clipWidth, 0.01) << i.text;
}

TEST_F(Printouts, DemoTemplatesPlaceEveryItemOnThePage)
{
    // The demonstration folder's templates, as the project carries them.
    const std::string demo = std::string(ARV_SOURCE_DIR) + "/data/forms";
    records::EditValues v(std::vector<records::EditField>{records::textField(1, "", "POLIZZA"),
                                                          records::textField(2, "", "SOSTPOL")});
    v.set("POLIZZA", "P1");
    FormData d;
    for (GuaranteeRow& r : d.rows) r.first = Decimal(9999);
    d.note = std::string(70, 'N');
    for (bool replacement : {false, true}) {
        const std::optional<std::filesystem::path> tpl = companyTemplate(demo, "Aurora Assicurazioni", replacement);
        ASSERT_TRUE(tpl.has_value());
        const IniFile form(tpl->string());
        v.set("SOSTPOL", replacement ? "P0" : "");
        const std::vector<FormItem> items = formItems(workspace(), v, d);
        for (const FormItem& i : items) EXPECT_TRUE(form.has(i.section, "Riga")) << i.section;
        const PrintDocument doc = printCompanyForm(items, form, false);
        size_t lines = 0;
        for (const FormItem& i : items)
            for (const std::string& l : i.lines) lines += !rtrim(l).empty();
        EXPECT_EQ(lines, doc.pages.at(0).items.size()); // nothing left off the page
        onThePage(doc);
        arv::test::expectNoOverlaps(doc, tpl->filename().string());
    }
}

TEST_F(Printouts, GenericPrintoutWithTheClaims)
{
    add("SINISTRI", {{"CODPOL", "         7"}, {"NUMERO", "S-77"}, {"DATA", "02/02/2026"}, {"TIPO", "FURTO"}});
    records::EditValues v(std::vector<records::EditField>{
        records::textField(1, "", "POLIZZA"), records::textField(2, "", "ASSICURATO"),
        records::textField(3, "", "CODICE"), records::textField(4, "", "RAMO"),
        records::memoField(5, "", "NOTE")});
    v.set("POLIZZA", "P7");
    v.set("ASSICURATO", "ROSSI MARIO");
    v.set("CODICE", "7");
    v.set("RAMO", "INCENDIO");
    v.set("NOTE", std::string(200, 'x'));
    const PrintDocument doc = printPolicySheet(workspace(), v, false);
    ASSERT_EQ(2u, doc.pages.size());
    const std::string first = dumpPage(doc, doc.pages[0]), second = dumpPage(doc, doc.pages[1]);
    EXPECT_NE(first.find("|STAMPA POLIZZA|"), std::string::npos);
    EXPECT_NE(first.find("|P7|"), std::string::npos);
    EXPECT_NE(second.find("|STAMPA SINISTRI|"), std::string::npos);
    EXPECT_NE(second.find("|POLIZZA N.: P7|"), std::string::npos);
    EXPECT_NE(second.find("|S-77|"), std::string::npos);
    EXPECT_EQ(first.find(std::string(68, 'x')), std::string::npos); // notes at 67 a line
    onThePage(doc);
}

TEST_F(Printouts, RequestsReachTheAgreement)
{
    test::SmtpServer server(dir.path() + "/smtp");
    ASSERT_TRUE(server.ready());
    const std::string smtp = "[E-mail]\nServer smtp=127.0.0.1\nMittente=agenzia@example.it\nPorta=" +
                             std::to_string(server.port()) + "\n";
    writeIni(smtp);
    add("COMPAGN", {{"COMPAGNIA", "ALFA"}, {"E_MAIL", "polizze@alfa.it"}});
    add("COMPAGN", {{"COMPAGNIA", "MUTA"}});
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"CODICEFISC", "RSSMRA80A01H501U"}});
    policy("12345", {});
    policy("555", {{"RAPPORTO", "MUTA"}});
    Table& t = workspace().open("POLIZZE");
    t.ordAdd("NUMPOL");
    std::vector<std::string> told;
    PolicyMailHooks h;
    h.tell = [&told](const std::string& m) { told.push_back(m); };
    std::string title;
    h.compose = [&title](MailDraft& d) {
        title = d.title;
        return true;
    };
    ASSERT_TRUE(t.seek("12345"));
    EXPECT_TRUE(sendPolicyRequest(workspace(), t, PolicyRequest::Suspension, iniPath(), h));
    EXPECT_EQ("Sospensione polizza", title);
    EXPECT_EQ(kMsgMailSent, told.back());
    ASSERT_EQ(1, server.received());
    EXPECT_EQ("Sospensione polizza n. 12345", server.item(1, "subject"));
    EXPECT_EQ("polizze@alfa.it", server.item(1, "rcpt"));
    EXPECT_NE(server.item(1, "body").find("emettere apposita appendice di SOSPENSIONE del rischio:"), std::string::npos);
    EXPECT_NE(server.item(1, "body").find("Codice fiscale: RSSMRA80A01H501U"), std::string::npos);
    // With "Copia" the agency's copy goes too.
    writeIni(smtp + "Copia=copia@agenzia.it\n");
    EXPECT_TRUE(sendPolicyRequest(workspace(), t, PolicyRequest::Reactivation, iniPath(), h));
    ASSERT_EQ(2, server.received());
    EXPECT_EQ("polizze@alfa.it\ncopia@agenzia.it", server.item(2, "rcpt"));
    EXPECT_NE(server.item(2, "body").find("riattivare la copertura del rischio:"), std::string::npos);
    // An agreement without an address: nothing goes.
    ASSERT_TRUE(t.seek("555"));
    EXPECT_FALSE(sendPolicyRequest(workspace(), t, PolicyRequest::Cancellation, iniPath(), h));
    EXPECT_EQ(kMsgNoAgreementMail, told.back());
    // A refused message says so.
    h.compose = [](MailDraft& d) {
        d.recipients = {"rifiuta@alfa.it"};
        return true;
    };
    ASSERT_TRUE(t.seek("12345"));
    EXPECT_FALSE(sendPolicyRequest(workspace(), t, PolicyRequest::Cancellation, iniPath(), h));
    EXPECT_EQ(kMsgMailFailed, told.back());
    EXPECT_EQ(2, server.received());
}

} // namespace

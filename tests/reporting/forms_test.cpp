// The agency's forms: every form printed within its page and without texts running into each
// other, the invoice's figures and counter, the revocation letters, the lookups made when a field
// is left.
#include "reporting/forms.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "common/ini.h"
#include "policies/policyfolder.h"
#include "store/workspace.h"
#include "support/pagecheck.h"
#include "support/pages.h"

using namespace arv;
using namespace arv::store;
using namespace arv::reporting;
using records::EditValues;
using records::FieldKind;

namespace {

class Forms : public arv::test::PolicyFolderTest {
protected:
    void SetUp() override
    {
        PolicyFolderTest::SetUp();
        std::ofstream(ini()) << "[Agenzia]\nRagione sociale=AGENZIA SOLE\nAttività=Assicurazioni\nIndirizzo=Via Roma 1\n"
                                "CAP=00100\nCittà=Roma\nPartita IVA=01234567890\nTelefono=06 1\nFax=06 2\n"
                                "[Broker]\nRiga1=BROKER SRL\nRiga2=Via Verdi 2\n"
                                "[Emissione fatture]\nNumero=41\nFondo1=Banca Sole IBAN IT00\nTesto1=Consulenza~annuale\n";
        add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"TITOLO", "Sig."}, {"INDIRIZZO", "Via Po 3"}, {"CAP", "10100"},
                        {"CITTA", "TORINO"}, {"PROVINCIA", "TO"}, {"SUBAGENTE", "BIANCHI LUCA"},
                        {"CODICEFISC", "RSSMRA80A01L219X"}, {"COMUNASC", "TORINO"}});
        add("COMPAGN", {{"COMPAGNIA", "ALFA"}, {"RAGSOC1", "ALFA ASSICURAZIONI"}, {"INDIRIZZO", "Corso Italia 5"},
                        {"CITTA", "MILANO"}, {"FAX", "02 99"}, {"ALIQRA", "11.5"}});
        add("PRODUTT", {{"PRODUTTORE", "BIANCHI LUCA"}, {"INDIRIZZO", "Via Monti 4"}, {"CITTA", "ROMA"}});
        add("POLIZZE", {{"CODICE", "1"}, {"POLIZZA", "1001"}, {"ASSICURATO", "ROSSI MARIO"}, {"COMPAGNIA", "ALFA"},
                        {"RAPPORTO", "ALFA"}, {"RAMO", "AUTO"}, {"IMPORTO", "350"}, {"COPERTURA", "01/06/2026"},
                        {"SCADENZA", "01/06/2026"}, {"AVVISO", "T"}, {"FRAZIONAM", "SEMESTRALE"}});
        add("DATIAUTO", {{"POLIZZA", "1"}, {"TARGA", "AB123CD"}, {"MARCA", "FIAT"}});
    }
    std::string ini() const { return dir.file("ARV.INI"); }
    FormEnv env() const { return FormEnv::load(ini(), Date::fromYmd(2026, 3, 2)); }
    PrintDocument print(const FormDesc& f, const EditValues& v)
    {
        TPRINTER::Options o;
        return printForm(workspace(), f, env(), v, o);
    }
    static std::string text(const PrintDocument& doc) { return arv::test::pagesText(doc); }
};

TEST_F(Forms, EveryFormPrintsWithinItsPageWithoutOverlaps)
{
    const arv::test::ScopedArialWidths arial;
    ASSERT_EQ(25u, formDescriptions().size());
    EXPECT_EQ(" Trasmissione fax", formDescriptions().front().choice);
    EXPECT_EQ(" Autocertificazione", formDescriptions().back().choice);
    const std::string longText =
        "Testo molto lungo che deve andare a capo e non uscire dalla pagina, ripetuto molte volte per riempire "
        "la pagina intera. ";
    for (const FormDesc& f : formDescriptions()) {
        EditValues v = openingValues(workspace(), f, env());
        // Every field filled as wide as it goes: texts long, the policy, client and producer real.
        for (const records::EditField& e : f.fields) {
            if (e.kind == FieldKind::Memo) {
                std::string memo;
                for (int i = 0; i < 40; ++i) memo += longText;
                v.set(e.field, memo);
            } else if (e.kind == FieldKind::Text && e.mask.empty()) {
                v.set(e.field, std::string(60, 'W'));
            }
        }
        for (const char* n : {"POLIZZA", "POL1", "POL2"}) v.set(n, "1001");
        for (const char* n : {"CLIENTE", "CONTRAENTE", "MITTENTE"}) v.set(n, "ROSSI MARIO");
        v.set("PRODUTTORE", "BIANCHI LUCA");
        v.set("RAPPORTO", "ALFA");
        v.set("DESTINAT", "ALFA");
        v.set("TARGA", "AB123CD");
        v.set("MOTIVO", "Sospensione volontaria");
        v.set("FINOAL", "01/09/26");
        v.set("IMPORTO", "1.000,00");
        const PrintDocument doc = print(f, v);
        ASSERT_FALSE(doc.pages.empty()) << f.name << f.choice;
        arv::test::expectOnThePage(doc, f.name + f.choice);
        arv::test::expectNoOverlaps(doc, f.name + f.choice);
    }
}

TEST_F(Forms, InvoiceFiguresAndItsNumber)
{
    const FormDesc* f = findForm("EMISFATT");
    ASSERT_NE(nullptr, f);
    EditValues v = openingValues(workspace(), *f, env());
    EXPECT_EQ("42", v.get("NUMERO"));
    // Choosing the agreement fills the addressee and the withholding.
    v.set("RAPPORTO", "ALFA");
    leaveField(workspace(), *f, "RAPPORTO", v);
    EXPECT_EQ("Spett.Le", v.get("TITOLO"));
    EXPECT_EQ("ALFA ASSICURAZIONI", v.get("DESTINAT"));
    EXPECT_EQ(*Decimal::parse("-11.5"), v.number("ALIQUOTA"));
    struct Case {
        const char* rate;
        std::vector<std::string> present, absent;
    };
    const Case cases[] = {
        {"-11.5", {"|RITENUTA D'ACCONTO|", "|-115,00|", "|885,00|", "|ESENTE DA I.V.A. ART. 10 D.P.R. 633|"}, {"|IVA|"}},
        {"22", {"|IVA|", "|220,00|", "|1.220,00|"}, {"ESENTE", "RITENUTA"}},
        {"0", {"|IVA|", "|1.000,00|", "|ESENTE DA I.V.A. ART. 10 D.P.R. 633|"}, {"RITENUTA"}},
    };
    v.set("IMPORTO", "1.000,00");
    v.set("TESTO", "Consulenza");
    for (const Case& c : cases) {
        v.set("ALIQUOTA", c.rate);
        const std::string s = text(print(*f, v));
        for (const std::string& x : c.present) EXPECT_NE(s.find(x), std::string::npos) << c.rate << " " << x;
        for (const std::string& x : c.absent) EXPECT_EQ(s.find(x), std::string::npos) << c.rate << " " << x;
        EXPECT_NE(s.find("|Banca Sole IBAN IT00|"), std::string::npos);
    }
    // "Sì" after printing: the number kept, never taken back by an older one.
    std::vector<std::string> asked;
    auto yes = [&asked](const std::string& q) {
        asked.push_back(q);
        return true;
    };
    v.set("NUMERO", "42");
    f->closing(env(), v, yes);
    EXPECT_EQ(kMsgInvoicePrinted, asked.back());
    EXPECT_EQ(42, IniFile(ini()).getInt(kInvoiceSection, "Numero"));
    v.set("NUMERO", "7");
    f->closing(env(), v, yes);
    EXPECT_EQ(42, IniFile(ini()).getInt(kInvoiceSection, "Numero"));
    EXPECT_EQ(43, nextInvoiceNumber(ini()));
}

TEST_F(Forms, TheInvoiceNumberNeverGoesBackBetweenProcesses)
{
    IniFile(ini()).setInt(kInvoiceSection, "Numero", 0);
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // One counts up, the other down: without the lock an older number would win now and then.
            for (int i = 1; i <= 150; ++i) keepInvoiceNumber(ini(), child == 0 ? i : 151 - i);
            ::_exit(0);
        }
        children.push_back(pid);
    }
    int last = 0;
    bool running = true;
    while (running) {
        const int now = IniFile(ini()).getInt(kInvoiceSection, "Numero");
        EXPECT_GE(now, last);
        last = now;
        running = false;
        for (pid_t pid : children) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == 0) running = true;
        }
    }
    EXPECT_EQ(150, IniFile(ini()).getInt(kInvoiceSection, "Numero"));
}

TEST_F(Forms, RevocationOneLetterPerClient)
{
    add("CLIENTI", {{"CLIENTE", "VERDI ANNA"}, {"SUBAGENTE", "BIANCHI LUCA"}});
    add("CLIENTI", {{"CLIENTE", "NERI UGO"}, {"SUBAGENTE", "ALTRO"}});
    add("POLIZZE", {{"POLIZZA", "1000"}, {"ASSICURATO", "ROSSI MARIO"}, {"COMPAGNIA", "ALFA"}, {"AVVISO", "T"},
                    {"COPERTURA", "01/02/2026"}});
    add("POLIZZE", {{"POLIZZA", "1002"}, {"ASSICURATO", "ROSSI MARIO"}, {"AVVISO", "T"}, {"DISDETTA", "T"}});
    add("POLIZZE", {{"POLIZZA", "1003"}, {"ASSICURATO", "ROSSI MARIO"}, {"AVVISO", "F"}});
    const FormDesc* f = findForm("REVOCA");
    ASSERT_NE(nullptr, f);
    EditValues v = openingValues(workspace(), *f, env());
    v.set("PRODUTTORE", "BIANCHI LUCA");
    const PrintDocument doc = print(*f, v);
    ASSERT_EQ(2u, doc.pages.size());
    const std::string first = dumpPage(doc, doc.pages[0]);
    EXPECT_NE(first.find("|ROSSI MARIO|"), std::string::npos);
    EXPECT_NE(first.find("Sig. BIANCHI LUCA non collabora"), std::string::npos);
    EXPECT_LT(first.find("|1000|"), first.find("|1001|")); // by coverage date
    EXPECT_EQ(first.find("|1002|"), std::string::npos);
    EXPECT_EQ(first.find("|1003|"), std::string::npos);
    EXPECT_NE(dumpPage(doc, doc.pages[1]).find("|VERDI ANNA|"), std::string::npos);
}

TEST_F(Forms, LookupsWhenAFieldIsLeft)
{
    const FormDesc* allowance = findForm("ABBUONO");
    ASSERT_NE(nullptr, allowance);
    EditValues v = openingValues(workspace(), *allowance, env());
    EXPECT_EQ("02/03/26", v.get("DATA"));
    v.set("POLIZZA", "1001");
    leaveField(workspace(), *allowance, "POLIZZA", v);
    EXPECT_EQ("ROSSI MARIO", v.get("CLIENTE"));
    v.set("POLIZZA", "9999");
    leaveField(workspace(), *allowance, "POLIZZA", v);
    EXPECT_EQ("", v.get("CLIENTE")); // an unknown number empties what it fills

    const FormDesc* cancel = findForm("DISDETTA");
    EditValues d = openingValues(workspace(), *cancel, env());
    EXPECT_TRUE(d.logical("PRESSO"));
    d.set("POLIZZA", "1001");
    leaveField(workspace(), *cancel, "POLIZZA", d);
    EXPECT_EQ("ROSSI MARIO", d.get("MITTENTE"));
    EXPECT_EQ("AB123CD", d.get("TARGA"));
    EXPECT_EQ("Corso Italia 5", d.get("DINDIRIZZO"));

    const FormDesc* suspension = findForm("SOSPENSIONE");
    EditValues s = openingValues(workspace(), *suspension, env());
    s.set("MOTIVO", "Sospensione volontaria");
    EXPECT_TRUE(suspension->check(s).has_value()); // "Fino al" wanted
    s.set("MOTIVO", "Perdita di possesso del veicolo");
    EXPECT_FALSE(suspension->check(s).has_value());
    s.set("CONTRAENTE", "ROSSI MARIO");
    const std::string page = text(print(*suspension, s));
    EXPECT_NE(page.find("|(art. 47 DPR 445/2000)|"), std::string::npos);
    EXPECT_NE(page.find("nato a TORINO"), std::string::npos);

    // The declaration names the insured of the plate's active policy.
    add("POLIZZE", {{"CODICE", "2"}, {"POLIZZA", "OLD"}, {"ASSICURATO", "VECCHIO"}, {"SOSTDA", "1001"}});
    add("DATIAUTO", {{"POLIZZA", "2"}, {"TARGA", "AB123CD"}});
    const FormDesc* circulation = findForm("MANCCIRC");
    EditValues c = openingValues(workspace(), *circulation, env());
    c.set("TARGA", "ab123cd");
    const std::string declaration = text(print(*circulation, c));
    EXPECT_NE(declaration.find("|Il sottoscritto/a ROSSI MARIO,|"), std::string::npos);
}

} // namespace

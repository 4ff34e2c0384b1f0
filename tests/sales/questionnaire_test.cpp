// The pre-contractual questionnaire: the withholding on the fee, the answers a motor sheet gives,
// the questions' enabling, the type of a policy's questionnaire, the document's placeholders and
// the shipped templates, and the whole road from a demonstration policy to the filled document.
#include "sales/questionnaire.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "accounting/movementregister.h"
#include "common/docx.h"
#include "common/ini.h"
#include "common/numfmt.h"
#include "common/office.h"
#include "common/text.h"
#include "registry/registerfolder.h"
#include "sales/questionnaireregister.h"
#include "store/keys.h"
#include "support/tempdir.h"
#include "ui/fields.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::sales;
namespace fs = std::filesystem;

namespace {

using Values = std::vector<std::pair<const char*, std::string>>;

// Appends a record to TABLE, each value written by its field's type (dates "dd/mm/yyyy").
void add(const char* table, const Values& values)
{
    OwnTable t(workspace(), table);
    t->append();
    for (const auto& [name, value] : values) {
        const FieldName field = FieldName::runtime(name);
        const int i = t->fieldIndex(field);
        ASSERT_GE(i, 0) << name;
        switch (t->file().fields()[static_cast<size_t>(i)].type) {
        case 'N': t->setNumber(field, Decimal::parseOrZero(value)); break;
        case 'D': t->setDate(field, Date::fromDisplay(value)); break;
        case 'L': t->setLogical(field, value == "T"); break;
        default: t->setText(field, value);
        }
    }
    t->commit();
    t->unlock();
}

class QuestionnaireFolder : public test::RegisterFolderTest {
protected:
    void SetUp() override
    {
        RegisterFolderTest::SetUp();
        add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"},
                        {"TITOLO", "Egr. Sig."},
                        {"INDIRIZZO", "Via Roma, 1"},
                        {"CAP", "00184"},
                        {"CITTA", "ROMA"},
                        {"PROVINCIA", "RM"},
                        {"CODICEFISC", "RSSMRA80A01H501U"},
                        {"PARTITAIVA", "12345678903"},
                        {"CELLULARE", "3331234567"},
                        {"PROFESS", "IMPIEGATO"}});
        add("COMPAGN", {{"COMPAGNIA", "ORIZZONTE BROKER"}, {"NUMERUI", "B000111222"}, {"DATARUI", "01/02/2015"}});
        add("PRODUTT", {{"PRODUTTORE", "SERRA GIULIA"},
                        {"QUALIFICA", "Addetto fuori locali"},
                        {"NUMERUI", "E000234567"},
                        {"DATARUI", "01/06/2018"},
                        {"INDIRIZZO", "Via Dante, 3"},
                        {"TELUFFICIO", "0612345"}});
        addPolicy("AU-1", "AUTO", "SEMESTRALE");
        add("DATIAUTO", {{"POLIZZA", "         1"},
                         {"MASSIMALI", "10.000.000,00"},
                         {"GDXCON", "T"},
                         {"INCENFURT", "T"},
                         {"VEICOLO", "Autovettura"},
                         {"TARGA", "AB123CD"}});
    }

    void addPolicy(const char* number, const char* branch, const char* fraction, bool telephone = false)
    {
        ++codes;
        add("POLIZZE", {{"CODICE", std::string(9, ' ') + std::to_string(codes)},
                        {"POLIZZA", number},
                        {"RAMO", branch},
                        {"FRAZIONAM", fraction},
                        {"TELEFONICA", telephone ? "T" : "F"},
                        {"ASSICURATO", "ROSSI MARIO"},
                        {"COMPAGNIA", "AURORA ASSICURAZIONI"},
                        {"RAPPORTO", "ORIZZONTE BROKER"},
                        {"PRODUTTORE", "SERRA GIULIA"},
                        {"IMPORTO", "420"},
                        {"COMMISS", "150"},
                        {"SPESE", "10"},
                        {"PROVVAGEN", "50"},
                        {"EFFETTO", "15/03/2026"},
                        {"COPERTURA", "15/03/2026"}});
    }

    int codes = 0;
};

std::string answer(const EditValues& v, int n) { return v.get(answerField(n)); }

} // namespace

// ---------------------------------------------------------------- computations

TEST_F(QuestionnaireFolder, WithholdingOnTheFee)
{
    struct Case {
        const char* fee;
        const char* rate; // "Aliquota RA" in ARV.INI, nullptr: no key
        bool vat, number;
        const char* withholding;
    } cases[] = {
        {"150,00", nullptr, true, true, "17,25"}, {"125,00", nullptr, true, true, "14,38"},
        {"150,00", "20", true, true, "30,00"},    {"150,00", nullptr, false, true, ""},
        {"150,00", nullptr, true, false, ""},     {"9.000,00", nullptr, true, true, "1.035,00"},
    };
    const std::string ini = dir.file("ARV.INI");
    for (const Case& c : cases) {
        IniFile settings(ini);
        if (c.rate) settings.set("Emissione fatture", "Aliquota RA", c.rate);
        else settings.remove("Emissione fatture", "Aliquota RA");
        EditValues v = newValues("R");
        v.set("POLIZZA", c.number ? "AU-1" : "");
        v.set("PARTITAIVA", c.vat ? "12345678903" : "");
        v.set("COMMISS", c.fee);
        questionnaireFieldLeft(workspace(), kFFee, v);
        EXPECT_EQ(v.get("RITACC"), c.withholding) << c.fee << " " << (c.rate ? c.rate : "-");
    }
    EXPECT_EQ(withholdingRate(dir.path()), *Decimal::parse("11.5"));
    // A withholding wider than its field is refused by the re-check, never cut.
    EditValues wide = newValues("R");
    wide.set("RITACC", "1.035,00");
    const auto& fields = motorForm().fields;
    size_t at = 0;
    while (fields[at].id != kFWithholding) ++at;
    Table& questionnaires = workspace().open("QUESTADE");
    EXPECT_EQ(checkField(fields[at], wide, at, &questionnaires), "Numero troppo grande.");
    workspace().close("QUESTADE");
}

TEST_F(QuestionnaireFolder, LoadingFromThePolicyAndItsMotorSheet)
{
    EditValues v = newValues("R");
    v.set("POLIZZA", "AU-1");
    questionnaireFieldLeft(workspace(), kFPolicy, v);
    EXPECT_EQ(v.get("CLIENTE"), "ROSSI MARIO");
    EXPECT_EQ(v.get("CITTA"), "ROMA");
    EXPECT_EQ(v.get("DATANASC"), "01/01/80"); // from the tax code: the client has no birth date
    EXPECT_EQ(v.get("PROFESS"), "Impiegato");
    EXPECT_EQ(v.get("COMMISS"), "150,00");
    EXPECT_EQ(v.get("SPESE"), "10,00");
    EXPECT_EQ(v.get("RITACC"), "17,25");
    EXPECT_EQ(answer(v, 4), "10.000.000,00");
    const std::map<int, const char*> expected = {{6, kYes}, {7, kNo}, {8, kYes}, {9, kYes}, {10, kYes}, {21, kYes}};
    for (int n = 6; n <= 21; ++n) {
        if (n == 20) continue;
        auto it = expected.find(n);
        EXPECT_EQ(answer(v, n), it == expected.end() ? kNo : it->second) << n;
    }
    EXPECT_EQ(answer(v, 20), "Da 100,01 a 1.000,00"); // not from the sheet

    // Annual, single and unknown instalments do not spread the premium.
    int n = 1;
    for (const char* fraction : {"PREMIO UNICO", "ANNUALE ", ""}) {
        const std::string number = "AU-F" + std::to_string(n++);
        addPolicy(number.c_str(), "AUTO", fraction);
        EditValues f = newValues("T");
        f.set("POLIZZA", number);
        questionnaireFieldLeft(workspace(), kFPolicy, f);
        EXPECT_EQ(answer(f, 21), kNo) << "'" << fraction << "'";
    }

    // Without a number the client stays and the amounts go; the other branches get no answers.
    v.set("POLIZZA", "");
    questionnaireFieldLeft(workspace(), kFPolicy, v);
    EXPECT_EQ(v.get("CLIENTE"), "ROSSI MARIO");
    EXPECT_EQ(v.get("COMMISS") + v.get("SPESE") + v.get("RITACC"), "");
    EditValues other = newValues("A");
    other.set("POLIZZA", "AU-1");
    questionnaireFieldLeft(workspace(), kFPolicy, other);
    EXPECT_EQ(other.get("RITACC"), "17,25");
    EXPECT_EQ(answer(other, 4), "");
}

TEST(QuestionnaireTypes, TypeDescriptionAndTemplate)
{
    struct Case {
        const char* branch;
        bool telephone;
        const char* type;
    } cases[] = {{"AUTO", true, "T"}, {"Auto", false, "R"}, {"AUTOCARRI", false, "R"}, {"INCENDIO", true, "A"}};
    for (const Case& c : cases) EXPECT_EQ(questionnaireType(c.branch, c.telephone), c.type) << c.branch;
    const std::map<std::string, std::pair<std::string, std::string>> kinds = {
        {"T", {"Ramo Auto Gestione Telefoniche", "Precontrattuale Telefoniche.docx"}},
        {"R", {"Ramo Auto", "Precontrattuale Ramo Auto.docx"}},
        {"A", {"Altri rami", "Precontrattuale Altri Rami.docx"}},
        {"I", {"Infortuni/Sanitaria", "Precontrattuale Altri Rami.docx"}},
        {"C", {"Casa/Famiglia/Fabbricato", "Precontrattuale Altri Rami.docx"}}};
    for (const auto& [type, expected] : kinds) {
        EXPECT_EQ(typeDescription(type), expected.first);
        EXPECT_EQ(templateName(type), expected.second);
        EXPECT_EQ(&formOf(type), isMotorType(type) ? &motorForm() : &otherForm());
    }
    EXPECT_EQ(formCaption(true, "T"), "Aggiungi Ramo Auto Gestione Telefoniche");
    EXPECT_EQ(formCaption(false, "I"), "Modifica Altri rami");
}

TEST(QuestionnairePlaceholders, Values)
{
    Questionnaire q;
    q.type = "R";
    q.policy = "AU-1";
    q.fee = Decimal(150);
    q.withholding = *Decimal::parse("17.25");
    q.expenses = Decimal(10);
    q.handler = "SERRA GIULIA";
    PolicyData p;
    p.found = true;
    p.number = "AU-1";
    p.company = "AURORA ASSICURAZIONI";
    p.agreement = "ORIZZONTE BROKER";
    p.agreementData = {true, "B000111222", Date::fromYmd(2015, 2, 1), false};
    p.producer = "FONTANA MARCO";
    p.producerData.found = true;
    p.producerData.town = "ROMA";
    p.producerData.rui = "A000345678";
    p.premium = Decimal(420);
    p.agencyCommission = Decimal(50);
    p.coverage = Date::fromYmd(2026, 3, 15);
    p.handler.qualification = "Addetto fuori locali";
    p.insured.title = "Egr. Sig.";
    const Date today = Date::fromYmd(2026, 4, 20);
    auto values = [](const Questionnaire& q, const PolicyData& p, Date today) {
        std::map<std::string, std::string> m;
        for (const auto& [k, v] : placeholders(q, p, today)) m[k] = v;
        return m;
    };
    auto m = values(q, p, today);
    EXPECT_EQ(m["<totale>"], "552,75");
    EXPECT_EQ(m["<ritacc>"], "-17,25");
    EXPECT_EQ(m["<corrisp>"], "150,00");
    EXPECT_EQ(m["<spese>"], "10,00");
    EXPECT_EQ(m["<premio>"], "420,00");
    EXPECT_EQ(m["<data>"], "15/03/26");
    EXPECT_EQ(m["<pf>"] + m["<pg>"], "[x][ ]");
    EXPECT_EQ(m["<rapporto>"] + "|" + m["<numruirapp>"] + "|" + m["<dataruirapp>"], "ORIZZONTE BROKER|B000111222|01/02/15");
    EXPECT_EQ(m["<rt1>"] + m["<rt2>"], "[ ][x]");
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(m["<q" + std::to_string(i) + ">"], i == 6 ? "[x]" : "[ ]") << i;
    EXPECT_EQ(m["<r1>"] + m["<r2>"] + m["<r4>"], "[x][x][x]");
    EXPECT_EQ(m["<produttore>"] + "|" + m["<cittaprod>"] + "|" + m["<numruiprod>"], "FONTANA MARCO|ROMA|A000345678");
    EXPECT_EQ(m["<a1s>"] + m["<a1n>"], "[ ][x]"); // no liability limits

    // A company; a policy without a cover date is dated today, a later cover date too.
    PolicyData c = p;
    c.insured.title = "Spett.le";
    c.coverage = Date();
    m = values(q, c, today);
    EXPECT_EQ(m["<pf>"] + m["<pg>"], "[ ][x]");
    EXPECT_EQ(m["<data>"], "20/04/26");
    c.coverage = Date::fromYmd(2026, 9, 15);
    EXPECT_EQ(values(q, c, today)["<data>"], "20/04/26");

    // The agreement prints only when it is a collaborator of its own.
    for (const auto& [agreement, ratified] : std::vector<std::pair<std::string, bool>>{
             {"Gestione diretta", false}, {"aurora assicurazioni ", false}, {"ORIZZONTE BROKER", true}}) {
        PolicyData a = p;
        a.agreement = agreement;
        a.agreementData.ratified = ratified;
        m = values(q, a, today);
        EXPECT_EQ(m["<rapporto>"] + m["<numruirapp>"] + m["<dataruirapp>"], "") << agreement;
    }

    // The principal himself: no producer.
    Questionnaire holder = q;
    holder.holder = true;
    m = values(holder, p, today);
    for (const char* k : {"<produttore>", "<indiprod>", "<cittaprod>", "<capprod>", "<provprod>", "<teleprod>",
                          "<numruiprod>", "<dataruiprod>", "<emailprod>"})
        EXPECT_EQ(m[k], "") << k;

    // "<r4>" needs both the fee and the agency's commission.
    Questionnaire noFee = q;
    noFee.fee = Decimal();
    noFee.withholding = Decimal();
    m = values(noFee, p, today);
    EXPECT_EQ(m["<r1>"] + m["<r2>"] + m["<r4>"] + m["<ritacc>"], "[ ][x][ ]");
    PolicyData noCommission = p;
    noCommission.agencyCommission = Decimal();
    m = values(q, noCommission, today);
    EXPECT_EQ(m["<r1>"] + m["<r2>"] + m["<r4>"], "[x][ ][ ]");
}

// Every marker of the three shipped templates, body and page header, is one the program fills, and
// between them they hold every one.
TEST(QuestionnaireTemplates, EveryMarkerIsFilled)
{
    const std::string folder = templatesFolder("");
    ASSERT_FALSE(folder.empty());
    std::set<std::string> filledMarkers, found;
    for (const auto& [k, v] : placeholders(Questionnaire(), PolicyData(), Date::today())) filledMarkers.insert(k);
    EXPECT_EQ(filledMarkers.size(), 84u);
    const std::regex marker("<[a-z0-9]+>");
    for (const std::string& name : templateNames()) {
        std::unique_ptr<WordDocument> doc = WordDocument::open((fs::path(folder) / name).string());
        const std::string text = doc->bodyText() + doc->headerText();
        for (auto it = std::sregex_iterator(text.begin(), text.end(), marker); it != std::sregex_iterator(); ++it) {
            EXPECT_TRUE(filledMarkers.count(it->str())) << name << ": " << it->str();
            found.insert(it->str());
        }
        EXPECT_NE(doc->headerText().find("<numpol>"), std::string::npos) << name;
    }
    for (const std::string& k : filledMarkers) EXPECT_TRUE(found.count(k)) << k << " in no template";
}

// ---------------------------------------------------------------- the screens

TEST_F(QuestionnaireFolder, RegisterFormsEnablingAndReadOnlyOpen)
{
    add("QUESTADE", {{"TIPO", "I"}, {"DATA", "01/02/2026"}, {"CLIENTE", "BIANCHI ANNA"}, {"POLIZZA", "AU-1"}});
    const RegisterDesc& desc = questionnaireRegister();
    Workspace& ws = workspace();
    openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        EXPECT_EQ(list.windowTitle(), "Precontrattuale - 1 di 1");
        EXPECT_EQ(list.model()->data(list.model()->index(0, 2), Qt::DisplayRole).toString(), "Infortuni/Sanitaria");
        EXPECT_EQ(list.button(kBtnPrint)->text(), "&Stampa");
        EXPECT_EQ(list.button(kBtnAdd)->text(), "&Aggiungi ^");

        // "Ramo Auto" from the pop-up: Q3 "No" disables Q4-Q7, which keep their answers.
        QStringList offered;
        list.runMenu = [&](QMenu& m, const QPoint&) {
            for (QAction* a : m.actions()) offered << a->text();
            return m.actions().at(1);
        };
        std::vector<std::string> seen;
        list.runEdit = [&](EditDialog& d) {
            seen.push_back(d.objectName().toStdString() + " " + d.windowTitle().toStdString());
            auto* q3 = qobject_cast<QComboBox*>(d.field(kFAnswer1 + 2));
            q3->setCurrentText(kNo);
            emit q3->activated(q3->currentIndex());
            for (int n = 4; n <= 7; ++n) EXPECT_FALSE(d.field(kFAnswer1 + n - 1)->isEnabled()) << n;
            EXPECT_TRUE(d.field(kFAnswer1 + 7)->isEnabled());
            EXPECT_FALSE(d.field(kFAnswer1 + 8)->isEnabled()); // Q9 waits for Q8
            auto* q4 = qobject_cast<QComboBox*>(d.field(kFAnswer1 + 3));
            q4->setCurrentText("Non valido"); // a disabled answer is not checked
            setFieldWidgetValue(d.field(kFClient), "BIANCHI ANNA");
            setFieldWidgetValue(d.field(kFAddress), "Via Po, 2");
            setFieldWidgetValue(d.field(kFTown), "TORINO");
            setFieldWidgetValue(d.field(kFPostCode), "10121");
            setFieldWidgetValue(d.field(kFProvince), "TO");
            setFieldWidgetValue(d.field(kFProfession), "Medico");
            d.button(201)->click();
            return d.result();
        };
        list.button(kBtnAdd)->click();
        EXPECT_EQ(offered, QStringList({"Ramo Auto Gestione Telefoniche", "Ramo Auto", "Altri rami"}));
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0], "QUESTADE2 Aggiungi Ramo Auto");
        EXPECT_EQ(list.windowTitle(), "Precontrattuale - 2 di 2");
        Table& t = list.table();
        EXPECT_EQ(t.text("TIPO"), "R");
        EXPECT_EQ(t.text("RISPOSTA3"), kNo);
        EXPECT_EQ(t.text("RISPOSTA4"), "Non valido");
        EXPECT_EQ(t.text("RISPOSTA5") + t.text("RISPOSTA6") + t.text("RISPOSTA7"), "NoNoNo");
        EXPECT_EQ(t.text("RISPOSTA15"), kYes);
        EXPECT_EQ(t.date("DATA"), Date::today());

        // A double click shows the record read-only; "Modifica" opens the form of its type.
        t.goTop();
        list.redraw();
        bool readOnly = false;
        list.runEdit = [&](EditDialog& d) {
            seen.push_back(d.objectName().toStdString() + " " + d.windowTitle().toStdString());
            readOnly = !d.button(201)->isEnabled() && qobject_cast<QLineEdit*>(d.field(kFClient))->isReadOnly() &&
                       !d.field(kFCoverType)->isEnabled();
            d.reject();
            return d.result();
        };
        emit list.browse()->doubleClicked(list.model()->index(0, 1));
        EXPECT_TRUE(readOnly);
        list.button(kBtnModify)->click();
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[1], "QUESTADE2A1 Modifica Altri rami");
        EXPECT_EQ(seen[2], "QUESTADE2A1 Modifica Altri rami");
        EXPECT_TRUE(messages.empty()) << messages.front();
    }
    closeRegisterTables(desc, ws);
}

// The company movements reach the questionnaire of a movement's policy through the hook the program
// installs; without it the button says the function is not there yet.
TEST_F(QuestionnaireFolder, MovementsOpenTheQuestionnaireOfTheirPolicy)
{
    add("MOVICOMP", {{"CODICE", "         1"}, {"DATA", "10/03/2026"}, {"POLIZZA", "AU-1"}, {"DESCRIZIO", "Incasso"}});
    const RegisterDesc& desc = accounting::movementsRegister();
    Workspace& ws = workspace();
    openRegisterTables(desc, ws);
    std::vector<std::string> asked;
    {
        RegisterList list(desc, ws);
        list.button(213)->click();
        EXPECT_EQ(messages, std::vector<std::string>{"Funzione non ancora disponibile."});
        accounting::setQuestionnaireCaller([&](const std::string& n) { asked.push_back(n); });
        list.button(213)->click();
        accounting::setQuestionnaireCaller({});
    }
    closeRegisterTables(desc, ws);
    EXPECT_EQ(asked, std::vector<std::string>{"AU-1"});
}

// ---------------------------------------------------------------- the whole road

// A demonstration folder: a questionnaire for one of its motor policies, saved with "&Stampa", read
// back by its tag and printed on the shipped template; then what goes wrong says so.
TEST(QuestionnaireRoad, DemoPolicyToFilledDocument)
{
    testApp();
    test::TempDir dir;
    const std::string folder = dir.path() + "/demo";
    const std::string cmd = std::string(ARV_BINARY_DIR) + "/tools/arv-demo " + folder + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Workspace& ws = workspace();
    ws.closeAll();
    ws.setFolder(folder);
    std::vector<std::string> messages;
    setMessageBoxHandler([&](MessageKind, const std::string& text, const std::string&) {
        messages.push_back(text);
        return int(kAnswerOk);
    });
    std::vector<std::string> opened, waits;
    int closed = 0;
    officeHooks().open = [&](const std::string& file) {
        opened.push_back(file);
        return true;
    };
    officeHooks().message = [&](const std::string& text, bool) { waits.push_back(text); };
    officeHooks().closeMessage = [&] { ++closed; };

    // The demonstration holds questionnaires of the three kinds and the templates.
    std::set<std::string> kinds;
    {
        OwnTable q(ws, "QUESTADE", true);
        for (q->goTop(); !q->eof(); q->skip()) kinds.insert(q->text("TIPO"));
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"A", "R", "T"}));
    for (const std::string& name : templateNames()) EXPECT_TRUE(fs::exists(fs::path(folder) / name)) << name;

    // A live motor policy sold in the agency, of a client with a VAT number.
    std::string number;
    {
        OwnTable p(ws, "POLIZZE", true);
        OwnTable c(ws, "CLIENTI", true);
        c->ordAdd("CLIENTI");
        for (p->goTop(); !p->eof() && number.empty(); p->skip())
            if (p->text("RAMO") == "AUTO" && !p->logical("TELEFONICA") && !p->logical("DISDETTA") &&
                p->number("COMMISS") > Decimal(0) && c->seek(indexKey(p->text("ASSICURATO"), 35, true)) &&
                !c->text("PARTITAIVA").empty())
                number = p->text("POLIZZA");
    }
    ASSERT_FALSE(number.empty());
    const PolicyData policy = ADATIPOL(ws, number);
    std::string caption;
    QUESTADE3(number, [&](EditDialog& d) {
        caption = d.windowTitle().toStdString();
        EXPECT_EQ(fieldWidgetValue(d.field(kFClient)), policy.client);
        setFieldWidgetValue(d.field(kFHandler), "SERRA GIULIA");
        setFieldWidgetValue(d.field(kFProfession), "Imprenditore");
        d.button(kBtnFormPrint)->click();
        for (QWidget* w : d.findChildren<QWidget*>())
            EXPECT_TRUE(w->styleSheet().isEmpty()) << w->objectName().toStdString() << " " << fieldWidgetValue(w);
        return d.result();
    });
    EXPECT_EQ(caption, "Aggiungi Ramo Auto");
    EXPECT_TRUE(messages.empty()) << messages.front();

    Questionnaire saved;
    {
        OwnTable q(ws, "QUESTADE", true);
        q->ordAdd("QUESTADE");
        q->goBottom(); // the newest
        saved = readQuestionnaire(*q);
    }
    EXPECT_EQ(saved.type, "R");
    EXPECT_EQ(saved.policy, number);
    EXPECT_EQ(saved.client, policy.client);
    EXPECT_EQ(saved.date, Date::today());
    EXPECT_EQ(saved.handler, "SERRA GIULIA");
    EXPECT_EQ(saved.fee, policy.fee);
    EXPECT_EQ(saved.withholding, withholding(policy.fee, *Decimal::parse("11.5")));

    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(fs::path(opened[0]).filename(), "Precontrattuale Ramo Auto.docx");
    EXPECT_EQ(waits, std::vector<std::string>{kMsgPrinting});
    EXPECT_EQ(closed, 1);
    std::unique_ptr<WordDocument> doc = WordDocument::open(opened[0]);
    const std::string body = doc->bodyText(), header = doc->headerText();
    for (const std::string& value : {policy.client, number, std::string("SERRA GIULIA"), trim(EZSTR(policy.premium)),
                                     "-" + trim(EZSTR(saved.withholding))})
        EXPECT_NE(body.find(value), std::string::npos) << value;
    EXPECT_NE(header.find(number), std::string::npos);
    const std::regex marker("<[a-z0-9]+>");
    EXPECT_FALSE(std::regex_search(body + header, marker));

    // What goes wrong is said: no policy number, a template missing or unreadable, a document
    // nobody opens.
    auto printNewest = [&] {
        OwnTable q(ws, "QUESTADE", true);
        q->ordAdd("QUESTADE");
        q->goBottom();
        return STAMPAN(ws, *q).message;
    };
    const fs::path motor = fs::path(folder) / "Precontrattuale Ramo Auto.docx";
    officeHooks().open = [](const std::string&) { return false; };
    EXPECT_EQ(printNewest(), std::string(kMsgDocumentNotShown) + "Precontrattuale Ramo Auto.docx");
    std::ofstream(motor, std::ios::trunc) << "non un documento";
    EXPECT_EQ(printNewest(), std::string(kMsgUnreadableTemplate) + "Precontrattuale Ramo Auto.docx");
    fs::remove(motor);
    EXPECT_EQ(printNewest(), "Impossibile trovare il file:;;Precontrattuale Ramo Auto.docx");
    EXPECT_EQ(closed, 3); // the wait message closes whatever happens
    {
        OwnTable q(ws, "QUESTADE");
        q->ordAdd("QUESTADE");
        q->goBottom();
        q->lock(true);
        q->setText("POLIZZA", "");
        q->commit();
        q->unlock();
    }
    EXPECT_EQ(printNewest(), kMsgNoPolicyNumber);

    officeHooks() = OfficeHooks();
    setMessageBoxHandler({});
    ws.closeAll();
}

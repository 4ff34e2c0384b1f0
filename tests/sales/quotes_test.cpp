// The motor quotes: numbering by year (also from two processes at once), the form's filling from a
// policy and a client, the conversion into a client, policies and motor sheets with its refusals
// and its undoing, the texts and prices of the documents, the printed sheet and copy read back
// from the page model, and the e-mails through a real SMTP server.
#include "sales/quotes.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "common/ini.h"
#include "common/pagemodel.h"
#include "common/printjob.h"
#include "common/text.h"
#include "registry/registerfolder.h"
#include "sales/quotedocs.h"
#include "store/keys.h"
#include "support/smtpserver.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
using namespace arv::sales::quotes;
namespace fs = std::filesystem;

namespace {

using Values = std::vector<std::pair<const char*, std::string>>;

Date d(int y, int m, int day) { return Date::fromYmd(y, m, day); }

// Appends a record to TABLE, each value written by its field's type (dates "dd/mm/yyyy").
uint32_t add(Workspace& ws, const char* table, const Values& values)
{
    OwnTable t(ws, table);
    t->append();
    for (const auto& [name, value] : values) {
        const FieldName field = FieldName::runtime(name);
        const int i = t->fieldIndex(field);
        EXPECT_GE(i, 0) << name;
        switch (t->file().fields()[static_cast<size_t>(i)].type) {
        case 'N': t->setNumber(field, Decimal::parseOrZero(value)); break;
        case 'D': t->setDate(field, Date::fromDisplay(value)); break;
        case 'L': t->setLogical(field, value == "T"); break;
        case 'M': t->setMemo(field, value); break;
        default: t->setText(field, value);
        }
    }
    t->commit();
    t->unlock();
    return t->recno();
}

std::string allPages(const PrintDocument& doc)
{
    std::string out;
    for (const Page& p : doc.pages) out += dumpPage(doc, p) + "\f";
    return out;
}

// Runs each body in a child process of its own (a workspace of its own on FOLDER) and expects
// each to end with 0.
void inChildren(const std::string& folder, const std::vector<std::function<int(Workspace&)>>& bodies)
{
    std::vector<pid_t> pids;
    for (const auto& body : bodies) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int rc = 1;
            try {
                Workspace w(folder);
                rc = body(w);
            } catch (...) {
                rc = 3;
            }
            ::_exit(rc);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status));
    }
}

class QuoteFolder : public test::RegisterFolderTest {
protected:
    Workspace& ws() { return workspace(); }
    uint32_t add(const char* table, const Values& values) { return ::add(ws(), table, values); }
    Table& quotes()
    {
        if (!ws().isOpen("PREVBSA")) {
            Table& t = ws().open("PREVBSA");
            t.ordAdd("PREVBSA");
        }
        return ws()["PREVBSA"];
    }
    // A quote of the year as saved through the form.
    SaveResult save(Date date, uint32_t recno = 0, const Values& more = {})
    {
        EditValues v = recno ? (quotes().goTo(recno), quoteValues(quotes())) : newQuoteValues(ws(), date);
        v.set("DATA", date.toDisplay());
        v.set("OPERATORE", "ANNA");
        for (const auto& [f, value] : more) v.set(f, value);
        EditRequest r;
        r.inserting = recno == 0;
        r.recno = recno;
        return saveQuote(ws(), quotes(), r, v);
    }
    long number() { return static_cast<long>(quotes().number("NUMERO").toLongLong()); }
    std::string ini() { return dir.file("ARV.INI"); }
};

} // namespace

// ---------------------------------------------------------------- numbering

TEST_F(QuoteFolder, NumbersFollowTheYear)
{
    auto next = [&](Date date) { return PROSNUM(ws(), quotes(), date, false).value_or(0); };
    EXPECT_EQ(1001, next(d(2025, 5, 1)));
    for (int n = 0; n < 10; ++n) ASSERT_TRUE(save(d(2025, 3, 1 + n)));
    EXPECT_EQ(1010, number());
    EXPECT_EQ(1011, next(d(2025, 12, 31)));
    // A quote of the year without a number is left aside, wherever it lies.
    add("PREVBSA", {{"DATA", "02/02/2025"}, {"ASSICURATO", "SENZA NUMERO"}});
    EXPECT_EQ(1011, next(d(2025, 6, 1)));
    // The first quote of a year starts again from 1001, whatever the year before reached.
    add("PREVBSA", {{"DATA", "30/12/2025"}, {"NUMERO", "1400"}});
    EXPECT_EQ(1401, next(d(2025, 1, 1)));
    EXPECT_EQ(1001, next(d(2026, 1, 1)));
    ASSERT_TRUE(save(d(2026, 1, 2)));
    EXPECT_EQ(1001, number());
    EXPECT_EQ(1002, next(d(2026, 1, 1)));

    // A date moved within its year keeps the number; into another year it takes that year's next.
    OwnTable own(ws(), "PREVBSA", true);
    own->ordAdd("PREVBSA");
    ASSERT_TRUE(own->seek("2025 1005"));
    const uint32_t q1005 = own->recno();
    ASSERT_TRUE(save(d(2025, 6, 20), q1005));
    quotes().goTo(q1005);
    EXPECT_EQ(1005, number());
    ASSERT_TRUE(save(d(2026, 1, 10), q1005));
    quotes().goTo(q1005);
    EXPECT_EQ(1002, number());
    EXPECT_EQ(d(2026, 1, 10), quotes().date("DATA"));

    // Once 99999 is taken the year refuses new quotes and writes nothing.
    add("PREVBSA", {{"DATA", "01/01/2027"}, {"NUMERO", "99999"}});
    const uint64_t before = quotes().lastRec();
    const SaveResult refused = save(d(2027, 2, 1));
    EXPECT_FALSE(refused);
    EXPECT_EQ(kMsgNumbersUsedUp, refused.message);
    EXPECT_EQ(before, quotes().lastRec());
    EXPECT_FALSE(PROSNUM(ws(), quotes(), d(2027, 3, 1), false).has_value());
}

TEST_F(QuoteFolder, TwoProcessesNumberDistinctly)
{
    const std::string folder = dir.path();
    workspace().closeAll();
    constexpr int kEach = 200;
    auto saver = [](const char* op) {
        return [op](Workspace& w) {
            Table& t = w.open("PREVBSA");
            t.ordAdd("PREVBSA");
            for (int i = 0; i < kEach; ++i) {
                EditValues v = newQuoteValues(w, d(2025, 4, 1));
                v.set("OPERATORE", op);
                EditRequest r;
                r.inserting = true;
                if (!saveQuote(w, t, r, v)) return 2;
            }
            return 0;
        };
    };
    inChildren(folder, {saver("A"), saver("B")});
    workspace().setFolder(folder);
    std::set<long> numbers;
    Table& t = quotes();
    for (t.goTop(); !t.eof(); t.skip(1)) numbers.insert(static_cast<long>(t.number("NUMERO").toLongLong()));
    ASSERT_EQ(400u, numbers.size());
    EXPECT_EQ(1001, *numbers.begin());
    EXPECT_EQ(1400, *numbers.rbegin());
}

TEST_F(QuoteFolder, SearchCriteria)
{
    add("PREVBSA", {{"NUMERO", "1001"}, {"DATA", "10/01/2026"}, {"ASSICURATO", "ROSSI MARIO"}, {"COMPPREV", "Alfa"},
                    {"EFFEPREV", "01/02/2026"}, {"FINAPREV", "T"}, {"OPERATORE", "ANNA"}});
    add("PREVBSA", {{"NUMERO", "1002"}, {"DATA", "20/01/2026"}, {"ASSICURATO", "BIANCHI ROSA"}, {"COMPPREV", "BETA"},
                    {"EFFEPREV", "01/03/2026"}, {"OKPOLIZZA", "T"}, {"OPERATORE", "ANNAMARIA"}});
    const std::vector<SearchField>& criteria = quoteSearch();
    ASSERT_EQ(12u, criteria.size());
    struct Case {
        size_t at;
        const char* typed;
        std::vector<long> found;
    } cases[] = {
        {0, "1002", {1002}},          {1, "15/01/26", {1002}},      {2, "15/01/26", {1001}},
        {3, "15/02/26", {1002}},      {4, "15/02/26", {1001}},      {5, "ros", {1001, 1002}},
        {6, "ALFA", {1001}},          {9, "T", {1001}},             {10, "ANNA", {1001}},
        {11, "T", {1002}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> typed(criteria.size());
        typed[c.at] = c.typed;
        const RecordPredicate condition = buildCondition(criteria, typed);
        ASSERT_TRUE(condition) << c.at;
        std::vector<long> found;
        Table& t = quotes();
        for (t.goTop(); !t.eof(); t.skip(1))
            if (condition(t)) found.push_back(number());
        EXPECT_EQ(c.found, found) << c.at << " " << c.typed;
    }
    EXPECT_FALSE(buildCondition(criteria, std::vector<std::string>(criteria.size())));
}

// ---------------------------------------------------------------- filling the form

TEST_F(QuoteFolder, FillingFromPolicyAndClient)
{
    add("CLIENTI", {{"CLIENTE", "ROSSI MARIO"}, {"INDIRIZZO", "Via Roma 1"}, {"CITTA", "ROMA"}, {"E_MAIL", "r@x.it"},
                    {"NOTE", "cliente storico"}});
    add("CLIENTI", {{"CLIENTE", "NERI PIA"}, {"CITTA", "PISA"}, {"CODICEFISC", "NREPIA80A41G702X"}});
    add("POLIZZE", {{"CODICE", "         7"}, {"POLIZZA", "P-7"}, {"ASSICURATO", "ROSSI MARIO"}, {"RAMO", "AUTO"},
                    {"COMPAGNIA", "ALFA"}, {"RAPPORTO", "ALFA RC"}, {"INTESTPRA", "NERI PIA"},
                    {"SCADENZA", "01/04/2026"}, {"IMPORTO", "450"}, {"ORAEFF", "12:30"}});
    add("DATIAUTO", {{"POLIZZA", "         7"}, {"TARGA", "AB123CD"}, {"CLASSE", "14"}, {"GDXCON", "T"},
                     {"CONDUCENTE", "ROSSI LUCA"}, {"CITPRA", "PISA"}});
    EditValues v = newQuoteValues(ws(), d(2026, 3, 1));
    EXPECT_EQ("1001", v.get("NUMERO"));
    EXPECT_EQ("Auto", v.get("RAMO"));
    EXPECT_EQ("00:00", v.get("ORAEPREV"));

    v.set("POLIZZA", "P-7");
    quoteFieldLeft(ws(), kFPolicy, v);
    EXPECT_EQ("ALFA RC", v.get("RAPPORTO"));
    EXPECT_EQ("12:30", v.get("ORAEFF"));
    EXPECT_EQ("Via Roma 1", v.get("INDIRIZZO"));
    EXPECT_EQ("cliente storico", v.get("NOTEASS"));
    EXPECT_EQ("NERI PIA", v.get("INTESTPRA"));
    EXPECT_EQ("AB123CD", v.get("TARGA"));
    EXPECT_EQ("PISA", v.get("CITPRA"));
    EXPECT_EQ("T", v.get("ATTEVALI"));
    EXPECT_EQ("01/04/26", v.get("ATTESCAD"));
    EXPECT_EQ("14", v.get("ASSEGNCU"));

    // Tabbing through the same number keeps what was typed since; an unknown one fills nothing.
    v.set("TARGA", "ZZ999ZZ");
    quoteFieldLeft(ws(), kFPolicy, v);
    EXPECT_EQ("ZZ999ZZ", v.get("TARGA"));
    v.set("POLIZZA", "NON-ESISTE");
    quoteFieldLeft(ws(), kFPolicy, v);
    EXPECT_EQ("ZZ999ZZ", v.get("TARGA"));
    EXPECT_EQ("ALFA", v.get("COMPAGNIA"));
    // Clearing the loaded number blanks the policy, the persons and the vehicle.
    v.set("POLIZZA", "");
    quoteFieldLeft(ws(), kFPolicy, v);
    for (const char* f : {"COMPAGNIA", "ASSICURATO", "INTESTPRA", "TARGA", "CONDUCENTE", "ATTESCAD"})
        EXPECT_EQ("", trim(v.get(f)) == "/  /" ? "" : trim(v.get(f))) << f;
    EXPECT_EQ("F", v.get("ATTEVALI"));

    // The contracting party from a client, the holder copied from it, the holder's tax code.
    v.set("ASSICURATO", "rossi mario");
    quoteFieldLeft(ws(), kFInsured, v);
    EXPECT_EQ("ROMA", v.get("CITTA"));
    copyInsured(v, "PRA");
    EXPECT_EQ("ROSSI MARIO", v.get("INTESTPRA"));
    EXPECT_EQ("Via Roma 1", v.get("INDPRA"));
    EXPECT_EQ("r@x.it", v.get("EMAPRA"));
    v.set("INTESTPRA", "NERI PIA");
    quoteFieldLeft(ws(), kFHolder, v);
    EXPECT_EQ("PISA", v.get("CITPRA"));
    quoteFieldLeft(ws(), kFHolderTax, v);
    EXPECT_EQ("F", v.get("SESPRA"));
    v.set("CDFPRA", "NREPIA");
    quoteFieldLeft(ws(), kFHolderTax, v);
    EXPECT_EQ("", v.get("SESPRA"));

    // The driver: unticking the last driving type clears the driver's fields.
    v.set("GDECON", "T");
    copyInsured(v, "CON");
    EXPECT_EQ("ROMA", v.get("CITCON"));
    v.set("GDECON", "F");
    quoteFieldLeft(ws(), kFExpert, v);
    EXPECT_EQ("", v.get("CONDUCENTE"));
    EXPECT_EQ("", v.get("CITCON"));
}

// ---------------------------------------------------------------- the conversion

namespace {

class ConversionFolder : public QuoteFolder {
protected:
    void SetUp() override
    {
        QuoteFolder::SetUp();
        add("POLIZZE", {{"CODICE", "         1"}, {"POLIZZA", "OLD1"}, {"ASSICURATO", "BIANCHI LUCA"}, {"RAMO", "AUTO"},
                        {"COMPAGNIA", "GAMMA"}});
        quote = add("PREVBSA", {{"NUMERO", "1012"},
                                {"DATA", "20/02/2026"},
                                {"OPERATORE", "ANNA"},
                                {"POLIZZA", "OLD1"},
                                {"COMPAGNIA", "GAMMA"},
                                {"ASSICURATO", "BIANCHI LUCA"},
                                {"INDIRIZZO", "Via Po 3"},
                                {"NOTEASS", "nuovo"},
                                {"INTESTPRA", "BIANCHI LUCA"},
                                {"TARGA", "EF456GH"},
                                {"GDECON", "T"},
                                {"KASKO", "T"},
                                {"COMPPREV", "ALFA"},
                                {"RAPPPREV", "ALFA RC"},
                                {"RAMOPREV", "AUTO"},
                                {"FRAZPREV", "ANNUALE"},
                                {"IMPOPREV", "550"},
                                {"EFFEPREV", "01/03/2026"},
                                {"SCADPREV", "01/03/2027"},
                                {"NOTEPREV", "nota rc"},
                                {"COMPARD", "BETA"},
                                {"RAPPARD", "BETA ARD"},
                                {"RAMOARD", "AUTO RISCHI DIVERSI"},
                                {"EFFEARD", "02/03/2026"}});
        quotes().goTo(quote);
    }
    Conversion full() const { return {"RC100", "ARD200", "INF300", "INFORTUNI"}; }
    size_t count(const char* table)
    {
        OwnTable t(ws(), table, true);
        size_t n = 0;
        for (t->goTop(); !t->eof(); t->skip(1)) ++n;
        return n;
    }
    // The policy NUMBER read back by NUMPOL (false when absent).
    bool policy(const std::string& number, const std::function<void(const Table&)>& check = {})
    {
        OwnTable t(ws(), "POLIZZE", true);
        t->ordAdd("NUMPOL");
        if (!t->seek(indexKey(number, 25))) return false;
        if (check) check(*t);
        return true;
    }
    bool sheetOf(const std::string& code, const std::function<void(const Table&)>& check = {})
    {
        OwnTable t(ws(), "DATIAUTO", true);
        t->ordAdd("DATIAUTO");
        if (!t->seek(code)) return false;
        if (check) check(*t);
        return true;
    }
    uint32_t quote = 0;
};

} // namespace

TEST_F(ConversionFolder, QuoteBecomesClientPoliciesAndSheets)
{
    const ConversionResult r = OKPOLIZZA(ws(), quotes(), full());
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ("BIANCHI LUCA", r.clientCreated);
    OwnTable cl(ws(), "CLIENTI", true);
    cl->ordAdd("CLIENTI");
    ASSERT_TRUE(cl->seek(indexKey("BIANCHI LUCA", 35, true)));
    EXPECT_EQ("Via Po 3", cl->text("INDIRIZZO"));
    EXPECT_EQ("nuovo", cl->memo("NOTE"));

    std::string rcCode, ardCode, thirdCode;
    ASSERT_TRUE(policy("RC100", [&](const Table& p) {
        rcCode = p.raw("CODICE");
        EXPECT_EQ(d(2026, 3, 1), p.date("COPERTURA"));
        EXPECT_TRUE(p.logical("COLLEGATA"));
        EXPECT_EQ("ARD200", p.text("POLCOLL1"));
        EXPECT_EQ("INF300", p.text("POLCOLL2"));
        EXPECT_EQ("ALFA RC", p.text("RAPPORTO"));
        EXPECT_EQ("OLD1", p.text("SOSTPOL"));
        EXPECT_EQ("nota rc", p.memo("NOTE"));
        EXPECT_EQ("", p.text("NUMPREV"));
    }));
    ASSERT_TRUE(policy("ARD200", [&](const Table& p) {
        ardCode = p.raw("CODICE");
        EXPECT_EQ("RC100", p.text("POLCOLL1"));
        EXPECT_EQ("INF300", p.text("POLCOLL2"));
        EXPECT_EQ("BETA ARD", p.text("RAPPORTO"));
        EXPECT_EQ(d(2026, 3, 2), p.date("COPERTURA"));
    }));
    ASSERT_TRUE(policy("INF300", [&](const Table& p) {
        thirdCode = p.raw("CODICE");
        EXPECT_EQ("INFORTUNI", p.text("RAMO"));
        EXPECT_EQ("RC100", p.text("POLCOLL1"));
        EXPECT_EQ("ARD200", p.text("POLCOLL2"));
    }));
    EXPECT_EQ(3u, std::set<std::string>({rcCode, ardCode, thirdCode}).size());
    // The motor sheets only for the "AUTO" branches, by equal names.
    EXPECT_TRUE(sheetOf(rcCode, [](const Table& s) {
        EXPECT_EQ("EF456GH", s.text("TARGA"));
        EXPECT_TRUE(s.logical("GDECON"));
        EXPECT_TRUE(s.logical("KASKO"));
    }));
    EXPECT_TRUE(sheetOf(ardCode));
    EXPECT_FALSE(sheetOf(thirdCode));

    ASSERT_TRUE(policy("OLD1", [](const Table& p) {
        EXPECT_TRUE(p.logical("DISDETTA"));
        EXPECT_EQ("RC100", p.text("SOSTDA"));
        EXPECT_EQ("GAMMA", p.memo("NOTE"));
    }));
    quotes().goTo(quote);
    EXPECT_TRUE(quotes().logical("OKPOLIZZA"));
    EXPECT_EQ("TERZA POLIZZA COLLEGATA: INFORTUNI", quotes().memo("NOTEARD"));
}

TEST_F(ConversionFolder, RefusalsAndFailuresWriteNothing)
{
    const size_t policies = count("POLIZZE");
    struct Case {
        Conversion c;
        const char* message;
        bool reopen;
    } cases[] = {
        {{"RC100", "RC100", "", ""}, kMsgArdExists, true},
        {{"RC100", "ARD200", "ARD200", "INFORTUNI"}, kMsgThirdExists, true},
        {{"OLD1", "ARD200", "", ""}, kMsgRcExists, true},
        {{"RC100", "", "", ""}, "Indicare il numero di polizza ARD.", true},
    };
    for (const Case& c : cases) {
        const ConversionResult r = OKPOLIZZA(ws(), quotes(), c.c);
        EXPECT_FALSE(r);
        EXPECT_EQ(c.message, r.message);
        EXPECT_EQ(c.reopen, r.reopen);
    }
    EXPECT_EQ(policies, count("POLIZZE"));
    EXPECT_EQ(0u, count("CLIENTI"));

    // A failure at the ARD step takes back the client, the RC policy and its sheet.
    ConversionHooks hooks;
    hooks.beforeStep = [](const std::string& step) {
        if (step == "ARD") throw std::runtime_error("disco scollegato");
    };
    const ConversionResult failed = OKPOLIZZA(ws(), quotes(), full(), hooks);
    EXPECT_FALSE(failed);
    EXPECT_NE(std::string::npos, failed.message.find("disco scollegato"));
    EXPECT_EQ(0, failed.message.rfind(kMsgConversionUndone, 0));
    EXPECT_FALSE(policy("RC100"));
    EXPECT_EQ(policies, count("POLIZZE"));
    EXPECT_EQ(0u, count("DATIAUTO"));
    EXPECT_EQ(0u, count("CLIENTI"));
    ASSERT_TRUE(policy("OLD1", [](const Table& p) {
        EXPECT_FALSE(p.logical("DISDETTA"));
        EXPECT_EQ("", p.text("SOSTDA"));
        EXPECT_EQ("", p.memo("NOTE"));
    }));
    quotes().goTo(quote);
    EXPECT_FALSE(quotes().logical("OKPOLIZZA"));

    // A quote without contracting party nor RC agreement is refused naming both.
    {
        quotes().lock(true);
        quotes().setText("ASSICURATO", "");
        quotes().setText("RAPPPREV", "");
        quotes().commit();
        quotes().unlock();
    }
    const ConversionResult missing = OKPOLIZZA(ws(), quotes(), full());
    EXPECT_EQ("Impossibile creare la polizza: nel preventivo manca il contraente e il rapporto RC Auto.",
              missing.message);
    EXPECT_FALSE(missing.reopen);
    EXPECT_EQ(policies, count("POLIZZE"));
}

TEST_F(ConversionFolder, PreviousPolicyMarkedOnceAndClientCreatedOnce)
{
    // Another replacement already holds the previous policy: it is left alone and said so.
    {
        OwnTable t(ws(), "POLIZZE");
        t->ordAdd("NUMPOL");
        ASSERT_TRUE(t->seek(indexKey("OLD1", 25)));
        t->lock(true);
        t->setText("SOSTDA", "ALTRA");
        t->commit();
        t->unlock();
    }
    const ConversionResult r = OKPOLIZZA(ws(), quotes(), {"RC100", "ARD200", "", ""});
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ(std::vector<std::string>{kMsgAlreadyReplaced}, r.notices);
    ASSERT_TRUE(policy("OLD1", [](const Table& p) {
        EXPECT_EQ("ALTRA", p.text("SOSTDA"));
        EXPECT_FALSE(p.logical("DISDETTA"));
        EXPECT_EQ("", p.memo("NOTE"));
    }));
    quotes().goTo(quote);
    EXPECT_EQ("", quotes().memo("NOTEARD"));

    // Two processes converting quotes of one new client create it once.
    const uint32_t second = add("PREVBSA", {{"ASSICURATO", "VERDI ANNA"}, {"COMPPREV", "ALFA"}, {"RAPPPREV", "ALFA RC"},
                                            {"RAMOPREV", "RCA"}});
    const uint32_t third = add("PREVBSA", {{"ASSICURATO", "VERDI ANNA"}, {"COMPPREV", "ALFA"}, {"RAPPPREV", "ALFA RC"},
                                           {"RAMOPREV", "RCA"}});
    const std::string folder = dir.path();
    workspace().closeAll();
    auto converter = [](uint32_t recno) {
        return [recno](Workspace& w) {
            Table& t = w.open("PREVBSA");
            t.goTo(recno);
            return OKPOLIZZA(w, t, {"V-" + std::to_string(recno), "", "", ""}) ? 0 : 2;
        };
    };
    inChildren(folder, {converter(second), converter(third)});
    workspace().setFolder(folder);
    OwnTable cl(ws(), "CLIENTI", true);
    size_t verdi = 0;
    for (cl->goTop(); !cl->eof(); cl->skip(1)) verdi += cl->text("CLIENTE") == "VERDI ANNA";
    EXPECT_EQ(1u, verdi);
}

// ---------------------------------------------------------------- the documents

TEST(QuoteTexts, DrivingCoversPricesAndValidity)
{
    DrivingCovers c;
    c.expert = true;
    EXPECT_EQ("\"Guida esperta\"", GUIDA(c));
    EXPECT_EQ("(qualora il conducente necessariamente indicato in polizza abbia un'età superiore ai 26 anni)",
              DESCGUIDA(c));
    c.exclusive = true;
    EXPECT_EQ("\"Guida esclusiva\"", GUIDA(c));
    EXPECT_EQ("", GUIDA(DrivingCovers{}));
    EXPECT_EQ("", DESCGUIDA(DrivingCovers{}));

    DrivingCovers a;
    a.guarantee1 = "Cristalli plus";
    const auto at = [](const char* field) {
        const auto& f = coverFields();
        return static_cast<size_t>(std::find_if(f.begin(), f.end(), [&](const char* x) { return std::string(x) == field; }) -
                                   f.begin());
    };
    for (const char* f : {"KASKO", "ASSIST", "COLLISIO"}) a.covers[at(f)] = true;
    EXPECT_EQ("Cristalli plus, KASKO, ASSISTENZA, COLLISIONE", ALTREARD(a));
    EXPECT_EQ("", ALTREARD(DrivingCovers{}));

    struct Case {
        Date today, until;
    } days[] = {{d(2026, 3, 25), d(2026, 4, 4)}, {d(2025, 12, 28), d(2026, 1, 7)}, {d(2024, 2, 25), d(2024, 3, 6)}};
    for (const Case& k : days) EXPECT_EQ(k.until, offerValidUntil(k.today)) << k.today.toDisplay();
}

namespace {

class QuoteDocuments : public QuoteFolder {
protected:
    uint32_t motorQuote(const Values& more = {})
    {
        Values v = {{"NUMERO", "1012"},
                    {"DATA", "25/03/2026"},
                    {"OPERATORE", "ANNA"},
                    {"RAMO", "AUTO"},
                    {"ASSICURATO", "BIANCHI LUCA"},
                    {"INDIRIZZO", "Via Po 3"},
                    {"CITTA", "TORINO"},
                    {"CAP", "10100"},
                    {"PROVINCIA", "TO"},
                    {"CODICEFISC", "BNCLCU80A01L219X"},
                    {"E_MAIL", "luca@example.it"},
                    {"INTESTPRA", "BIANCHI LUCA"},
                    {"CONDUCENTE", "BIANCHI LUCA"},
                    {"TARGA", "EF456GH"},
                    {"VEICOLO", "Autovettura"},
                    {"MARCA", "FIAT"},
                    {"MASSIMALI", "6.070.000,00"},
                    {"GDXCON", "T"},
                    {"ATTEVALI", "T"},
                    {"ATTESCAD", "30/04/2026"},
                    {"SINISTRI09", "1"},
                    {"SINISTRI10", "0"},
                    {"COMPPREV", "ALFA"},
                    {"RAPPPREV", "ALFA RC"},
                    {"IMPOPREV1", "300"},
                    {"IMPOPREV2", "550"},
                    {"IMPOPREV3", "50"},
                    {"EFFEPREV", "01/04/2026"},
                    {"SCADPREV", "01/04/2027"},
                    {"NOTEPREV", "prima riga\r\nseconda riga"}};
        for (const auto& m : more) v.push_back(m);
        const uint32_t r = add("PREVBSA", v);
        quotes().goTo(r);
        return r;
    }
    void agency(const std::string& more = {})
    {
        std::ofstream(ini()) << "[Agenzia]\nRagione sociale=Agenzia Sole\nFax=06 5550\nE-mail=info@sole.it\n" << more;
    }
};

} // namespace

TEST_F(QuoteDocuments, OfferTextAndPrices)
{
    agency();
    IniFile settings(ini());
    AgencyIdentity a;
    a.load(settings);
    motorQuote();
    // Without ARD prices the offer gives the RC ones; with them each frequency adds up.
    OfferPrices p = offerPrices(quotes());
    EXPECT_EQ(Decimal::parseOrZero("300"), p.halfYear);
    std::string text = offerText(quotes(), a, d(2026, 3, 25));
    EXPECT_NE(std::string::npos, text.find("SEMESTRALE  Euro 300,00\r\nANNUALE  Euro 550,00\r\n"));
    motorQuote({{"IMPOARD1", "100"}, {"IMPOARD2", "180"}, {"IMPOARD3", "17"}, {"VALORE", "12000"}, {"COMPARD", "BETA"}});
    p = offerPrices(quotes());
    EXPECT_EQ(Decimal::parseOrZero("730"), p.year);
    text = offerText(quotes(), a, d(2026, 3, 25));
    for (const char* part :
         {"della Sua auto targata EF456GH:\r\n", "Città: TORINO C.A.P.: 10100 PR.: TO\r\n",
          "Valore veicolo:  Euro 12.000,00   Compagnia: BETA (in allegato", "SEMESTRALE  Euro 400,00\r\n",
          "ANNUALE  Euro 730,00\r\n", "(se autorizzato Fiditalia)  Euro 67,00\r\n",
          "rimarrà valido fino al 04/04/2026\r\n", "al nostro fax n. 06 5550 oppure a mezzo email info@sole.it,",
          "considerando la clausola \"Guida esclusiva\" (qualora", "Servizio Clienti\r\n\r\nAgenzia Sole\r\n"})
        EXPECT_NE(std::string::npos, text.find(part)) << part;
    EXPECT_EQ(std::string::npos, text.find("Altre garanzie"));
    EXPECT_EQ("Preventivo polizza RC Auto n. 1012", offerSubject(quotes()));

    // The printed copy stops before the paragraph on monthly instalments.
    const std::string copy = offerCopyText(text);
    EXPECT_EQ(std::string::npos, copy.find(kMonthlyParagraph));
    EXPECT_NE(std::string::npos, copy.find("- Patente fotocopiata"));
    const std::string pages = allPages(printOfferCopy("Oggetto", text, true));
    EXPECT_NE(std::string::npos, pages.find("|STAMPA EMAIL PREVENTIVO|"));
    EXPECT_NE(std::string::npos, pages.find("|OGGETTO: |"));
    EXPECT_NE(std::string::npos, pages.find("- Certificato di propriet"));
    EXPECT_EQ(std::string::npos, pages.find("rateizzazione mensile"));
}

TEST_F(QuoteDocuments, SheetReadBack)
{
    motorQuote();
    std::string pages = allPages(printQuoteSheet(quotes(), true));
    EXPECT_NE(std::string::npos, pages.find("|STAMPA PREVENTIVO POLIZZA|"));
    EXPECT_NE(std::string::npos, pages.find("|L'intestatario al PRA è uguale al contraente di polizza|"));
    EXPECT_NE(std::string::npos, pages.find("|Il conducente è uguale al contraente di polizza|"));
    EXPECT_NE(std::string::npos, pages.find("|DATI AUTO|"));
    EXPECT_NE(std::string::npos, pages.find("|SINISTRI ANNO PRECEDENTE:|"));
    EXPECT_NE(std::string::npos, pages.find("|SINISTRI 9 ANNI FA:|"));
    EXPECT_NE(std::string::npos, pages.find("|prima riga seconda riga|"));
    EXPECT_NE(std::string::npos, pages.find("R |550,00|"));
    const PrintDocument motor = printQuoteSheet(quotes(), true);
    EXPECT_EQ(5u, motor.pages.size());

    // A non-motor branch has no "DATI AUTO" page; a holder of its own gets the person rows.
    motorQuote({{"RAMO", "INCENDIO"}, {"INTESTPRA", "NERI PIA"}, {"CITPRA", "PISA"}});
    const PrintDocument other = printQuoteSheet(quotes(), true);
    EXPECT_EQ(4u, other.pages.size());
    pages = allPages(other);
    EXPECT_EQ(std::string::npos, pages.find("|DATI AUTO|"));
    EXPECT_EQ(std::string::npos, pages.find("L'intestatario al PRA"));
    EXPECT_NE(std::string::npos, pages.find("|NERI PIA|"));
    EXPECT_NE(std::string::npos, pages.find("|PISA|"));
}

TEST_F(QuoteDocuments, MailsReachTheirAddresses)
{
    test::SmtpServer server(dir.path() + "/smtp");
    ASSERT_TRUE(server.ready());
    agency("[E-mail]\nServer smtp=127.0.0.1\nMittente=agenzia@example.it\nCopia=copia@sole.it\nPorta=" +
           std::to_string(server.port()) + "\n");
    add("COMPAGN", {{"COMPAGNIA", "ALFA RC"}, {"E_MAIL", "preventivi@alfa.it"}});
    add("COMPAGN", {{"COMPAGNIA", "MUTA"}});
    const std::string attached = dir.file("condizioni.pdf");
    std::ofstream(attached) << "%PDF-1.4 condizioni";
    std::vector<std::string> told, printed;
    QuoteMailHooks hooks;
    hooks.tell = [&](const std::string& m) { told.push_back(m); };
    hooks.printCopy = [&](const std::string& subject, const std::string&) { printed.push_back(subject); };
    hooks.compose = [&](MailDraft& draft) {
        draft.attachments = {attached};
        return true;
    };

    // The offer to the quote's address, with its attachment; the copy printed either way.
    motorQuote();
    EXPECT_EQ(1u, sendOffer(quotes(), ini(), hooks));
    ASSERT_EQ(1, server.received());
    EXPECT_EQ("luca@example.it\ncopia@sole.it", server.item(1, "rcpt"));
    EXPECT_EQ("Preventivo polizza RC Auto n. 1012", server.item(1, "subject"));
    EXPECT_EQ("%PDF-1.4 condizioni", test::readFile(fs::path(dir.path()) / "smtp" / "msg1" / "att_condizioni.pdf"));
    EXPECT_EQ("1 messaggi inviati con successo.", told.back());
    motorQuote({{"E_MAIL", ""}});
    EXPECT_EQ(0u, sendOffer(quotes(), ini(), hooks));
    EXPECT_EQ("Nessun messaggio inviato.", told.back());
    EXPECT_EQ(2u, printed.size());
    EXPECT_EQ(1, server.received());

    // The price requests, from the quote and from a policy, reach the chosen company's address.
    hooks.compose = [](MailDraft& draft) {
        EXPECT_EQ("Compagnia:", draft.chooserLabel);
        draft.chosen = "ALFA RC";
        return true;
    };
    motorQuote({{"PRIMAIMM", "T"}});
    EXPECT_EQ(1u, sendPriceRequest(ws(), quotes(), false, ini(), hooks));
    add("CLIENTI", {{"CLIENTE", "VERDI ANNA"}, {"INDIRIZZO", "Via Po 9"}});
    const std::string longNumber = "POLIZZA-NUMERO-MOLTO-LUNG";
    add("POLIZZE", {{"CODICE", "         4"}, {"POLIZZA", longNumber}, {"ASSICURATO", "VERDI ANNA"},
                    {"RAMO", "AUTO"}, {"EFFETTO", "01/05/2026"}});
    add("DATIAUTO", {{"POLIZZA", "         4"}, {"TARGA", "GH789JK"}, {"GDLCON", "T"}});
    OwnTable pol(ws(), "POLIZZE", true);
    pol->ordAdd("NUMPOL");
    ASSERT_TRUE(pol->seek(indexKey(longNumber, 25)));
    EXPECT_EQ(1u, sendPriceRequest(ws(), *pol, true, ini(), hooks));
    ASSERT_EQ(3, server.received());
    for (int n : {2, 3}) {
        EXPECT_NE(std::string::npos, server.item(n, "rcpt").find("preventivi@alfa.it"));
        EXPECT_EQ("copia@sole.it", server.item(n, "cc"));
    }
    const std::string fromQuote = server.item(2, "body");
    EXPECT_NE(std::string::npos, fromQuote.find("ATTESTATO IN CORSO DI VALIDITA'\r\nScadenza: 30/04/2026\r\nSinistri: 1 0 \r\n"));
    EXPECT_NE(std::string::npos, fromQuote.find("PRIMA IMMATRICOLAZIONE\r\n"));
    EXPECT_EQ("Preventivo polizza RC Auto - " + longNumber, server.item(3, "subject"));
    const std::string fromPolicy = server.item(3, "body");
    EXPECT_NE(std::string::npos, fromPolicy.find("Indirizzo: Via Po 9\r\n"));
    EXPECT_NE(std::string::npos, fromPolicy.find("Targa: GH789JK\r\n"));
    EXPECT_NE(std::string::npos, fromPolicy.find("Decorrenza del contratto: 01/05/2026\r\n"));
    EXPECT_NE(std::string::npos, fromPolicy.find("Tipologia di guida: \"Guida libera\""));
    EXPECT_EQ(std::string::npos, fromPolicy.find("ATTESTATO"));

    // A company without an address gets nothing.
    hooks.compose = [](MailDraft& draft) {
        draft.chosen = "MUTA";
        return true;
    };
    EXPECT_EQ(0u, sendPriceRequest(ws(), quotes(), false, ini(), hooks));
    EXPECT_EQ("Nessun messaggio inviato.", told.back());
    EXPECT_EQ(3, server.received());
}

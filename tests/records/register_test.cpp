#include "records/register.h"

#include <gtest/gtest.h>

#include "records/browse.h"
#include "records/criteria.h"
#include "store/upgrade.h"
#include "support/tempdir.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

class Register : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
        ws = std::make_unique<Workspace>(dir.path());
    }
    void add(Table& t, std::initializer_list<std::pair<const char*, const char*>> values)
    {
        t.append();
        for (auto [f, v] : values) t.setText(FieldName::runtime(f), v);
        t.commit();
        t.unlock();
    }
    std::vector<std::string> listed(Table& t, FieldName field)
    {
        std::vector<std::string> out;
        for (t.goTop(); !t.eof(); t.skip(1)) out.push_back(t.text(field));
        return out;
    }
    RegisterDesc productSpec()
    {
        RegisterDesc s;
        s.name = "PRODOTTI";
        s.title = "Prodotti";
        s.countingTitle = true;
        s.table = "PRODOTTI";
        s.orders = {"PRODOTTI"};
        auto field = [](int id, const char* name) {
            EditField f;
            f.id = id;
            f.field = name;
            f.rule = [](const std::string& v, const EditValues&) { return !v.empty(); };
            return f;
        };
        s.fields = {field(101, "COMPAGNIA"), field(102, "RAPPORTO"), field(103, "CONVENZIO"), field(104, "CODICE"),
                    field(105, "DESCRIZ")};
        s.duplicateTag = "PRODOTTI";
        s.duplicateMessage = "Prodotto già presente.";
        return s;
    }
    EditValues product(const RegisterDesc& s, const char* company, const char* code, const char* description)
    {
        EditValues v(s.fields);
        v.set("COMPAGNIA", company);
        v.set("RAPPORTO", company);
        v.set("CONVENZIO", "STANDARD");
        v.set("CODICE", code);
        v.set("DESCRIZ", description);
        return v;
    }

    test::TempDir dir;
    std::unique_ptr<Workspace> ws;
};

} // namespace

TEST(Criteria, ValuesAreComparedNotParsed)
{
    test::TempDir dir;
    ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
    Workspace ws(dir.path());
    Table& t = ws.open("CLIENTI");
    for (const char* name : {"D'Angelo Città", "Rossi \"Mario\"", "rossini luca", "Bianchi"}) {
        t.append();
        t.setText("CLIENTE", name);
        t.setText("CITTA", "Roma");
        t.commit();
        t.unlock();
    }
    auto count = [&](const RecordPredicate& p) {
        int n = 0;
        for (t.goTop(); !t.eof(); t.skip(1)) n += p(t) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(1, count(criteria::contains("CLIENTE", " d'angelo ")));
    EXPECT_EQ(1, count(criteria::contains("CLIENTE", "CITTÀ")));   // accented capitals
    EXPECT_EQ(1, count(criteria::contains("CLIENTE", "\"mario\""))); // a quote is just a character
    EXPECT_EQ(2, count(criteria::contains("CLIENTE", "ross")));
    EXPECT_EQ(2, count(criteria::prefix("CLIENTE", "ROSS")));
    EXPECT_EQ(0, count(criteria::prefix("CLIENTE", "OSS")));
    EXPECT_EQ(1, count(criteria::paddedExact("CLIENTE", "bianchi   ")));
    EXPECT_EQ(0, count(criteria::paddedExact("CLIENTE", "bianch")));
    EXPECT_EQ(0, count(criteria::paddedExact("CLIENTE", " bianchi")));
    EXPECT_EQ(4, count(criteria::equal("CITTA", "roma")));
    EXPECT_FALSE(criteria::allOf({RecordPredicate(), RecordPredicate()}));
    EXPECT_EQ(1, count(criteria::allOf({criteria::contains("CLIENTE", "ross"), criteria::prefix("CLIENTE", "rossi \"")})));
}

TEST(Criteria, SearchFieldsBuildBoundsFlagsAndSkipEmptyOnes)
{
    test::TempDir dir;
    ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
    Workspace ws(dir.path());
    Table& t = ws.open("FINANZ");
    int n = 0;
    for (auto [day, amount, paid] : {std::tuple{10, "100", true}, std::tuple{20, "200", false}, std::tuple{30, "300", true}}) {
        t.append();
        t.setText("NUMERO", std::to_string(++n));
        t.setDate("DATA", Date::fromYmd(2024, 5, day));
        t.setNumber("IMPORTO", *Decimal::parse(amount));
        t.setLogical("PAGATO", paid);
        t.commit();
        t.unlock();
    }
    std::vector<SearchField> fields(5);
    fields[0] = {1, "Dal:", "DATA", Match::From, FieldKind::Date, "", {}};
    fields[1] = {2, "Al:", "DATA", Match::To, FieldKind::Date, "", {}};
    fields[2] = {3, "Importo da:", "IMPORTO", Match::From, FieldKind::Number, "@E 99,999.99", {}};
    fields[3] = {4, "Pagato:", "PAGATO", Match::Flag, FieldKind::TriState, "", {}};
    fields[4] = {5, "Numero:", "NUMERO", Match::Contains, FieldKind::Text, "", {}};
    auto numbers = [&](const std::vector<std::string>& typed) {
        RecordPredicate p = buildCondition(fields, typed);
        std::string out;
        for (t.goTop(); !t.eof(); t.skip(1))
            if (!p || p(t)) out += t.text("NUMERO");
        return out;
    };
    EXPECT_FALSE(buildCondition(fields, {"  /  /  ", "", "", "", "  "}));
    EXPECT_EQ("23", numbers({"15/05/24", "", "", "", ""}));
    EXPECT_EQ("12", numbers({"", "20/05/24", "", "", ""}));
    EXPECT_EQ("3", numbers({"", "", "250,00", "", ""}));
    EXPECT_EQ("13", numbers({"", "", "", "T", ""}));
    EXPECT_EQ("2", numbers({"", "", "", "F", ""}));
    EXPECT_EQ("3", numbers({"11/05/24", "31/05/24", "", "T", "3"}));
    // A date that cannot be read adds no bound.
    EXPECT_EQ("123", numbers({"31/02/24", "", "", "", ""}));
}

TEST_F(Register, SaveChecksDuplicatesAgainstTheWholeTableEvenUnderASearchView)
{
    RegisterDesc desc = productSpec();
    openRegisterTables(desc, *ws);
    Table& t = (*ws)["PRODOTTI"];
    EditValues blank = blankValues(desc.fields, &t);
    ASSERT_TRUE(saveRecord(desc, *ws, true, blank, product(desc, "Alfa", "A1", "Casa")));
    ASSERT_TRUE(saveRecord(desc, *ws, true, blank, product(desc, "Alfa", "A2", "Auto")));
    EXPECT_EQ("Prodotti - 2 di 2", registerTitle(desc, t, 2));

    // The list shows only "Auto"; a new "casa" is still a duplicate of the hidden "Casa".
    ASSERT_TRUE(applySearch(desc, t, criteria::contains("DESCRIZ", "auto")));
    EXPECT_EQ((std::vector<std::string>{"Auto"}), listed(t, "DESCRIZ"));
    SaveResult dup = saveRecord(desc, *ws, true, blank, product(desc, "ALFA", "A3", "casa"));
    EXPECT_EQ(SaveResult::Duplicate, dup.kind);
    EXPECT_EQ("Prodotto già presente.", dup.message);
    clearSearch(desc, t);
    EXPECT_EQ(2u, t.totRec());
    EXPECT_FALSE(criteria::remembered("PRODOTTI"));

    // Changing only the description to another product's is a duplicate; keeping the key is not.
    t.goTop(); // "Auto"
    EditValues before = recordValues(desc.fields, t);
    EditValues after = before;
    after.set("DESCRIZ", "CASA");
    EXPECT_EQ(SaveResult::Duplicate, saveRecord(desc, *ws, false, before, after).kind);
    EXPECT_EQ("Auto", t.text("DESCRIZ"));
    after = before;
    after.set("CODICE", "A9");
    EXPECT_TRUE(saveRecord(desc, *ws, false, before, after));
    EXPECT_EQ("A9", t.text("CODICE"));
    closeRegisterTables(desc, *ws);
    EXPECT_FALSE(ws->isOpen("PRODOTTI"));
}

TEST_F(Register, OwnChecksStopTheWriteAndRenamesAreCarriedAndCanBeRunAgain)
{
    Table& pol = ws->open("POLIZZE");
    add(pol, {{"POLIZZA", "1"}, {"PRODUTTORE", "Verdi"}, {"PRODUTTOR2", "Verdi"}});
    add(pol, {{"POLIZZA", "2"}, {"PRODUTTORE", "Verdini"}, {"PRODUTTOR2", ""}});
    ws->close("POLIZZE");

    RegisterDesc desc;
    desc.name = "PRODUTT";
    desc.table = "PRODUTT";
    desc.orders = {"PRODUTT"};
    EditField name;
    name.field = "PRODUTTORE";
    desc.fields = {name};
    desc.renameField = "PRODUTTORE";
    desc.renames = {{"POLIZZE", {"PRODUTTORE", "PRODUTTOR2"}}};
    bool refuse = true;
    desc.check = [&](Workspace&, const EditValues&, bool) -> std::optional<std::string> {
        if (refuse) return std::string("Subagente non attivo.");
        return std::nullopt;
    };
    std::vector<std::string> shown;
    waitHooks().show = [&](const std::string& text, const std::string&) { shown.push_back(text); };
    waitHooks().hide = [&] { shown.push_back("-"); };

    openRegisterTables(desc, *ws);
    Table& t = (*ws)["PRODUTT"];
    EditValues before = blankValues(desc.fields, &t);
    EditValues after = before;
    after.set("PRODUTTORE", "Verdi");
    SaveResult r = saveRecord(desc, *ws, true, before, after);
    EXPECT_EQ(SaveResult::CheckFailed, r.kind);
    EXPECT_EQ("Subagente non attivo.", r.message);
    EXPECT_EQ(0u, t.totRec());
    refuse = false;
    ASSERT_TRUE(saveRecord(desc, *ws, true, before, after));

    t.goTop();
    before = recordValues(desc.fields, t);
    after.set("PRODUTTORE", "Verdi Luigi");
    ASSERT_TRUE(saveRecord(desc, *ws, false, before, after));
    EXPECT_EQ((std::vector<std::string>{kMsgUpdatingArchives, "-"}), shown);
    EXPECT_EQ("Verdi Luigi", t.text("PRODUTTORE"));
    EXPECT_EQ(1, t.area() == ws->selected() ? 1 : 0);
    waitHooks() = WaitHooks();

    Table& check = ws->open("POLIZZE", "CHECK");
    check.goTop();
    EXPECT_EQ("Verdi Luigi", check.text("PRODUTTORE"));
    EXPECT_EQ("Verdi Luigi", check.text("PRODUTTOR2"));
    check.skip(1);
    EXPECT_EQ("Verdini", check.text("PRODUTTORE")); // only equal values change
    ws->close("CHECK");
    // A second run (an interrupted rename finished) changes nothing more.
    EXPECT_EQ(0u, renameCascade(*ws, desc.renames, "Verdi", "Verdi Luigi"));
    EXPECT_EQ(0u, renameCascade(*ws, desc.renames, "  ", "X"));
    EXPECT_EQ(1u, renameCascade(*ws, desc.renames, "Verdini", "Verdini Ugo"));
    closeRegisterTables(desc, *ws);
}

TEST_F(Register, RecheckFollowsPagesAndFieldOrderAndSkipsDisabledFields)
{
    std::vector<EditField> f(4);
    f[0] = EditField{1, "Nome:", "A", FieldKind::Text, "", {}, false,
                     [](const std::string& v, const EditValues&) { return !v.empty(); }, 1, {}, 0};
    f[1] = EditField{2, "Data:", "B", FieldKind::Date, "", {}, false, {}, 0, {}, 0};
    f[2] = EditField{3, "Importo:", "C", FieldKind::Number, "@E 999.99", {}, false, {}, 0,
                     [](const EditValues& v) { return v.get("B") != "  /  /  "; }, 0};
    f[3] = EditField{4, "Note:", "D", FieldKind::Text, "", {}, false, {}, 0, {}, 0};
    EditValues v = blankValues(f);
    EXPECT_EQ("  /  /  ", v.get("B"));
    v.set("B", "31/02/24");
    v.set("C", "1.234,00");
    auto fail = recheckValues(f, v);
    ASSERT_TRUE(fail);
    EXPECT_EQ(1u, fail->index); // page 0 before page 1
    EXPECT_EQ("Data non valida.", fail->message);
    v.set("B", "28/02/24");
    fail = recheckValues(f, v);
    ASSERT_TRUE(fail);
    EXPECT_EQ(2u, fail->index);
    EXPECT_EQ("Numero troppo grande.", fail->message);
    v.set("B", "  /  /  "); // the amount is disabled now
    fail = recheckValues(f, v);
    ASSERT_TRUE(fail);
    EXPECT_EQ(0u, fail->index);
    EXPECT_EQ("Campo non valido.", fail->message);
    v.set("A", "x");
    EXPECT_FALSE(recheckValues(f, v));
}

TEST_F(Register, CellEditorAppendsDiscardsAndStores)
{
    Table& t = ws->open("GARANZIE");
    t.ordAdd("GARANZIE");
    ASSERT_FALSE(cellAppend(t));
    const uint32_t blank = t.recno();
    EXPECT_EQ(1u, t.totRec());
    EXPECT_FALSE(cellStore(t, blank, "GARANZIA", "   ")); // not accepted
    cellDiscard(t, blank);
    EXPECT_EQ(0u, t.totRec());

    for (int i = 0; i < 2; ++i) {
        ASSERT_FALSE(cellAppend(t));
        EXPECT_TRUE(cellStore(t, t.recno(), "GARANZIA", "Furto"));
    }
    EXPECT_EQ((std::vector<std::string>{"Furto", "Furto"}), listed(t, "GARANZIA")); // no duplicate test
    t.goTop();
    const uint32_t first = t.recno();
    t.del();
    // A value confirmed on a record another workstation deleted brings it back.
    EXPECT_TRUE(cellStore(t, first, "GARANZIA", "Incendio"));
    EXPECT_EQ((std::vector<std::string>{"Furto", "Incendio"}), listed(t, "GARANZIA"));
}

TEST_F(Register, BrowseWindowFindsRowsThroughTheIndex)
{
    Table& t = ws->open("RAMI");
    t.ordAdd("RAMI");
    t.setBulk(true);
    for (int i = 999; i >= 0; --i) {
        t.append();
        char name[16];
        std::snprintf(name, sizeof name, "R%04d", i);
        t.setText("RAMO", name);
        t.commit();
    }
    t.setBulk(false);
    t.unlock();
    BrowseWindow w(t, 16);
    EXPECT_EQ(1000u, w.size());
    uint32_t recno500 = 0;
    ASSERT_TRUE(t.peek(w.entryAt(500)->recno, [&](const Table& r) { EXPECT_EQ("R0500", r.text("RAMO")); }));
    recno500 = w.entryAt(500)->recno;
    EXPECT_FALSE(w.entryAt(1000));
    t.goTo(recno500);
    EXPECT_EQ(500u, w.currentRow().value());
    t.skip(1);
    EXPECT_EQ(501u, w.currentRow().value());
    t.goBottom();
    t.skip(1);
    EXPECT_FALSE(w.currentRow());

    t.setScope(std::string("R01"), std::string("R01"));
    w.refresh();
    EXPECT_EQ(100u, w.size());
    ASSERT_TRUE(t.peek(w.entryAt(0)->recno, [&](const Table& r) { EXPECT_EQ("R0100", r.text("RAMO")); }));
    t.clearScope();
    t.setView([](const Table& r) { return r.text("RAMO").back() == '7'; }, Table::ViewOptions{});
    w.refresh();
    EXPECT_EQ(100u, w.size());
    ASSERT_TRUE(t.peek(w.entryAt(99)->recno, [&](const Table& r) { EXPECT_EQ("R0997", r.text("RAMO")); }));
}

TEST_F(Register, TypingInListsSearchAndFirstLetter)
{
    Table& c = ws->open("CLIENTI");
    c.ordAdd("CLIENTI");
    for (const char* n : {"BIANCHI", "ROSSI ANNA", "ROSSI MARIO", "ROSSINI", "VERDI"}) add(c, {{"CLIENTE", n}});
    KeySearch s;
    c.goTop();
    EXPECT_TRUE(s.key(c, U'r'));
    EXPECT_EQ("ROSSI ANNA", c.text("CLIENTE"));
    for (char32_t ch : std::u32string(U"ossi m")) s.key(c, ch);
    EXPECT_EQ("ROSSI MARIO", c.text("CLIENTE"));
    EXPECT_FALSE(s.key(c, U'z')); // no key: the character goes, the cursor stays
    EXPECT_EQ("ROSSI M", s.text());
    EXPECT_EQ("ROSSI MARIO", c.text("CLIENTE"));
    s.key(c, U'\b');
    s.key(c, U'\b');
    EXPECT_EQ("ROSSI", s.text());
    c.goTop(); // moved by other means: the text starts again
    s.key(c, U'v');
    EXPECT_EQ("V", s.text());
    EXPECT_EQ("VERDI", c.text("CLIENTE"));

    Table& r = ws->open("RAMI");
    r.ordAdd("RAMI");
    for (const char* n : {"AUTO", "Altri", "INCENDIO", "INFORTUNI", "auto storiche"}) add(r, {{"RAMO", n}});
    r.goTop();
    EXPECT_TRUE(keySeek(r, U'i'));
    EXPECT_EQ("INCENDIO", r.text("RAMO"));
    EXPECT_TRUE(keySeek(r, U'i'));
    EXPECT_EQ("INFORTUNI", r.text("RAMO"));
    EXPECT_TRUE(keySeek(r, U'i')); // after the last, back to the first
    EXPECT_EQ("INCENDIO", r.text("RAMO"));
    EXPECT_FALSE(keySeek(r, U'z'));
    EXPECT_EQ("INCENDIO", r.text("RAMO"));
    keySeek(r, U'a');
    EXPECT_EQ("AUTO", r.text("RAMO"));
    keySeek(r, U'a'); // upper case first, then lower case
    EXPECT_EQ("Altri", r.text("RAMO"));
    keySeek(r, U'a');
    EXPECT_EQ("auto storiche", r.text("RAMO"));
    keySeek(r, U'a');
    EXPECT_EQ("AUTO", r.text("RAMO"));
}

#include "ui/register.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <filesystem>

#include "common/office.h"
#include "store/upgrade.h"
#include "support/tempdir.h"
#include "ui/fields.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

struct Boxes {
    std::vector<std::string> texts;
    std::vector<int> answers; // given in turn; OK/Yes when they run out
    Boxes()
    {
        setMessageBoxHandler([this](MessageKind kind, const std::string& text, const std::string&) {
            texts.push_back(text);
            if (!answers.empty()) {
                int a = answers.front();
                answers.erase(answers.begin());
                return a;
            }
            return kind == MessageKind::YesNo || kind == MessageKind::YesNoDefaultNo ? int(kAnswerYes) : int(kAnswerOk);
        });
    }
    ~Boxes() { setMessageBoxHandler({}); }
};

class RegisterUi : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        ASSERT_TRUE(AGGIORNADATABASE(dir.path()));
        ws = std::make_unique<Workspace>(dir.path());

        products.name = "PRODOTTI";
        products.title = "Prodotti";
        products.countingTitle = true;
        products.table = "PRODOTTI";
        products.orders = {"PRODOTTI"};
        products.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnSearch, kBtnPrint, kBtnEmail, kBtnExcel};
        products.columns = {fieldColumn("COMPAGNIA", "COMPAGNIA"), fieldColumn("DESCRIZIONE", "DESCRIZ")};
        auto text = [](int id, const char* field) {
            EditField f;
            f.id = id;
            f.label = field;
            f.field = field;
            f.rule = [](const std::string& v, const EditValues&) { return !v.empty(); };
            return f;
        };
        EditField date;
        date.id = 106;
        date.field = "DATA"; // not a field of the table: edited, checked, not stored
        date.kind = FieldKind::Date;
        products.fields = {text(101, "COMPAGNIA"), text(102, "RAPPORTO"), text(103, "CONVENZIO"),
                           text(104, "CODICE"), text(105, "DESCRIZ"), date};
        products.duplicateTag = "PRODOTTI";
        products.duplicateMessage = "Prodotto già presente.";
        products.search = {{1, "Descrizione:", "DESCRIZ", Match::Contains, FieldKind::Text, "", {}}};

        branches.name = "RAMI";
        branches.title = "Rami";
        branches.table = "RAMI";
        branches.orders = {"RAMI"};
        branches.columns = {fieldColumn("RAMI", "RAMO")};
        branches.cellEditor = true;
        branches.cellField = "RAMO";
        branches.typing = KeyTyping::Seek;
    }

    void addProduct(const char* company, const char* description)
    {
        const bool own = !ws->isOpen("PRODOTTI");
        Table& t = own ? ws->open("PRODOTTI") : (*ws)["PRODOTTI"];
        t.append();
        t.setText("COMPAGNIA", company);
        t.setText("RAPPORTO", company);
        t.setText("CONVENZIO", "BASE");
        t.setText("CODICE", "C");
        t.setText("DESCRIZ", description);
        t.commit();
        t.unlock();
        if (own) ws->close("PRODOTTI");
    }

    static void fill(EditDialog& d, int id, const char* text)
    {
        auto* e = static_cast<QLineEdit*>(d.field(id));
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
    }

    test::TempDir dir;
    std::unique_ptr<Workspace> ws;
    RegisterDesc products, branches;
};

} // namespace

TEST_F(RegisterUi, RecordButtonsOffInAnEmptyListAndPastTheEnd)
{
    openRegisterTables(products, *ws);
    {
        RegisterList list(products, *ws);
        for (int id : {kBtnModify, kBtnDelete, kBtnPrint, kBtnEmail, kBtnExcel}) EXPECT_FALSE(list.button(id)->isEnabled()) << id;
        for (int id : {kBtnClose, kBtnAdd, kBtnSearch}) EXPECT_TRUE(list.button(id)->isEnabled()) << id;
        EXPECT_EQ("Prodotti - 0 di 0", list.windowTitle().toStdString());
        EXPECT_EQ("&Stampa ^", list.button(kBtnPrint)->text().toStdString());
    }
    addProduct("Alfa", "Casa");
    addProduct("Alfa", "Auto");
    Table& t = (*ws)["PRODOTTI"];
    t.goTop();
    RegisterList list(products, *ws);
    EXPECT_TRUE(list.button(kBtnModify)->isEnabled());
    EXPECT_EQ(0, list.browse()->currentIndex().row());
    t.goBottom();
    t.skip(1);
    list.redraw();
    for (int id : {kBtnModify, kBtnDelete, kBtnPrint, kBtnEmail, kBtnExcel}) EXPECT_FALSE(list.button(id)->isEnabled()) << id;
    EXPECT_FALSE(list.browse()->currentIndex().isValid());
    // Clicking a row selects its record.
    list.browse()->setCurrentIndex(list.model()->index(1, 0));
    EXPECT_EQ("Casa", t.text("DESCRIZ"));
    EXPECT_TRUE(list.button(kBtnDelete)->isEnabled());

    Boxes boxes;
    bool allowed = false;
    std::vector<uint32_t> carried;
    products.beforeDelete = [&](RegisterContext&) { return allowed; };
    products.afterDelete = [&](RegisterContext&, uint32_t recno) { carried.push_back(recno); };
    list.remove(); // the register's own check refuses: no question, nothing deleted
    EXPECT_TRUE(boxes.texts.empty());
    allowed = true;
    boxes.answers = {kAnswerCancel};
    list.remove();
    EXPECT_EQ("Confermi la cancellazione?", boxes.texts.back());
    EXPECT_EQ(2u, t.totRec());
    list.remove(); // deleting the last row leaves nothing selected
    EXPECT_EQ(1u, t.totRec());
    EXPECT_EQ(1u, carried.size());
    EXPECT_FALSE(list.button(kBtnDelete)->isEnabled());
    EXPECT_EQ("Prodotti - 1 di 1", list.windowTitle().toStdString());
    closeRegisterTables(products, *ws);
}

TEST_F(RegisterUi, CancelAsksAfterAnyChangeEvenWhenRestored)
{
    openRegisterTables(products, *ws);
    Table& t = (*ws)["PRODOTTI"];
    Boxes boxes;
    {
        EditDialog d(products, blankValues(products.fields, &t), true, &t);
        EXPECT_EQ("Aggiungi", d.windowTitle().toStdString());
        d.show();
        d.reject(); // nothing changed: closes without asking
        EXPECT_TRUE(boxes.texts.empty());
        EXPECT_EQ(QDialog::Rejected, d.result());
    }
    addProduct("Alfa", "Casa");
    t.goTop();
    EditDialog d(products, recordValues(products.fields, t), false, &t);
    EXPECT_EQ("Modifica", d.windowTitle().toStdString());
    d.show();
    auto* e = static_cast<QLineEdit*>(d.field(105));
    e->setFocus();
    e->end(false);
    QTest::keyClick(e, Qt::Key_X);
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ("Casa", e->text().toStdString());
    boxes.answers = {kAnswerNo};
    QTest::keyClick(&d, Qt::Key_Escape);
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Annullo le modifiche?", boxes.texts[0]);
    EXPECT_TRUE(d.isVisible()); // No keeps the dialog with its values
    d.button(202)->click();     // Yes now
    EXPECT_FALSE(d.isVisible());
    closeRegisterTables(products, *ws);
}

TEST_F(RegisterUi, ConfirmRechecksInFieldOrderWithRedHighlight)
{
    openRegisterTables(products, *ws);
    Table& t = (*ws)["PRODOTTI"];
    Boxes boxes;
    EditDialog d(products, blankValues(products.fields, &t), true, &t);
    d.show();
    for (int id : {101, 102, 103, 104, 105}) fill(d, id, "A");
    auto* date = static_cast<MaskedLineEdit*>(d.field(106));
    date->setFocus();
    date->setCursorPosition(0);
    QTest::keyClicks(date, "310224");
    EXPECT_EQ("31/02/24", date->value());
    fill(d, 104, "");
    static_cast<QLineEdit*>(d.field(104))->clear();
    d.confirm();
    ASSERT_EQ(1u, boxes.texts.size());
    EXPECT_EQ("Campo non valido.", boxes.texts[0]); // CODICE comes before the date
    EXPECT_TRUE(d.field(104)->styleSheet().contains("background"));
    EXPECT_TRUE(d.isVisible());
    fill(d, 104, "C1");
    d.confirm();
    EXPECT_EQ("Data non valida.", boxes.texts.back());
    EXPECT_TRUE(d.field(106)->styleSheet().contains("background"));
    EXPECT_FALSE(d.field(104)->styleSheet().contains("background"));
    date->setCursorPosition(0);
    QTest::keyClicks(date, "28");
    d.confirm();
    EXPECT_EQ(QDialog::Accepted, d.result());
    closeRegisterTables(products, *ws);
}

TEST_F(RegisterUi, DuplicateOnInsertReopensWithEverythingTypedAndWritesNothing)
{
    addProduct("Alfa", "Casa");
    openRegisterTables(products, *ws);
    Table& t = (*ws)["PRODOTTI"];
    Boxes boxes;
    RegisterList list(products, *ws);
    int opened = 0;
    EditValues seenAgain;
    list.runEdit = [&](EditDialog& d) {
        d.show();
        if (++opened == 1) {
            fill(d, 101, "ALFA");
            fill(d, 102, "Alfa");
            fill(d, 103, "base");
            fill(d, 104, "X9");
            fill(d, 105, "casa");
            d.confirm();
            return d.result();
        }
        seenAgain = d.values();
        EXPECT_EQ("Aggiungi", d.windowTitle().toStdString());
        EXPECT_TRUE(d.modified()); // leaving the reopened dialog still asks before losing the typing
        return int(QDialog::Rejected);
    };
    list.button(kBtnAdd)->click();
    EXPECT_EQ(2, opened);
    EXPECT_EQ((std::vector<std::string>{"Prodotto già presente."}), boxes.texts);
    EXPECT_EQ("ALFA", seenAgain.get("COMPAGNIA"));
    EXPECT_EQ("X9", seenAgain.get("CODICE"));
    EXPECT_EQ("casa", seenAgain.get("DESCRIZ"));
    EXPECT_EQ(1u, t.totRec());
    EXPECT_EQ("Prodotti - 1 di 1", list.windowTitle().toStdString());
    closeRegisterTables(products, *ws);
}

TEST_F(RegisterUi, CountingTitleAfterSearchAndAll)
{
    addProduct("Alfa", "Casa");
    addProduct("Beta", "Auto");
    addProduct("Gamma", "Casa e famiglia");
    openRegisterTables(products, *ws);
    RegisterList list(products, *ws);
    EXPECT_EQ("Prodotti - 3 di 3", list.windowTitle().toStdString());
    list.runSearch = [](SearchDialog& d) {
        EXPECT_EQ("RPRODOTTI", d.objectName().toStdString());
        EXPECT_NE(nullptr, d.button("&Tutti"));
        static_cast<QLineEdit*>(d.field(1))->setText("CASA");
        return int(SearchDialog::Confirmed);
    };
    list.button(kBtnSearch)->click();
    EXPECT_EQ("Prodotti - 2 di 3", list.windowTitle().toStdString());
    EXPECT_EQ(2, list.model()->rowCount());
    list.runSearch = [](SearchDialog&) { return int(SearchDialog::Confirmed); }; // no criterion: nothing changes
    list.search();
    EXPECT_EQ("Prodotti - 2 di 3", list.windowTitle().toStdString());
    list.runSearch = [](SearchDialog&) { return int(SearchDialog::All); };
    list.search();
    EXPECT_EQ("Prodotti - 3 di 3", list.windowTitle().toStdString());
    closeRegisterTables(products, *ws);
}

// Criteria that follow each other: a box that empties and disables another criterion, and a picker
// (F4) that fills its own.
TEST_F(RegisterUi, SearchCriteriaThatFollowEachOtherAndPick)
{
    SearchField only{2, "Solo:", "", Match::Custom, FieldKind::Logical, "", {}};
    only.changed = [](std::vector<std::string>& t) {
        if (t[1] == "T") t[0].clear();
    };
    products.search[0].enabled = [](const std::vector<std::string>& t) { return t[1] != "T"; };
    products.search[0].pick = [](Workspace&, const std::vector<std::string>&) -> std::optional<std::string> {
        return std::string("Scelto");
    };
    products.search.push_back(only);
    SearchDialog d(products);
    d.show();
    auto* text = static_cast<QLineEdit*>(d.field(1));
    text->setFocus();
    QTest::keyClick(text, Qt::Key_F4);
    EXPECT_EQ("Scelto", d.typed()[0]);
    static_cast<QCheckBox*>(d.field(2))->click();
    EXPECT_EQ("", d.typed()[0]);
    EXPECT_FALSE(text->isEnabled());
    static_cast<QCheckBox*>(d.field(2))->click();
    EXPECT_TRUE(text->isEnabled());
}

TEST_F(RegisterUi, CellEditorEscapeOnNewRowLeavesNothingAndEmptyIsRefused)
{
    openRegisterTables(branches, *ws);
    Table& t = (*ws)["RAMI"];
    RegisterList list(branches, *ws);
    list.show();
    EXPECT_EQ("Rami", list.windowTitle().toStdString());
    list.button(kBtnAdd)->click();
    ASSERT_NE(nullptr, list.cellEditor());
    EXPECT_EQ(1u, t.totRec());
    QTest::keyClick(list.cellEditor(), Qt::Key_Escape);
    EXPECT_EQ(nullptr, list.cellEditor());
    EXPECT_EQ(0u, t.totRec());

    list.button(kBtnAdd)->click();
    QTest::keyClick(list.cellEditor(), Qt::Key_Return); // empty: not accepted
    ASSERT_NE(nullptr, list.cellEditor());
    QTest::keyClicks(list.cellEditor(), "AUTO");
    QTest::keyClick(list.cellEditor(), Qt::Key_Return);
    EXPECT_EQ(nullptr, list.cellEditor());
    EXPECT_EQ(1u, t.totRec());
    EXPECT_EQ("AUTO", list.model()->data(list.model()->index(0, 0), Qt::DisplayRole).toString().toStdString());

    // Leaving a new empty row by clicking elsewhere takes it away too.
    list.button(kBtnAdd)->click();
    ASSERT_NE(nullptr, list.cellEditor());
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(list.cellEditor(), &out);
    QApplication::processEvents();
    EXPECT_EQ(nullptr, list.cellEditor());
    EXPECT_EQ(1u, t.totRec());

    // Modify in the cell; typing a letter jumps.
    t.goTop();
    list.redraw();
    list.button(kBtnModify)->click();
    list.cellEditor()->setText("AUTO RCA");
    QTest::keyClick(list.cellEditor(), Qt::Key_Return);
    t.goTop();
    EXPECT_EQ("AUTO RCA", t.text("RAMO"));
    closeRegisterTables(branches, *ws);
}

TEST_F(RegisterUi, BrowseReadsOnlyTheRowsItShows)
{
    Table& r = ws->open("RAMI");
    r.ordAdd("RAMI");
    r.setBulk(true);
    for (int i = 0; i < 3000; ++i) {
        r.append();
        r.setText("RAMO", "RAMO " + std::to_string(100000 + i));
        r.commit();
    }
    r.setBulk(false);
    r.unlock();
    ws->close("RAMI");
    openRegisterTables(branches, *ws);
    RegisterList list(branches, *ws);
    list.resize(400, 400);
    list.show();
    QApplication::processEvents();
    EXPECT_EQ(3000, list.model()->rowCount());
    EXPECT_GT(list.model()->recordsRead(), 0u);
    EXPECT_LT(list.model()->recordsRead(), 200u);
    // Typing a letter while on the screen moves the selection.
    (*ws)["RAMI"].goBottom();
    list.redraw();
    EXPECT_EQ(2999, list.browse()->currentIndex().row());
    QTest::keyClick(list.browse(), Qt::Key_R);
    EXPECT_EQ(0, list.browse()->currentIndex().row());
    EXPECT_LT(list.model()->recordsRead(), 400u);
    closeRegisterTables(branches, *ws);
}

TEST_F(RegisterUi, PrintEmailAndExportButtonsAndTheSubList)
{
    addProduct("Alfa", "Casa");
    addProduct("Alfa", "Auto");
    addProduct("Beta", "Vita");
    std::vector<std::string> calls;
    products.print = [&](RegisterContext& c) { calls.push_back("print " + c.table().text("DESCRIZ")); };
    products.email = [&](RegisterContext& c) { calls.push_back("email " + c.table().text("DESCRIZ")); };
    std::string exported;
    officeHooks().open = [&](const std::string& f) {
        exported = f;
        return true;
    };
    openRegisterTables(products, *ws);
    Table& t = (*ws)["PRODOTTI"];
    {
        RegisterList list(products, *ws);
        list.button(kBtnPrint)->click();
        list.button(kBtnEmail)->click();
        EXPECT_EQ((std::vector<std::string>{"print Auto", "email Auto"}), calls);
        // With printouts, a pop-up menu above the button offers them.
        products.printouts = {{"Elenco prodotti", [&](RegisterContext&) { calls.push_back("elenco"); }},
                              {"Scheda prodotto", [&](RegisterContext&) { calls.push_back("scheda"); }}};
        list.runMenu = [](QMenu& m, const QPoint&) {
            EXPECT_EQ(2, m.actions().size());
            return m.actions().at(1);
        };
        list.button(kBtnPrint)->click();
        EXPECT_EQ("scheda", calls.back());
        products.printouts.clear();
        const uint32_t here = t.recno();
        list.button(kBtnExcel)->click();
        ASSERT_FALSE(exported.empty());
        EXPECT_TRUE(std::filesystem::exists(exported));
        EXPECT_EQ(here, t.recno());
        std::filesystem::remove_all(std::filesystem::path(exported).parent_path());
    }
    officeHooks() = OfficeHooks();

    // A sub-list: the rows of one parent, new rows get the parent's key.
    RegisterDesc sub = products;
    sub.buttons = {kBtnClose, kBtnAdd, kBtnModify, kBtnDelete, kBtnPrint};
    sub.countingTitle = false;
    sub.prepareInsert = [](Workspace&, EditValues& v) { v.set("COMPAGNIA", "Alfa"); };
    t.setScope(std::string("ALFA"), std::string("ALFA"));
    t.goTop();
    RegisterList list(sub, *ws);
    EXPECT_EQ(2, list.model()->rowCount());
    list.runEdit = [](EditDialog& d) {
        EXPECT_EQ("Alfa", static_cast<QLineEdit*>(d.field(101))->text().toStdString());
        for (int id : {102, 103, 104}) static_cast<QLineEdit*>(d.field(id))->setText("X");
        static_cast<QLineEdit*>(d.field(105))->setText("Infortuni");
        d.confirm();
        return d.result();
    };
    list.insert();
    EXPECT_EQ(3, list.model()->rowCount());
    EXPECT_EQ("Infortuni", t.text("DESCRIZ"));
    t.clearScope();
    EXPECT_EQ(4u, t.totRec());
    closeRegisterTables(products, *ws);
}

// A register with its own ways in: a pop-up insertion menu, its own save sequence (a refusal
// reopens the dialog with the typing), a step after saving, a clickable tick column, a picker
// beside a field, a button that fills the dialog, a field shown but never stored.
TEST_F(RegisterUi, OwnSaveAddMenuTickColumnPickerAndFillButton)
{
    addProduct("Alfa", "Casa");
    addProduct("Beta", "Vita");
    products.columns.push_back(Column{"V", [](const Table& t) { return t.text("CODICE") == "V" ? std::string("T") : "F"; },
                                      1, false, true, true, [](RegisterContext& c) {
                                          Table& t = c.table();
                                          t.lock(true);
                                          t.setText("CODICE", t.text("CODICE") == "V" ? "C" : "V");
                                          t.commit();
                                          t.unlock();
                                      }});
    EditField total;
    total.id = 107;
    total.label = "Totale:";
    total.field = "CODICE"; // a table field, yet only shown
    total.stored = false;
    total.readOnly = true;
    products.fields.push_back(total);
    products.fields[2].pick = [](Workspace&, const EditValues& v) -> std::optional<std::string> {
        return "CONV-" + v.get("COMPAGNIA");
    };
    products.fields[2].tooltipOf = [](const EditValues& v) { return v.get("CONVENZIO").empty() ? "vuoto" : "pieno"; };
    products.editButtons = {DialogButton{301, "Copia", "", true, {}, [](Workspace&, EditValues& v) { v.set("DESCRIZ", "Copiata"); }}};
    std::vector<std::string> steps;
    int saves = 0;
    products.save = [&](RegisterContext& c, const EditRequest& r, const EditValues&, const EditValues& after) {
        steps.push_back("save " + r.mode + " " + after.get("DESCRIZ"));
        if (++saves == 1) return SaveResult{SaveResult::CheckFailed, "Rifiutato."};
        Table& t = c.table();
        t.append();
        storeValues(c.desc().fields, after, t);
        t.setText("CODICE", "N");
        t.commit();
        t.unlock();
        return SaveResult{};
    };
    products.afterSave = [&](RegisterContext& c, const EditRequest& r, const EditValues&) {
        steps.push_back("after " + r.mode + " " + c.table().text("DESCRIZ"));
    };
    products.addMenu = {{"Nuovo", [](RegisterContext& c) {
                             EditRequest r;
                             r.inserting = true;
                             r.mode = "Duplica";
                             r.title = "Aggiungi copia";
                             r.focusField = 105;
                             EditValues v = recordValues(c.desc().fields, c.table());
                             c.edit(r, v);
                         }}};
    Boxes boxes;
    openRegisterTables(products, *ws);
    Table& t = (*ws)["PRODOTTI"];
    RegisterList list(products, *ws);
    EXPECT_EQ("&Aggiungi ^", list.button(kBtnAdd)->text().toStdString());
    list.runMenu = [](QMenu& m, const QPoint&) { return m.actions().at(0); };
    int opened = 0;
    list.runEdit = [&](EditDialog& d) {
        d.show();
        ++opened;
        EXPECT_EQ("Aggiungi copia", d.windowTitle().toStdString());
        if (opened == 1) {
            EXPECT_EQ("Alfa", d.values().get("COMPAGNIA"));
            EXPECT_EQ("pieno", d.field(103)->toolTip().toStdString());
            // F4 in the field opens its picker; the choice counts as typing.
            d.field(103)->setFocus();
            QTest::keyClick(d.field(103), Qt::Key_F4);
            EXPECT_EQ("CONV-Alfa", d.values().get("CONVENZIO"));
            EXPECT_TRUE(d.modified());
            d.button(301)->click();
            EXPECT_EQ("Copiata", d.values().get("DESCRIZ"));
        } else {
            EXPECT_EQ("CONV-Alfa", d.values().get("CONVENZIO")); // the typing came back
        }
        d.confirm();
        return d.result();
    };
    list.button(kBtnAdd)->click();
    EXPECT_EQ(2, opened);
    EXPECT_EQ((std::vector<std::string>{"save Duplica Copiata", "save Duplica Copiata", "after Duplica Copiata"}), steps);
    EXPECT_EQ((std::vector<std::string>{"Rifiutato."}), boxes.texts);
    EXPECT_EQ("N", t.text("CODICE")); // not overwritten by the shown-only field
    EXPECT_EQ(3u, t.totRec());

    // A click in the tick column toggles the row's mark; a double click there opens nothing.
    list.redraw();
    const int vColumn = static_cast<int>(products.columns.size()) - 1;
    QModelIndex cell = list.model()->index(0, vColumn);
    EXPECT_EQ(Qt::Unchecked, list.model()->data(cell, Qt::CheckStateRole).value<Qt::CheckState>());
    const QRect r = list.browse()->visualRect(cell);
    list.show();
    QTest::mouseClick(list.browse()->viewport(), Qt::LeftButton, {}, r.center());
    cell = list.model()->index(0, vColumn);
    EXPECT_EQ(Qt::Checked, list.model()->data(cell, Qt::CheckStateRole).value<Qt::CheckState>());
    closeRegisterTables(products, *ws);
}

TEST_F(RegisterUi, PickerModeChoosesTheRecordUnderTheCursor)
{
    addProduct("Alfa", "Casa");
    addProduct("Beta", "Vita");
    openRegisterTables(products, *ws);
    Table& t = (*ws)["PRODOTTI"];
    RegisterList list(products, *ws);
    list.setSelection({kBtnDelete});
    EXPECT_EQ("Sele&ziona", list.button(kBtnClose)->text().toStdString());
    EXPECT_FALSE(list.button(kBtnDelete)->isEnabled());
    t.goBottom();
    const uint32_t last = t.recno();
    list.redraw();
    EXPECT_FALSE(list.button(kBtnDelete)->isEnabled());
    list.button(kBtnClose)->click();
    ASSERT_TRUE(list.chosen().has_value());
    EXPECT_EQ(last, *list.chosen());
    closeRegisterTables(products, *ws);
}

TEST(MaskedFields, TemplatesUpperCaseNumbersAndThreeStates)
{
    testApp();
    MaskedLineEdit cap("99999", ValueKind::Text, 5);
    cap.show();
    cap.setFocus();
    QTest::keyClicks(&cap, "0a01x36");
    EXPECT_EQ("00136", cap.value());

    MaskedLineEdit province("@! AA", ValueKind::Text, 2);
    province.show();
    province.setFocus();
    QTest::keyClicks(&province, "m1i");
    EXPECT_EQ("MI", province.value());

    MaskedLineEdit upper("@!", ValueKind::Text, 6);
    upper.show();
    upper.setFocus();
    QTest::keyClicks(&upper, "citt");
    QTest::sendKeyEvent(QTest::Click, &upper, Qt::Key_unknown, QString::fromUtf8("à"), Qt::NoModifier);
    QTest::keyClicks(&upper, " lunga");
    EXPECT_EQ("CITTÀ ", upper.text().toStdString());

    MaskedLineEdit amount("@E 99,999.99", ValueKind::Number, 8, 2);
    int changes = 0;
    amount.onUserChange = [&] { ++changes; };
    amount.show();
    amount.setFocus();
    QTest::keyClicks(&amount, "12a34,5");
    EXPECT_EQ("1234,5", amount.value());
    EXPECT_EQ(6, changes);
    QLineEdit other;
    other.show();
    other.setFocus();
    QApplication::processEvents();
    EXPECT_EQ("1.234,50", amount.value());

    records::EditField f;
    f.kind = records::FieldKind::TriState;
    std::unique_ptr<QWidget> box(createFieldWidget(f, 1, 0));
    setFieldWidgetValue(box.get(), "");
    EXPECT_EQ("", fieldWidgetValue(box.get()));
    setFieldWidgetValue(box.get(), "T");
    EXPECT_EQ("T", fieldWidgetValue(box.get()));
    f.kind = records::FieldKind::Choice;
    f.list = [] { return std::vector<std::string>{"", "ANNUALE", "SEMESTRALE"}; };
    std::unique_ptr<QWidget> combo(createFieldWidget(f, 15, 0));
    setFieldWidgetValue(combo.get(), "SEMESTRALE");
    EXPECT_EQ("SEMESTRALE", fieldWidgetValue(combo.get()));
    setFieldWidgetValue(combo.get(), "");
    EXPECT_EQ("", fieldWidgetValue(combo.get()));
}

TEST(GridFields, HeadingsStandOverTheirColumnsOnEveryRow)
{
    testApp();
    // Two rows of three figures in a box; the third column lies under the heading before it.
    static const char* const names[6] = {"CAP1", "SCOP1", "FRAN1", "CAP2", "SCOP2", "FRAN2"};
    const char* const heads[3] = {"Capitali", "Scoperto e franchigia", ""};
    RegisterDesc d;
    d.name = "GRIGLIA";
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            EditField e = numberField(300 + r * 3 + c, c > 0 ? "" : r == 0 ? "R.C.:" : "Furto:",
                                      dialogOnly(names[r * 3 + c]), "@Z 99");
            if (r == 0) e.columnHeading = heads[c];
            e.sameRow = c > 0;
            e.group = "Garanzie";
            d.fields.push_back(e);
        }
    EditDialog dialog(d, blankValues(d.fields), true, nullptr);
    dialog.show();
    QLabel* capital = nullptr;
    QLabel* uncovered = nullptr;
    for (QLabel* l : dialog.findChildren<QLabel*>()) {
        if (l->text() == "Capitali") capital = l;
        if (l->text() == "Scoperto e franchigia") uncovered = l;
    }
    ASSERT_NE(nullptr, capital);
    ASSERT_NE(nullptr, uncovered);
    auto left = [&dialog](const QWidget* w) { return w->mapTo(&dialog, QPoint(0, 0)).x(); };
    auto top = [&dialog](const QWidget* w) { return w->mapTo(&dialog, QPoint(0, 0)).y(); };
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(left(capital), left(dialog.field(300 + r * 3))) << r;
        EXPECT_EQ(left(uncovered), left(dialog.field(301 + r * 3))) << r;
        EXPECT_EQ(left(dialog.field(302)), left(dialog.field(302 + r * 3))) << r;
        EXPECT_LT(top(capital), top(dialog.field(300 + r * 3))) << r;
    }
    // The heading over two columns reaches over the second, never past the first alone.
    EXPECT_GT(left(uncovered) + uncovered->width(), left(dialog.field(302)));
    EXPECT_GE(left(uncovered) + uncovered->width(), left(uncovered) + uncovered->sizeHint().width());
}

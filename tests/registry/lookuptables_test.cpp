#include "registry/lookuptables.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/tempdir.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"
#include "registry/registerfolder.h"
#include "ui/register.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;

namespace {

class Lookups : public arv::test::RegisterFolderTest {
protected:
};

} // namespace

TEST_F(Lookups, EveryEntryHasItsRegister)
{
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"RAMI", {"Rami", "RAMI"}},
        {"GRUPPI", {"Gruppi", "GRUPPI"}},
        {"MARKETNG", {"Gruppi marketing", "GRUPPI"}},
        {"TIPISIN", {"Tipi di sinistro", "TIPI DI SINISTRO"}},
        {"DESMVCOM", {"Descrizione movimenti compagnie", "DESCRIZIONI"}},
        {"DESMVCON", {"Descrizione movimenti contabilità", "DESCRIZIONI"}},
        {"VOCICON", {"Descrizione voci contabilità", "DESCRIZIONI"}},
        {"CATECON", {"Categorie voci contabilità", "CATEGORIE"}},
        {"GARANZIE", {"Garanzie", "GARANZIE"}},
        {"CONVENZ", {"Convenzioni", "CONVENZIONI"}},
        {"PRODOTTI", {"Prodotti", "COMPAGNIA"}},
        {"PROFESS", {"Professioni", "PROFESSIONI"}},
        {"OPERATOR", {"Operatori", "OPERATORI"}},
    };
    EXPECT_EQ(expected.size(), registry::lookupEntryNames().size());
    std::vector<std::string> added;
    registry::addLookupEntries([&](const std::string& name, std::function<void()>) { added.push_back(name); });
    EXPECT_EQ(registry::lookupEntryNames(), added);
    for (const auto& [name, titles] : expected) {
        const RegisterDesc* s = registry::lookupRegister(name);
        ASSERT_NE(nullptr, s) << name;
        EXPECT_EQ(titles.first, s->title);
        EXPECT_EQ(titles.second, s->columns.front().header);
        EXPECT_FALSE(s->countingTitle);
        EXPECT_EQ((std::vector<int>{kBtnClose, kBtnAdd, kBtnModify, kBtnDelete}), s->buttons);
        // Each table opens with its index, the values sorted.
        openRegisterTables(*s, workspace());
        EXPECT_EQ(s->orders.front(), workspace()[s->aliasName()].orderName());
        closeRegisterTables(*s, workspace());
    }
    EXPECT_EQ("DESMOVCOM", registry::lookupRegister("DESMVCOM")->name);
    EXPECT_EQ(KeyTyping::None, registry::lookupRegister("PRODOTTI")->typing);
    EXPECT_EQ(KeyTyping::Seek, registry::lookupRegister("GARANZIE")->typing);
    EXPECT_EQ(nullptr, registry::lookupRegister("CLIENTI"));
}

TEST_F(Lookups, BranchEscapeSameGuaranteeTwiceAndRenamesStayLocal)
{
    Table& pol = workspace().open("POLIZZE");
    pol.append();
    pol.setText("POLIZZA", "1");
    pol.setText("RAMO", "AUTO");
    pol.commit();
    pol.unlock();
    workspace().close("POLIZZE");

    const RegisterDesc& rami = *registry::lookupRegister("RAMI");
    openRegisterTables(rami, workspace());
    {
        RegisterList list(rami, workspace());
        list.show();
        list.button(kBtnAdd)->click();
        QTest::keyClick(list.cellEditor(), Qt::Key_Escape);
        EXPECT_EQ(0u, list.table().totRec());
        list.button(kBtnAdd)->click();
        QTest::keyClicks(list.cellEditor(), "AUTO");
        QTest::keyClick(list.cellEditor(), Qt::Key_Return);
        list.button(kBtnModify)->click();
        list.cellEditor()->setText("AUTOVETTURE");
        QTest::keyClick(list.cellEditor(), Qt::Key_Return);
        EXPECT_EQ("AUTOVETTURE", list.table().text("RAMO"));
    }
    closeRegisterTables(rami, workspace());
    Table& check = workspace().open("POLIZZE");
    EXPECT_EQ("AUTO", check.text("RAMO")); // the policy keeps the old name
    workspace().close("POLIZZE");

    const RegisterDesc& guarantees = *registry::lookupRegister("GARANZIE");
    openRegisterTables(guarantees, workspace());
    {
        RegisterList list(guarantees, workspace());
        list.show();
        for (int i = 0; i < 2; ++i) {
            list.button(kBtnAdd)->click();
            QTest::keyClicks(list.cellEditor(), "Furto");
            QTest::keyClick(list.cellEditor(), Qt::Key_Return);
        }
        EXPECT_EQ(2, list.model()->rowCount());
        list.button(kBtnDelete)->click();
        EXPECT_EQ("Confermi la cancellazione?", messages.back());
        EXPECT_EQ(1, list.model()->rowCount());
    }
    closeRegisterTables(guarantees, workspace());
}

TEST_F(Lookups, ProductDuplicateAndAccountingItemCategory)
{
    Table& c = workspace().open("COMPAGN");
    c.append();
    c.setText("COMPAGNIA", "ALFA");
    c.commit();
    c.unlock();
    workspace().close("COMPAGN");
    Table& v = workspace().open("CONVENZ");
    v.append();
    v.setText("CONVENZIO", "BASE");
    v.commit();
    v.unlock();
    workspace().close("CONVENZ");

    const RegisterDesc& products = *registry::lookupRegister("PRODOTTI");
    openRegisterTables(products, workspace());
    {
        RegisterList list(products, workspace());
        auto fill = [](EditDialog& d, const char* code, const char* description) {
            for (int id : {101, 102, 103}) {
                auto* combo = static_cast<QComboBox*>(d.field(id));
                combo->setCurrentIndex(combo->findText(id == 103 ? "BASE" : "ALFA"));
            }
            static_cast<QLineEdit*>(d.field(104))->setText(code);
            static_cast<QLineEdit*>(d.field(105))->setText(description);
            d.confirm();
            return d.result();
        };
        list.runEdit = [&](EditDialog& d) { return fill(d, "P1", "Casa"); };
        list.insert();
        list.runEdit = [&](EditDialog& d) { return fill(d, "P2", "Auto"); };
        list.insert();
        EXPECT_EQ(2u, list.table().totRec());
        EXPECT_TRUE(messages.empty());
        // Only the description changed, to another product's: duplicate, and the dialog comes back.
        list.table().goTop();
        ASSERT_EQ("Auto", list.table().text("DESCRIZ"));
        int opened = 0;
        list.runEdit = [&](EditDialog& d) {
            if (++opened > 1) return int(QDialog::Rejected);
            static_cast<QLineEdit*>(d.field(105))->setText("CASA");
            d.confirm();
            return d.result();
        };
        list.modify();
        EXPECT_EQ(2, opened);
        EXPECT_EQ((std::vector<std::string>{"Prodotto già presente."}), messages);
        list.table().goTop();
        EXPECT_EQ("Auto", list.table().text("DESCRIZ"));
        // A product must have its company.
        messages.clear();
        list.runEdit = [&](EditDialog& d) {
            static_cast<QLineEdit*>(d.field(104))->setText("P3");
            static_cast<QLineEdit*>(d.field(105))->setText("Vita");
            d.confirm();
            return int(QDialog::Rejected);
        };
        list.insert();
        EXPECT_EQ((std::vector<std::string>{"Campo non valido."}), messages);
    }
    closeRegisterTables(products, workspace());

    Table& cat = workspace().open("CATECON");
    cat.append();
    cat.setText("CATEGORIA", "Utenze");
    cat.commit();
    cat.unlock();
    workspace().close("CATECON");
    const RegisterDesc& items = *registry::lookupRegister("VOCICON");
    openRegisterTables(items, workspace());
    {
        RegisterList list(items, workspace());
        list.runEdit = [&](EditDialog& d) {
            auto* combo = static_cast<QComboBox*>(d.field(102));
            EXPECT_EQ("", combo->itemText(0).toStdString()); // may stay empty
            combo->setCurrentIndex(combo->findText("Utenze"));
            static_cast<QLineEdit*>(d.field(101))->setText("Luce");
            d.confirm();
            return d.result();
        };
        list.insert();
        list.insert(); // the same item twice is allowed
        EXPECT_EQ(2u, list.table().totRec());
        EXPECT_EQ("Utenze", list.table().text("CATEGORIA"));
    }
    closeRegisterTables(items, workspace());
}

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "ui/dbcombo.h"
#include "ui/msgget.h"
#include "ui/qtapp.h"

using namespace arv;

TEST(DbCombo, UniqueKeepsFirstOccurrenceInOrder)
{
    EXPECT_EQ((std::vector<std::string>{"B", "A", "C"}), comboValues({"B", "A", "B", "C", "A"}, true));
    EXPECT_EQ((std::vector<std::string>{"B", "A", "B"}), comboValues({"B", "A", "B"}, false));
}

TEST(DbCombo, OpensWithF4F12AndButtonAndPutsChoiceInField)
{
    testApp();
    int asked = 0;
    ComboEdit combo([&] {
        ++asked;
        return std::vector<std::string>{"AUTO", "INCENDIO", "AUTO", "VITA"};
    }, true);
    combo.show();
    combo.setText("INCENDIO");

    QTest::keyClick(combo.edit(), Qt::Key_F4);
    QListWidget* list = combo.list();
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(1, asked);
    EXPECT_EQ(3, list->count());
    EXPECT_EQ("INCENDIO", list->currentItem()->text().toStdString());  // opens on the field's value
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ("VITA", combo.text());
    EXPECT_TRUE(combo.edit()->isModified());
    QApplication::processEvents();
    EXPECT_EQ(nullptr, combo.list());

    QTest::keyClick(combo.edit(), Qt::Key_F12);
    list = combo.list();
    ASSERT_NE(nullptr, list);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ("VITA", combo.text());
    QApplication::processEvents();

    combo.button()->click();
    ASSERT_NE(nullptr, combo.list());
    EXPECT_EQ(3, asked);
    combo.list()->close();
}

TEST(MsgGet, MaskAndDialog)
{
    testApp();
    SimpleMask m = parseSimpleMask("@! 99999");
    EXPECT_TRUE(m.upper);
    EXPECT_EQ("99999", m.pattern);
    EXPECT_TRUE(fitsPattern("123", "99999"));
    EXPECT_FALSE(fitsPattern("12a", "99999"));
    EXPECT_FALSE(fitsPattern("123456", "99999"));
    EXPECT_FALSE(fitsPattern("A1", "AA"));
    EXPECT_TRUE(parseSimpleMask("@!").upper);
    EXPECT_TRUE(parseSimpleMask("@!").pattern.empty());

    std::unique_ptr<QDialog> dialog(createMsgGetDialog("Anno", "Anno da elaborare:", "2024", "9999"));
    auto* edit = dialog->findChild<QLineEdit*>("value");
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ("2024", edit->text().toStdString());
    EXPECT_EQ(4, edit->maxLength());
    edit->clear();
    QTest::keyClicks(edit, "20x25");
    EXPECT_EQ("2025", edit->text().toStdString());

    std::unique_ptr<QDialog> upper(createMsgGetDialog("Targa", "Targa:", "", "@!"));
    auto* plate = upper->findChild<QLineEdit*>("value");
    QTest::keyClicks(plate, "ab123cd");
    EXPECT_EQ("AB123CD", plate->text().toStdString());
}

TEST(Infos, AboutBoxLines)
{
    testApp();
    std::unique_ptr<QDialog> about(createInfosDialog("ARV - Arvale", "2.70", "2024"));
    std::vector<std::string> lines;
    for (QLabel* l : about->findChildren<QLabel*>()) lines.push_back(l->text().toStdString());
    EXPECT_EQ((std::vector<std::string>{"ARV - Arvale", "Versione: 2.70", "2024", kDataAttribution}), lines);
}

#include "policies/sheetdialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "registry/registerfolder.h"
#include "store/table.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::policies;

namespace {

class SheetDialogs : public arv::test::RegisterFolderTest {
protected:
    void SetUp() override
    {
        RegisterFolderTest::SetUp();
        Workspace& ws = workspace();
        {
            OwnTable c(ws, "CLIENTI");
            c->append();
            c->setText("CLIENTE", "ROSSI MARIO");
            c->setText("CODICEFISC", "RSSMRA85T10A562S");
            c->setText("CITTA", "ROMA");
            c->setText("PROFESS", "IMPIEGATO AMMINISTRATIVO");
            c->setDate("DATANASC", Date::fromYmd(1985, 12, 10));
            c->commit();
            c->unlock();
        }
        // The register's current policy, under its alias.
        Table& p = ws.open("POLIZZE");
        p.append();
        p.setText("CODICE", sheetKey("12"));
        p.setText("POLIZZA", "AU/998877");
        p.setText("RAMO", "AUTO");
        p.setText("ASSICURATO", "ROSSI MARIO");
        p.setText("INTESTPRA", "LEASING SPA");
        p.commit();
        p.unlock();
    }
    int sheets(const char* table)
    {
        OwnTable t(workspace(), table);
        return static_cast<int>(t->totRec(false));
    }
    QCheckBox* box(EditDialog& d, int id) { return qobject_cast<QCheckBox*>(d.field(id)); }
};

TEST_F(SheetDialogs, MotorSheetDialogDrivesTheRulesAndSavesOnce)
{
    int shown = 0;
    runSheet(SheetKind::Motor, "12", [&](EditDialog& d) {
        ++shown;
        EXPECT_EQ(QString("Polizza: AU/998877 - Dati auto"), d.windowTitle());
        EXPECT_EQ(3, d.pages()->count());
        EXPECT_EQ(QString("Dati auto"), d.pages()->tabText(0));
        EXPECT_EQ(QString("Intestatario PRA"), d.pages()->tabText(1));
        EXPECT_EQ(QString("Conducente"), d.pages()->tabText(2));
        EXPECT_EQ(std::string("LEASING SPA"), d.values().get("INTESTPRA"));
        EXPECT_EQ(QString("Aggiungi documento"), d.button(kSheetAddDoc)->toolTip());
        QPushButton* copy = d.button(kSheetCopyInsured);
        EXPECT_FALSE(copy->isEnabled());
        EXPECT_FALSE(d.field(504)->isEnabled());
        // "G. esp:" ticks expert driving, which opens the driver's fields.
        box(d, kIdGuidaEsp)->click();
        EXPECT_TRUE(box(d, kIdExpert)->isChecked());
        EXPECT_TRUE(d.field(504)->isEnabled());
        EXPECT_TRUE(copy->isEnabled());
        box(d, kIdExclusive)->click();
        EXPECT_FALSE(box(d, kIdExpert)->isChecked());
        copy->click();
        EXPECT_EQ(std::string("ROSSI MARIO"), d.values().get("CONDUCENTE"));
        EXPECT_EQ(std::string("10/12/85"), d.values().get("DTNCON")); // from the client
        // Unticked and ticked again: the driver's data are gone, and leaving the tax code the
        // dialog emptied keeps a birth date typed since.
        box(d, kIdExclusive)->click();
        EXPECT_EQ(std::string(), d.values().get("CDFCON"));
        box(d, kIdExclusive)->click();
        QTest::keyClicks(qobject_cast<QLineEdit*>(d.field(514)), "010180");
        emit qobject_cast<QLineEdit*>(d.field(kIdDriverTax))->editingFinished();
        EXPECT_EQ(std::string("01/01/80"), d.values().get("DTNCON"));
        copy->click();
        // A vehicle type typed in takes no more than the field holds.
        EXPECT_EQ(20, qobject_cast<QComboBox*>(d.field(301))->lineEdit()->maxLength());
        // Leaving the holder's tax code unchanged keeps a sex typed by hand; a changed one fills it.
        auto* sex = qobject_cast<QLineEdit*>(d.field(415));
        auto* tax = qobject_cast<QLineEdit*>(d.field(kIdHolderTax));
        QTest::keyClicks(sex, "f");
        emit tax->editingFinished();
        EXPECT_EQ(std::string("F"), d.values().get("SESPRA"));
        QTest::keyClicks(tax, "RSSMRA85T10A562S");
        emit tax->editingFinished();
        EXPECT_EQ(std::string("M"), d.values().get("SESPRA"));
        EXPECT_EQ(std::string("10/12/85"), d.values().get("DTNPRA"));
        auto* plate = qobject_cast<QLineEdit*>(d.field(304));
        QTest::keyClicks(plate, "ab123cd");
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(1, shown);
    ASSERT_EQ(1, sheets("DATIAUTO"));
    OwnTable t(workspace(), "DATIAUTO");
    t->goTop();
    EXPECT_EQ(sheetKey("12"), t->raw("POLIZZA"));
    EXPECT_EQ("AB123CD", t->text("TARGA"));
    EXPECT_TRUE(t->logical("GDXCON"));
    EXPECT_FALSE(t->logical("GDECON"));
    EXPECT_TRUE(t->logical("GUIDAESP"));
    EXPECT_EQ("ROSSI MARIO", t->text("CONDUCENTE"));
    EXPECT_EQ("RSSMRA85T10A562S", t->text("CDFPRA"));
}

TEST_F(SheetDialogs, CancelWritesNothingAndARefusedSaveComesBack)
{
    runSheet(SheetKind::Motor, "12", [](EditDialog&) { return int(QDialog::Rejected); });
    EXPECT_EQ(0, sheets("DATIAUTO"));
    int shown = 0;
    runSheet(SheetKind::Life, "12", [&](EditDialog& d) {
        ++shown;
        EXPECT_EQ(std::string("ROSSI MARIO"), d.values().get("ASSICURATO"));
        if (shown == 1) {
            // The save is refused (a sex other than M or F): the dialog returns with what was typed.
            auto* sex = qobject_cast<QLineEdit*>(d.field(603));
            sex->selectAll();
            QTest::keyClicks(sex, "X");
            auto* tariff = qobject_cast<QLineEdit*>(d.field(611));
            QTest::keyClicks(tariff, "T99");
            return int(QDialog::Accepted);
        }
        EXPECT_EQ(std::string("T99"), d.values().get("TARIFFE"));
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(2, shown);
    EXPECT_EQ(0, sheets("VITA"));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ("Campo non valido.", messages.back());
}

} // namespace

// The sales screens off screen, a picture of each in <build>/screens: the questionnaire register
// with its "Aggiungi" pop-up, the four pages of the motor form, the other-branches form, the form
// opened for a policy and the search dialog.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include "app/screentour.h"
#include "records/register.h"
#include "sales/questionnaire.h"
#include "sales/questionnaireregister.h"
#include "ui/register.h"

using namespace arv;
using arv::test::ScreenTour;

TEST_F(ScreenTour, Questionnaires)
{
    store::Workspace& ws = workspaceOnFolder();
    for (const char* p : {"SERRA GIULIA", "MARTINI LUCA"})
        add(ws, "PRODUTT", [p](store::Table& t) { t.setText("PRODUTTORE", p); });
    struct Row {
        const char *type, *client, *policy;
        int day;
    } rows[] = {{"R", "ROSSI MARIO", "AU-2026-100112", 3},
                {"T", "BIANCHI GIULIA", "AU-2026-100140", 9},
                {"A", "EDILIZIA RUGGIERO S.R.L.", "IN-2026-100201", 14},
                {"I", "ESPOSITO LUCA", "IN-2025-100033", 20}};
    for (const Row& r : rows)
        add(ws, "QUESTADE", [&r](store::Table& t) {
            t.setText("TIPO", r.type);
            t.setDate("DATA", Date::fromYmd(2026, 3, r.day));
            t.setText("CLIENTE", r.client);
            t.setText("POLIZZA", r.policy);
        });

    const records::RegisterDesc& desc = sales::questionnaireRegister();
    records::openRegisterTables(desc, ws);
    {
        RegisterList list(desc, ws);
        list.resize(760, 360);
        EXPECT_EQ(QString("Precontrattuale - 4 di 4"), list.windowTitle());
        save(&list, "register-QUESTADE");
        list.runMenu = [this](QMenu& m, const QPoint& at) -> QAction* {
            saveMenu(&m, at, "popup-QUESTADE-aggiungi");
            return nullptr;
        };
        list.button(records::kBtnAdd)->click();

        // The motor form with Q3 answered "No": its four pages.
        records::EditValues motor = sales::newValues("R", Date::fromYmd(2026, 3, 20));
        motor.set("CLIENTE", "ROSSI MARIO");
        motor.set("POLIZZA", "AU-2026-100112");
        motor.set(sales::answerField(3), sales::kNo);
        EditDialog form(sales::screenForm("R"), motor, true, &list.table());
        form.setWindowTitle(QString::fromStdString(sales::formCaption(true, "R")));
        ASSERT_EQ(4, form.pages()->count());
        for (int page = 0; page < 4; ++page) {
            form.pages()->setCurrentIndex(page);
            save(&form, "edit-QUESTADE2R" + std::to_string(page + 1));
        }
        EXPECT_FALSE(form.field(sales::kFAnswer1 + 3)->isEnabled());
        form.hide();

        records::EditValues other = sales::newValues("A", Date::fromYmd(2026, 3, 20));
        other.set("CLIENTE", "EDILIZIA RUGGIERO S.R.L.");
        other.set("TIPOCOPE", "Incendio e altri danni ai beni");
        EditDialog branches(sales::screenForm("A"), other, true, &list.table());
        branches.setWindowTitle(QString::fromStdString(sales::formCaption(true, "A")));
        saveAndHide(&branches, "edit-QUESTADE2A1");

        // Opened for a policy (from the company movements): "&Stampa" beside the others.
        EditDialog forPolicy(sales::screenForm("T", true), sales::newValues("T"), true, &list.table());
        forPolicy.setWindowTitle(QString::fromStdString(sales::formCaption(true, "T")));
        ASSERT_NE(nullptr, forPolicy.button(sales::kBtnFormPrint));
        saveAndHide(&forPolicy, "edit-QUESTADE2-polizza");

        SearchDialog search(desc);
        saveAndHide(&search, "search-RQUESTADE");
        list.hide();
    }
    records::closeRegisterTables(desc, ws);
    ws.closeAll();
}

// Closing the main window with the program's own entries: the daily prima nota's dialog first,
// then the offer to save the archives, also when the first dialog is cancelled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "accounting/bookscreens.h"
#include "app/application.h"
#include "app/maintenanceui.h"
#include "app/mainwindow.h"
#include "common/printjob.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/tempdir.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"

using namespace arv;

namespace {

// Answers the next modal dialog: logs its name and presses BUTTON ("&Conferma" or "&Annulla").
void answerDialog(std::vector<std::string>& log, const QString& button)
{
    QTimer::singleShot(50, [&log, button] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            log.push_back("no dialog");
            return;
        }
        log.push_back(w->objectName().toStdString());
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->text() == button) {
                b->click();
                return;
            }
    });
}

} // namespace

TEST(Closing, DailyPrimaNotaThenTheSaveOffer)
{
    testApp();
    test::TempDir dir;
    ASSERT_TRUE(store::AGGIORNADATABASE(dir.path()));
    store::workspace().closeAll();
    store::workspace().setFolder(dir.path());
    std::vector<std::string> log;
    setMessageBoxHandler([&log](MessageKind, const std::string& text, const std::string&) {
        log.push_back(text);
        return int(kAnswerOk);
    });
    printHooks().preview = [&log](const PrintDocument& d, bool, const std::string&) { log.push_back("preview " + d.name); };

    EntryRegistry registry;
    prepareRegistry(registry);
    MaintenanceEnvironment env;
    env.folder = dir.path();
    env.askSaveFile = [&log](const std::string& title, const std::string&, const std::string&) {
        log.push_back(title);
        return std::string(); // cancelled: nothing saved
    };
    addMaintenanceEntries(registry, env);
    accounting::addBookReportEntries([&registry](const std::string& name, std::function<void(bool)> entry) {
        registry.add(name, [entry](const EntryArgs& a) { entry(a.flag); });
    });
    MainWindowOptions options;
    options.workFolder = dir.path();
    options.databaseCheck = [](std::string*) { return true; };
    options.quit = [](int) {};

    for (const QString& button : {QStringLiteral("&Conferma"), QStringLiteral("&Annulla")}) {
        log.clear();
        MainWindow w(registry, options);
        w.show();
        answerDialog(log, button);
        EXPECT_TRUE(w.close());
        std::vector<std::string> expected = {"PRIMANOTAG", "preview Stampa prima nota", "Salvataggio dati"};
        if (button == "&Annulla") expected.erase(expected.begin() + 1);
        EXPECT_EQ(log, expected);
    }
    printHooks().preview = nullptr;
    setMessageBoxHandler(nullptr);
    store::workspace().closeAll();
}

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <fstream>
#include <set>

#include "app/application.h"
#include "app/errorui.h"
#include "common/error.h"
#include "app/mainwindow.h"
#include "app/toolicons.h"
#include "ui/popmsg.h"
#include "ui/qtapp.h"

namespace fs = std::filesystem;
using namespace arv;

namespace {

// A working folder of its own for each test.
class Shell : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        folder = fs::temp_directory_path() /
                 (std::string("arv-mainwindow-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        setMessageBoxHandler([this](MessageKind kind, const std::string& text, const std::string& title) {
            boxes.push_back(std::to_string(static_cast<int>(kind)) + "|" + title + "|" + text);
            return kAnswerOk;
        });
    }
    void TearDown() override
    {
        setMessageBoxHandler(nullptr);
        fs::remove_all(folder);
    }

    std::unique_ptr<MainWindow> window(int screenWidth = 1024)
    {
        MainWindowOptions options;
        options.workFolder = folder;
        options.screenWidth = screenWidth;
        options.databaseCheck = [](std::string*) { return true; };
        options.closeAllTables = [this] { log.push_back("CLOSEALL"); };
        options.quit = [this](int code) { log.push_back("quit " + std::to_string(code)); };
        return std::make_unique<MainWindow>(registry, options);
    }

    static std::vector<std::string> captions(QMenu* menu)
    {
        std::vector<std::string> out;
        for (QAction* a : menu->actions()) out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        return out;
    }
    static QMenu* menu(MainWindow& w, int index) { return w.menuBar()->actions().at(index)->menu(); }

    fs::path folder;
    EntryRegistry registry;
    std::vector<std::string> log;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(Shell, MenuBarCaptionsInOrder)
{
    auto w = window();
    QList<QAction*> menus = w->menuBar()->actions();
    ASSERT_EQ(4, menus.size());
    EXPECT_EQ("Modifica", menus[0]->text().toStdString());
    EXPECT_EQ("Visualizza", menus[1]->text().toStdString());
    EXPECT_EQ("Servizio", menus[2]->text().toStdString());
    EXPECT_EQ("?", menus[3]->text().toStdString());

    EXPECT_EQ((std::vector<std::string>{
                  "Polizze...", "Sinistri...", "Movimenti compagnie...", "Movimenti contabilità...", "Fatture...",
                  "Titoli...", "Numerazione sinistri...", "Preventivi...", "Quietanzamento...", "Finanziamenti...",
                  "Precontrattuale...", "Registratore di cassa...", "-", "Clienti...", "Compagnie e rapporti...",
                  "Produttori e sub agenti...", "-", "Rami...", "Gruppi...", "Marketing...", "Tipi di sinistro...",
                  "Descrizione movimenti compagnie...", "Descrizione movimenti contabilità...",
                  "Descrizione voci contabilità...", "Categorie voci contabilità...", "Garanzie...", "Convenzioni...",
                  "Prodotti...", "Professioni...", "Operatori..."}),
              captions(menu(*w, 0)));
    EXPECT_EQ((std::vector<std::string>{
                  "Elenco disdette...", "Elenco riforma polizze", "Scadenza polizze per data", "Contratti nuovi...",
                  "Avvisi...", "Avvisi di disdetta...", "-", "Reporting giornaliero", "-",
                  "Estratti conto rapporti...", "Estratti conto produttori...", "-",
                  "Riepilogo situazione contabile...", "-", "Prima nota...", "Prima nota giornaliera...", "-",
                  "Coperture giornaliere...", "-", "Modulistica...", "-", "Riepilogo statistiche...",
                  "Statistiche incassi...", "Budget...", "Rinnovi portafoglio...", "Riepilogo estratti conto...",
                  "Riepilogo fatture/estratti conto..."}),
              captions(menu(*w, 1)));
    EXPECT_EQ((std::vector<std::string>{"Manutenzione archivi", "-", "Imposta stampante...", "-",
                                        "Salvataggio dati...", "Ripristino dati...", "-", "Invio dati...", "-",
                                        "Dati agenzia..."}),
              captions(menu(*w, 2)));
    EXPECT_EQ(std::vector<std::string>{"Informazioni"}, captions(menu(*w, 3)));
    EXPECT_FALSE(w->producerEntry());

    // Each item carries its message for the message bar.
    EXPECT_EQ("Gestione delle polizze", menu(*w, 0)->actions()[0]->statusTip().toStdString());
    EXPECT_EQ("Visualizza e stampa estratto conto e corrispettivi - provvigioni dei rapporti",
              menu(*w, 1)->actions()[9]->statusTip().toStdString());
    EXPECT_EQ("Visualizza informazioni sul programma", menu(*w, 3)->actions()[0]->statusTip().toStdString());
}

TEST_F(Shell, HighlightedItemShowsItsMessage)
{
    auto w = window();
    w->show();
    QAction* action = menu(*w, 0)->actions()[1];
    action->showStatusText(w.get());
    EXPECT_EQ("Gestione dei sinistri", w->statusBar()->currentMessage().toStdString());
}

TEST_F(Shell, ProducerEntryOnlyWhenArvDllExistsAtStart)
{
    std::ofstream(folder / "ARV.DLL") << "[Parametri]\n";
    auto w = window();
    EXPECT_TRUE(w->producerEntry());
    std::vector<std::string> service = captions(menu(*w, 2));
    ASSERT_EQ(12u, service.size());
    EXPECT_EQ("Invio dati...", service[7]);
    EXPECT_EQ("-", service[8]);
    EXPECT_EQ("Aggiorna archivi produttore...", service[9]);
    EXPECT_EQ("Aggiorna gli archivi del produttore alla situazione corrente",
              menu(*w, 2)->actions()[9]->statusTip().toStdString());

    // Removing it later changes nothing for the window built.
    fs::remove(folder / "ARV.DLL");
    EXPECT_EQ(12u, captions(menu(*w, 2)).size());
    EXPECT_EQ(10u, captions(menu(*window(), 2)).size());
}

TEST_F(Shell, ToolbarButtonsAndSizes)
{
    for (int width : {800, 1024, 1280}) {
        auto w = window(width);
        ASSERT_EQ(23u, w->toolButtons().size());
        QSize expected = width == 800 ? QSize(33, 33) : QSize(55, 60);
        for (QToolButton* b : w->toolButtons()) EXPECT_EQ(expected, b->size()) << width;
    }
    auto w = window();
    const std::vector<QToolButton*>& b = w->toolButtons();
    EXPECT_EQ("Polizze", b[0]->text().toStdString());
    EXPECT_EQ("Movimenti compagnie", b[2]->toolTip().toStdString());
    EXPECT_EQ("M.comp.", b[2]->text().toStdString());
    EXPECT_EQ("Dati prima nota giornaliera", b[19]->toolTip().toStdString());
    EXPECT_EQ("P.nota g.", b[19]->text().toStdString());
    EXPECT_EQ("Cassa", b[22]->text().toStdString());

    // Gaps only before the first button of each group: 23 buttons and 9 gaps.
    EXPECT_EQ(32, w->toolBar()->actions().size());

    // Distinct pictures.
    std::set<QByteArray> pictures;
    for (const auto& def : toolbarButtons()) {
        QImage img = toolbarPicture(def.bitmap, 32);
        pictures.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes()));
    }
    EXPECT_EQ(23u, pictures.size());
}

TEST_F(Shell, ButtonsAndMenuItemsCallTheirEntries)
{
    std::vector<std::string> calls;
    registry.add("PRIMANOTA", [&](const EntryArgs& a) { calls.push_back(a.flag ? "PRIMANOTA daily" : "PRIMANOTA"); });
    registry.add("PREVENTIVI", [&](const EntryArgs&) { calls.push_back("PREVENTIVI"); });
    registry.add("SALVA", [&](const EntryArgs& a) { calls.push_back("SALVA " + a.files.at(0)); });
    prepareRegistry(registry);
    auto w = window();
    w->toolButtons()[5]->click();
    w->toolButtons()[18]->click();
    w->toolButtons()[19]->click();
    menu(*w, 1)->actions()[15]->trigger();
    menu(*w, 2)->actions()[4]->trigger();
    EXPECT_EQ((std::vector<std::string>{"PREVENTIVI", "PRIMANOTA", "PRIMANOTA daily", "PRIMANOTA daily",
                                        "SALVA ARV.INI"}),
              calls);

    // What is not there yet says so.
    w->toolButtons()[0]->click();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("1|Attenzione|Funzione non ancora disponibile.", boxes[0]);
}

TEST_F(Shell, RightClickOnToolbarDoesNothing)
{
    auto w = window();
    w->show();
    EXPECT_EQ(nullptr, w->createPopupMenu());
    EXPECT_EQ(Qt::PreventContextMenu, w->toolBar()->contextMenuPolicy());
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), w->toolBar()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w->toolBar(), &event);
    EXPECT_EQ(nullptr, QApplication::activePopupWidget());
}

TEST_F(Shell, ClosingRunsDailyPrimaNotaThenSaveThenClosesTables)
{
    registry.add("PRIMANOTA", [&](const EntryArgs& a) { log.push_back(a.flag ? "PRIMANOTA daily" : "PRIMANOTA"); });
    registry.add("SALVA", [&](const EntryArgs& a) { log.push_back("SALVA " + a.files.at(0)); });
    auto w = window();
    w->show();
    EXPECT_TRUE(w->close());
    EXPECT_EQ((std::vector<std::string>{"PRIMANOTA daily", "SALVA ARV.INI", "CLOSEALL"}), log);

    // Even when the duties are not there yet the window closes, telling so twice.
    EntryRegistry empty;
    prepareRegistry(empty);
    MainWindowOptions options;
    options.workFolder = folder;
    MainWindow bare(empty, options);
    bare.show();
    EXPECT_TRUE(bare.close());
    EXPECT_EQ(2u, boxes.size());
}

TEST_F(Shell, DatabaseCheckRunsOnFirstShowAndAFailureEndsTheProgram)
{
    int checks = 0;
    MainWindowOptions options;
    options.workFolder = folder;
    options.databaseCheck = [&](std::string* message) {
        ++checks;
        *message = "Impossibile aggiornare l'archivio POLIZZE.";
        return false;
    };
    options.closeAllTables = [this] { log.push_back("CLOSEALL"); };
    options.quit = [this](int code) { log.push_back("quit " + std::to_string(code)); };
    registry.add("PRIMANOTA", [&](const EntryArgs&) { log.push_back("PRIMANOTA"); });
    MainWindow w(registry, options);
    w.show();
    QTest::qWait(20);
    w.hide();
    w.show();
    QTest::qWait(20);
    EXPECT_EQ(1, checks);
    EXPECT_FALSE(w.databaseReady());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("1|Attenzione|Impossibile aggiornare l'archivio POLIZZE.", boxes[0]);
    EXPECT_EQ((std::vector<std::string>{"CLOSEALL", "quit 1"}), log);
    // The closing duties do not run after a failed check.
    w.close();
    EXPECT_EQ(2u, log.size());

    int controls = 0;
    registry.add("CONTROLLI", [&](const EntryArgs&) { ++controls; });
    auto good = window();
    good->show();
    QTest::qWait(20);
    EXPECT_TRUE(good->databaseReady());
    EXPECT_EQ(1, controls);
}

TEST_F(Shell, ErrorInsideDatabaseCheckIsHandledAndEndsTheProgram)
{
    ErrorEnvironment& env = errorEnvironment();
    env.showMessage = [this](const std::string& text) { log.push_back("show " + text); };
    MainWindowOptions options;
    options.workFolder = folder;
    options.databaseCheck = [](std::string*) -> bool {
        throw Error(EG_OPEN, SUB_NONE, OS_ACCESS_DENIED, "DBFNTX", "Open error", "polizze.dbf", "USE");
    };
    options.closeAllTables = [this] { log.push_back("CLOSEALL"); };
    options.quit = [this](int code) { log.push_back("quit " + std::to_string(code)); };
    MainWindow w(registry, options);
    w.show();
    QTest::qWait(20);
    resetErrorEnvironment();
    EXPECT_FALSE(w.databaseReady());
    EXPECT_EQ((std::vector<std::string>{"show Impossibile accedere al file POLIZZE.DBF.", "CLOSEALL", "quit 1"}), log);
}

TEST_F(Shell, BackgroundPictureStretchedBelowToolbar)
{
    auto none = window();
    EXPECT_TRUE(none->background().isNull());

    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "arv.bmp").string()), "BMP"));
    auto w = window();
    ASSERT_FALSE(w->background().isNull());
    w->resize(1000, 700);
    w->show();
    QTest::qWait(20);
    QRect area = w->backgroundArea();
    int top = w->menuBar()->height() + w->toolBar()->height() - 1;
    EXPECT_EQ(QRect(0, top, w->width(), w->height() - top - w->statusBar()->height()), area);
    QImage shot = w->grab().toImage();
    QPoint middle = area.center();
    EXPECT_EQ(QColor(10, 200, 30), shot.pixelColor(middle));

    std::ofstream(folder / "ARV.BMP") << "not a picture";
    fs::remove(folder / "arv.bmp");
    EXPECT_TRUE(window()->background().isNull());
}

TEST_F(Shell, MessageBarShowsKeyboardDateAndClock)
{
    auto w = window();
    EXPECT_EQ(QDate::currentDate().toString("dd/MM/yy"), w->dateLabel()->text());
    EXPECT_EQ(8, w->clockLabel()->text().size());
    w->setKeyboardState({true, false});
    EXPECT_TRUE(w->keyboardLabel()->text().contains("color:black'>MAIUSC"));
    EXPECT_TRUE(w->keyboardLabel()->text().contains("color:gray'>NUM"));
    EXPECT_EQ("ARV - Arvale", w->windowTitle().toStdString());
}

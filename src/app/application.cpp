#include "app/application.h"

#include <QApplication>
#include <QScreen>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

#include "app/errorui.h"
#include "app/mainwindow.h"
#include "app/shell.h"
#include "common/version.h"
#include "ui/docdialogs.h"
#include "ui/msgget.h"
#include "ui/popmsg.h"
#include "ui/printing.h"

namespace fs = std::filesystem;

namespace arv {

void addShellEntries(EntryRegistry& registry, const ApplicationHooks& hooks)
{
    registry.add(kEntryInfos, [](const EntryArgs&) { INFOS(kProgramTitle, kProgramVersion, "2024"); });
    registry.add("PSETUP", [](const EntryArgs&) { PSETUP(); });
    if (hooks.agency.load && hooks.agency.save) {
        AgencyStore store = hooks.agency;
        registry.add(kEntryAgency, [store](const EntryArgs&) { editAgency(store); });
    }
}

void prepareRegistry(EntryRegistry& registry, std::function<std::function<void()>()> screenTables)
{
    registry.setRunner([screenTables](const std::string& name, const std::function<void()>& body) {
        runScreen(name, body, screenTables ? screenTables() : std::function<void()>());
    });
    registry.setUnavailableHandler([](const std::string&) { POPMSG(kMsgNotAvailable, 1); });
}

int runApplication(int argc, char** argv, const ApplicationHooks& hooks)
{
    const auto start = std::chrono::system_clock::now();
    CommandLine line = parseCommandLine(argc, argv);
    if (line.version) {
        std::printf("%s\n", kProgramVersionLine);
        return 0;
    }
    std::error_code ec;
    fs::path folder = line.folder.empty() ? fs::current_path(ec) : fs::path(line.folder);
    if (auto problem = workingFolderProblem(folder)) {
        std::fprintf(stderr, "%s: %s\n", kProgramTitle, problem->c_str());
        return 1;
    }
    folder = fs::absolute(folder, ec);
    // The tables and settings are named relative to the working folder.
    fs::current_path(folder, ec);
    if (auto problem = displayProblem(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                                      std::getenv("QT_QPA_PLATFORM"))) {
        std::fprintf(stderr, "%s: %s\n", kProgramTitle, problem->c_str());
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(kProgramName);
    QApplication::setApplicationVersion(kProgramVersion);
    // Qt's own texts (file dialogs, context menus of edit fields) in Italian when the system has
    // the translations.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Italian, QLocale::Italy), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // Print jobs draw with the real fonts and show their progress, preview and messages here.
    installPrintHooks();

    if (hooks.cleanupLeftovers) hooks.cleanupLeftovers(folder, start);
    setDocumentSettings(folder, hooks.setting);
    errorEnvironment().closeTables = hooks.closeAllTables;

    EntryRegistry registry;
    prepareRegistry(registry, hooks.screenTables);
    addShellEntries(registry, hooks);
    if (hooks.registerEntries) hooks.registerEntries(registry);

    MainWindowOptions options;
    options.workFolder = folder;
    options.databaseCheck = hooks.databaseCheck;
    options.closeAllTables = hooks.closeAllTables;
    MainWindow window(registry, options);
    // Without a window manager (a VNC or bare X display) maximizing does nothing: the window
    // takes the whole screen by itself first.
    if (QScreen* screen = QGuiApplication::primaryScreen()) window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return app.exec();
}

} // namespace arv

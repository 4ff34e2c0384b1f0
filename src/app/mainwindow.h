// The program's single main window: menu bar, toolbar, message bar and the background picture.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QMainWindow>

#include "app/entries.h"
#include "app/shell.h"

class QLabel;
class QToolBar;
class QToolButton;

namespace arv {

struct MainWindowOptions {
    std::filesystem::path workFolder = ".";
    // The screen width that decides the toolbar's button size; the primary screen's when absent.
    std::optional<int> screenWidth;
    // Brings the tables into line when the window first shows; false with a message ends the
    // program, and so does a run-time error inside it. The entry CONTROLLI, when there is one,
    // runs after a successful check.
    std::function<bool(std::string* message)> databaseCheck;
    // Closes every open table once the closing duties have run.
    std::function<void()> closeAllTables;
    // Ends the program after a failed database check (by default the Qt event loop's exit).
    std::function<void(int code)> quit;
};

class MainWindow : public QMainWindow {
public:
    MainWindow(const EntryRegistry& registry, MainWindowOptions options, QWidget* parent = nullptr);

    QToolBar* toolBar() const { return toolBar_; }
    const std::vector<QToolButton*>& toolButtons() const { return buttons_; }
    bool producerEntry() const { return withProducer_; }
    bool databaseReady() const { return databaseReady_; }
    const QImage& background() const { return background_; }
    // The rectangle the background is stretched to, in window coordinates.
    QRect backgroundArea() const;
    // The message-bar indicators, for tests.
    QLabel* keyboardLabel() const { return keyboard_; }
    QLabel* dateLabel() const { return date_; }
    QLabel* clockLabel() const { return clock_; }

    void setKeyboardState(KeyboardState state);

    // No menu of toolbars on a right click.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildToolBar(int screenWidth);
    void buildStatusBar();
    void runDatabaseCheck();
    void tick();

    const EntryRegistry& registry_;
    MainWindowOptions options_;
    bool withProducer_ = false;
    bool firstShow_ = true;
    bool databaseReady_ = false;
    bool ending_ = false;
    QImage background_;
    QToolBar* toolBar_ = nullptr;
    std::vector<QToolButton*> buttons_;
    QLabel* keyboard_ = nullptr;
    QLabel* date_ = nullptr;
    QLabel* clock_ = nullptr;
};

} // namespace arv

// The screen tour's fixture: each tour program opens windows off screen and keeps a picture of each
// in <build>/screens, to be looked at by people; a test fails when a window cannot open. One
// program per domain (tests/app/screentour*_test.cpp).
#pragma once

#include <gtest/gtest.h>

#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/mainwindow.h"
#include "store/upgrade.h"
#include "store/workspace.h"
#include "support/records.h"
#include "ui/printrender.h"
#include "ui/qtapp.h"

namespace arv::test {

namespace fs = std::filesystem;

// The off-screen platform draws no frames: the title is drawn above the picture instead.
inline QPixmap withTitle(const QPixmap& shot, const QString& title)
{
    const int bar = 24;
    QPixmap framed(shot.width(), shot.height() + bar);
    framed.fill(QColor(60, 90, 150));
    QPainter p(&framed);
    p.setPen(Qt::white);
    p.drawText(QRect(8, 0, shot.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, title);
    p.drawPixmap(0, bar, shot);
    return framed;
}

class ScreenTour : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        // Printouts laid out with the fonts' real widths, as the program lays them out.
        installFontSubstitutions();
        setTextMeasurer(std::make_shared<QtTextMeasurer>());
        out = fs::path(ARV_BINARY_DIR) / "screens";
        fs::create_directories(out);
        // One folder per test program: several builds may run their tours at once.
        folder = fs::temp_directory_path() / ("arv-screentour-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    void save(QWidget* w, const std::string& name)
    {
        ASSERT_NE(nullptr, w) << name;
        if (!w->isVisible()) w->show();
        QTest::qWait(30);
        ASSERT_TRUE(w->isVisible()) << name;
        QPixmap shot = w->grab();
        ASSERT_FALSE(shot.isNull()) << name;
        if (w->isWindow() && !w->windowTitle().isEmpty()) shot = withTitle(shot, w->windowTitle());
        ASSERT_TRUE(shot.save(QString::fromStdString((out / (name + ".png")).string()), "PNG")) << name;
    }

    // The picture of a window or dialog, which is then put away.
    void saveAndHide(QWidget* w, const std::string& name)
    {
        save(w, name);
        if (w) w->hide();
    }

    // A menu popped up at AT, its picture, and the menu closed again.
    void saveMenu(QMenu* m, const QPoint& at, const std::string& name)
    {
        ASSERT_NE(nullptr, m) << name;
        m->popup(at);
        saveAndHide(m, name);
    }

    // The first page of a printout, as the preview draws it.
    void printed(const PrintDocument& doc, const std::string& name)
    {
        ASSERT_FALSE(doc.pages.empty()) << name;
        const QImage page = pageImage(doc, 0, 100);
        ASSERT_TRUE(page.save(QString::fromStdString((out / (name + ".png")).string()), "PNG")) << name;
    }

    // A record appended to TABLE of WS, filled by FILL.
    static void add(store::Workspace& ws, const std::string& table, const std::function<void(store::Table&)>& fill)
    {
        addRecord(ws, table, fill);
    }

    // The program's workspace on the test's folder with every table, created empty.
    store::Workspace& workspaceOnFolder()
    {
        EXPECT_TRUE(store::AGGIORNADATABASE(folder.string()));
        store::Workspace& ws = store::workspace();
        ws.closeAll();
        ws.setFolder(folder.string());
        return ws;
    }

    std::unique_ptr<MainWindow> mainWindow(int width)
    {
        MainWindowOptions options;
        options.workFolder = folder;
        options.screenWidth = width;
        options.databaseCheck = [](std::string*) { return true; };
        options.quit = [](int) {};
        return std::make_unique<MainWindow>(registry, options);
    }

    fs::path out;
    fs::path folder;
    EntryRegistry registry;
};

} // namespace arv::test

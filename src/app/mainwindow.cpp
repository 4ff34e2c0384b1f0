#include "app/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTime>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/errorui.h"
#include "app/toolicons.h"
#include "common/date.h"
#include "common/version.h"
#include "ui/popmsg.h"

namespace arv {

namespace {

// The client area between toolbar and message bar, painted with the background picture.
class BackgroundArea : public QWidget {
public:
    explicit BackgroundArea(MainWindow* window) : QWidget(window), window_(window)
    {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Dark));  // the workspace colour
        setPalette(pal);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (window_->background().isNull()) return;
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QRect target = window_->backgroundArea().translated(-pos());
        p.drawImage(target, window_->background());
    }

private:
    MainWindow* window_;
};

} // namespace

MainWindow::MainWindow(const EntryRegistry& registry, MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), registry_(registry), options_(std::move(options))
{
    setWindowTitle(kProgramTitle);
    setWindowIcon(programIcon());
    setContextMenuPolicy(Qt::NoContextMenu);

    withProducer_ = findFileNoCase(options_.workFolder, kProducerSettingsFile).has_value();
    buildMenus();

    int width = options_.screenWidth.value_or(
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().width() : 1024);
    buildToolBar(width);
    buildStatusBar();

    if (auto bmp = findFileNoCase(options_.workFolder, kBackgroundFile))
        background_.load(QString::fromStdString(bmp->string()));  // stays null when unreadable
    setCentralWidget(new BackgroundArea(this));
}

void MainWindow::buildMenus()
{
    for (const MenuDef& def : mainMenus(withProducer_)) {
        QMenu* menu = menuBar()->addMenu(QString::fromStdString(def.title));
        for (const MenuEntry& entry : def.entries) {
            if (entry.separator()) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromStdString(entry.caption));
            action->setStatusTip(QString::fromStdString(entry.message));
            connect(action, &QAction::triggered, this, [this, entry] { registry_.call(entry.entry, entry.args); });
        }
    }
}

void MainWindow::buildToolBar(int screenWidth)
{
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName("toolbar");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar_->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    PixelSize size = toolbarButtonSize(screenWidth);
    bool small = size.height < 40;
    int iconSide = small ? 24 : 32;
    toolBar_->setIconSize(QSize(iconSide, iconSide));
    toolBar_->setContentsMargins(0, 0, 0, 0);
    if (toolBar_->layout()) {
        toolBar_->layout()->setSpacing(0);
        toolBar_->layout()->setContentsMargins(0, 0, 0, 0);
    }
    QFont captionFont = font();
    captionFont.setPointSizeF(std::max(6.0, captionFont.pointSizeF() - 1.5));
    for (const ToolButtonDef& def : toolbarButtons()) {
        if (def.newGroup && !buttons_.empty()) {
            auto* gap = new QWidget;
            gap->setFixedWidth(small ? 4 : 8);
            toolBar_->addWidget(gap);
        }
        auto* button = new QToolButton;
        button->setObjectName(QString::fromStdString(def.bitmap));
        button->setIcon(toolbarIcon(def.bitmap));
        button->setIconSize(QSize(iconSide, iconSide));
        button->setText(QString::fromStdString(def.caption));
        button->setToolTip(QString::fromStdString(def.tooltip));
        button->setFont(captionFont);
        button->setToolButtonStyle(small ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFixedSize(size.width, size.height);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, def] { registry_.call(def.entry, def.args); });
        toolBar_->addWidget(button);
        buttons_.push_back(button);
    }
}

void MainWindow::buildStatusBar()
{
    keyboard_ = new QLabel;
    date_ = new QLabel;
    clock_ = new QLabel;
    for (QLabel* label : {keyboard_, date_, clock_}) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(label);
    }
    setKeyboardState({});
    tick();
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { tick(); });
    timer->start(1000);
    qApp->installEventFilter(this);
}

void MainWindow::tick()
{
    date_->setText(QString::fromStdString(Date::today().toDisplay()));
    clock_->setText(QTime::currentTime().toString("HH:mm:ss"));
}

void MainWindow::setKeyboardState(KeyboardState state)
{
    keyboard_->setText(QString("<span style='color:%1'>MAIUSC</span>&nbsp;&nbsp;<span style='color:%2'>NUM</span>")
                           .arg(state.capsLock ? "black" : "gray", state.numLock ? "black" : "gray"));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The window system tells the lock keys' state with each key event.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        QGuiApplication::platformName() == "xcb") {
        auto* key = static_cast<QKeyEvent*>(event);
        setKeyboardState(keyboardStateFromX11(key->nativeModifiers()));
    }
    return QMainWindow::eventFilter(watched, event);
}

QRect MainWindow::backgroundArea() const
{
    int menuHeight = menuBar()->isVisible() ? menuBar()->height() : 0;
    int statusHeight = statusBar()->isVisible() ? statusBar()->height() : 0;
    PixelRect r = backgroundRect(width(), height() - menuHeight, toolBar_->height(), statusHeight);
    return QRect(r.x, r.y + menuHeight, r.width, r.height);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!firstShow_) return;
    firstShow_ = false;
    // Once the window is on the screen, so that the check's own messages have it as parent.
    QTimer::singleShot(0, this, [this] { runDatabaseCheck(); });
}

void MainWindow::runDatabaseCheck()
{
    std::string message;
    bool ok = true;
    // A run-time error inside the check is handled (and told) like one in a screen, and counts
    // as a failed check.
    if (options_.databaseCheck && !runScreen("AGGIORNADATABASE", [&] { ok = options_.databaseCheck(&message); }))
        ok = false;
    else if (!ok && !message.empty())
        POPMSG(message, 1);
    if (!ok) {
        ending_ = true;
        if (options_.closeAllTables) options_.closeAllTables();
        if (options_.quit) options_.quit(1);
        else QCoreApplication::exit(1);
        return;
    }
    databaseReady_ = true;
    if (registry_.has(kEntryStartupChecks)) registry_.call(kEntryStartupChecks);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!ending_) {
        ending_ = true;
        runClosingDuties(registry_);
        if (options_.closeAllTables) options_.closeAllTables();
    }
    event->accept();
}

} // namespace arv

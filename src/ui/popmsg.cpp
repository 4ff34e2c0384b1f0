#include "ui/popmsg.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace arv {

namespace {

// A printer drawn in a few strokes for the print window.
QPixmap printerPicture()
{
    QPixmap pix(48, 48);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(Qt::white);
    p.drawRect(14, 4, 20, 14);  // paper in
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(4, 16, 40, 18, 3, 3);  // body
    p.setBrush(Qt::white);
    p.drawRect(12, 28, 24, 16);  // paper out
    p.drawLine(16, 34, 32, 34);
    p.drawLine(16, 38, 28, 38);
    return pix;
}

class WaitWindow : public QDialog {
public:
    WaitWindow()
        : QDialog(QApplication::activeWindow(), Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    {
        setModal(false);
        setAttribute(Qt::WA_ShowWithoutActivating);
        auto* row = new QHBoxLayout;
        icon_ = new QLabel;
        row->addWidget(icon_, 0, Qt::AlignTop);
        auto* column = new QVBoxLayout;
        text_ = new QLabel;
        QFont font("Arial");
        font.setPointSize(15);
        text_->setFont(font);
        column->addWidget(text_);
        page_ = new QLabel;
        page_->setFont(font);
        page_->hide();
        column->addWidget(page_);
        bar_ = new QProgressBar;
        bar_->setRange(0, 100);
        bar_->hide();
        column->addWidget(bar_);
        row->addLayout(column, 1);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(row);
        setCursor(Qt::WaitCursor);
        setPrint(false);
    }

    void setPrint(bool print)
    {
        print_ = print;
        if (print) icon_->setPixmap(printerPicture());
        else icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
        page_->setVisible(print);
    }
    bool print() const { return print_; }

    void setMessage(const std::string& text, const std::string& title)
    {
        rawText = text;
        rawTitle = title;
        text_->setText(QString::fromStdString(messageText(text)));
        setWindowTitle(QString::fromStdString(messageTitle(MessageKind::Wait, title)));
        adjustSize();
    }
    void setPage(int page)
    {
        pageNumber = page;
        page_->setText(QString("Pagina %1").arg(page));
        adjustSize();
    }
    void setProgress(int progress)
    {
        bar_->setVisible(progress >= 0);
        if (progress >= 0) bar_->setValue(std::min(progress, 100));
    }

    std::string rawText;
    std::string rawTitle;
    int pageNumber = 0;

private:
    QLabel* icon_ = nullptr;
    QLabel* text_ = nullptr;
    QLabel* page_ = nullptr;
    QProgressBar* bar_ = nullptr;
    bool print_ = false;
};

QPointer<WaitWindow> g_wait;
bool g_waitHidden = false;
bool g_cursorSet = false;
MessageBoxHandler g_handler;

void setBusyCursor(bool on)
{
    if (on && !g_cursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        g_cursorSet = true;
    } else if (!on && g_cursorSet) {
        QApplication::restoreOverrideCursor();
        g_cursorSet = false;
    }
}

int showWait(const std::string& text, const std::string& title, bool update, int progress, bool printProgress)
{
    if (!g_wait) g_wait = new WaitWindow;
    WaitWindow* w = g_wait;
    bool wasPrint = w->print();
    if (printProgress) {
        if (!wasPrint) w->setPrint(true);
        w->setPage(wasPrint ? w->pageNumber + 1 : 1);
    } else if (wasPrint && !update) {
        w->setPrint(false);
        w->pageNumber = 0;
    }
    w->setMessage(text, title);
    w->setProgress(progress);
    if (!g_waitHidden) {
        w->show();
        w->raise();
        setBusyCursor(true);
    }
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return 0;
}

int answerOf(QMessageBox::StandardButton b)
{
    switch (b) {
    case QMessageBox::Ok: return kAnswerOk;
    case QMessageBox::Yes: return kAnswerYes;
    case QMessageBox::No: return kAnswerNo;
    default: return kAnswerCancel;
    }
}

QMessageBox::StandardButton buttonOf(int answer)
{
    switch (answer) {
    case kAnswerOk: return QMessageBox::Ok;
    case kAnswerYes: return QMessageBox::Yes;
    case kAnswerNo: return QMessageBox::No;
    default: return QMessageBox::Cancel;
    }
}

} // namespace

std::unique_ptr<QMessageBox> createMessageBox(const std::string& text, MessageKind kind, const std::string& title,
                                              QWidget* parent)
{
    MessageLayout layout = messageLayout(kind);
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QString::fromStdString(messageTitle(kind, title)));
    box->setText(QString::fromStdString(messageText(text)));
    switch (layout.icon) {
    case MessageIcon::Information: box->setIcon(QMessageBox::Information); break;
    case MessageIcon::Question: box->setIcon(QMessageBox::Question); break;
    case MessageIcon::Stop: box->setIcon(QMessageBox::Critical); break;
    }
    QMessageBox::StandardButtons buttons;
    switch (layout.buttons) {
    case MessageButtons::Ok: buttons = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNoCancel: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: buttons = QMessageBox::Yes | QMessageBox::No; break;
    }
    box->setStandardButtons(buttons);
    box->setDefaultButton(buttonOf(layout.defaultAnswer));
    // The button texts in the program's language, whatever the system's.
    auto label = [&](QMessageBox::StandardButton b, const char* text) {
        if (QAbstractButton* button = box->button(b)) button->setText(QString::fromUtf8(text));
    };
    label(QMessageBox::Ok, "OK");
    label(QMessageBox::Cancel, "Annulla");
    label(QMessageBox::Yes, "Sì");
    label(QMessageBox::No, "No");
    if (layout.buttons == MessageButtons::YesNo) box->setEscapeButton(QMessageBox::No);
    return box;
}

int POPMSG(const std::string& text, int kind, const std::string& title, bool update, int progress,
           bool printProgress)
{
    if (kind <= 0 || kind > 6) return showWait(text, title, update, progress, printProgress);

    MessageKind k = static_cast<MessageKind>(kind);
    MessageLayout layout = messageLayout(k);
    bool hadWait = g_wait && !g_waitHidden;
    if (hadWait) hideCurrentMessage();
    if (layout.beep) QApplication::beep();

    int answer;
    if (g_handler) {
        answer = g_handler(k, messageText(text), messageTitle(k, title));
    } else {
        std::unique_ptr<QMessageBox> box = createMessageBox(text, k, title, QApplication::activeWindow());
        box->exec();
        answer = answerOf(box->standardButton(box->clickedButton()));
        if (!box->clickedButton()) answer = layout.buttons == MessageButtons::Ok ? kAnswerOk : kAnswerCancel;
    }
    if (hadWait) showCurrentMessage();
    return messageResult(k, answer);
}

void POPMSG()
{
    if (g_wait) {
        g_wait->hide();
        g_wait->deleteLater();
        g_wait = nullptr;
    }
    g_waitHidden = false;
    setBusyCursor(false);
}

std::string CURMSG()
{
    return g_wait ? g_wait->rawText : std::string();
}

std::string currentMessageTitle()
{
    return g_wait ? messageTitle(MessageKind::Wait, g_wait->rawTitle) : std::string();
}

int currentMessagePage()
{
    return g_wait && g_wait->print() ? g_wait->pageNumber : 0;
}

void hideCurrentMessage()
{
    if (!g_wait) return;
    g_waitHidden = true;
    g_wait->hide();
    setBusyCursor(false);
}

void showCurrentMessage()
{
    g_waitHidden = false;
    if (!g_wait) return;
    g_wait->show();
    setBusyCursor(true);
}

QWidget* currentMessageWindow()
{
    return g_wait.data();
}

void setMessageBoxHandler(MessageBoxHandler handler)
{
    g_handler = std::move(handler);
}

} // namespace arv

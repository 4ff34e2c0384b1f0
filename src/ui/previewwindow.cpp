#include "ui/previewwindow.h"

#include "ui/printing.h"
#include "ui/printrender.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace arv {

namespace {

struct ToolDef {
    const char* bitmap;
    const char* tip;
};

constexpr ToolDef kTools[] = {
    {"TOP", "Prima pagina"},
    {"PREVIOUS", "Pagina precedente"},
    {"NEXT", "Pagina successiva"},
    {"BOTTOM", "Ultima pagina"},
    {"ZOOM", "Zoom"},
    {"PRINT", "Stampa documento"},
    {"SAVEPDF", "Salva come PDF"},
    {"SENDMAIL", "Invia PDF per email"},
    {"EXIT", "Esci dall'anteprima di stampa"},
};

void triangle(QPainter& p, bool left, double x)
{
    QPainterPath path;
    if (left) {
        path.moveTo(x + 8, 5);
        path.lineTo(x, 12);
        path.lineTo(x + 8, 19);
    } else {
        path.moveTo(x, 5);
        path.lineTo(x + 8, 12);
        path.lineTo(x, 19);
    }
    path.closeSubpath();
    p.fillPath(path, QColor(30, 80, 160));
}

} // namespace

QIcon previewIcon(const QString& bitmap)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(30, 80, 160);
    if (bitmap == "TOP") {
        p.fillRect(QRectF(5, 5, 2.5, 14), blue);
        triangle(p, true, 9);
    } else if (bitmap == "PREVIOUS") {
        triangle(p, true, 8);
    } else if (bitmap == "NEXT") {
        triangle(p, false, 8);
    } else if (bitmap == "BOTTOM") {
        triangle(p, false, 7);
        p.fillRect(QRectF(16.5, 5, 2.5, 14), blue);
    } else if (bitmap == "ZOOM") {
        p.setPen(QPen(QColor(60, 60, 60), 2.2));
        p.setBrush(QColor(200, 225, 250));
        p.drawEllipse(QPointF(10, 10), 6, 6);
        p.setPen(QPen(QColor(90, 60, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14.5, 14.5), QPointF(20, 20));
    } else if (bitmap == "PRINT") {
        p.setPen(QPen(QColor(60, 60, 60), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 14, 10, 7));
        p.drawLine(QPointF(9, 17), QPointF(15, 17));
    } else if (bitmap == "SAVEPDF" || bitmap == "SENDMAIL") {
        p.setPen(QPen(QColor(90, 90, 90), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 2, 13, 18));
        p.fillRect(QRectF(3, 10, 17, 7), QColor(200, 30, 30));
        QFont f("Liberation Sans");
        f.setPixelSize(7);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 10, 17, 7), Qt::AlignCenter, "PDF");
        if (bitmap == "SENDMAIL") {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(QColor(250, 235, 160));
            p.drawRect(QRectF(11, 15, 12, 8));
            p.drawLine(QPointF(11, 15), QPointF(17, 19.5));
            p.drawLine(QPointF(23, 15), QPointF(17, 19.5));
        }
    } else if (bitmap == "EXIT") {
        p.setPen(QPen(QColor(90, 60, 30), 1.4));
        p.setBrush(QColor(190, 150, 100));
        p.drawRect(QRectF(5, 3, 11, 18));
        p.setPen(QPen(QColor(190, 30, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13, 12), QPointF(21, 12));
        p.drawLine(QPointF(18, 9), QPointF(21, 12));
        p.drawLine(QPointF(18, 15), QPointF(21, 12));
    }
    p.end();
    return QIcon(pm);
}

PreviewWindow::PreviewWindow(PrintDocument doc, bool noPrint, std::string printer, QWidget* parent)
    : QDialog(parent), doc_(std::move(doc)), printer_(std::move(printer))
{
    setWindowTitle("Anteprima di stampa");
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bar_ = new QToolBar(this);
    bar_->setIconSize(QSize(24, 24));
    bar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolDef& t : kTools) {
        const QString bitmap = t.bitmap;
        if (bitmap == "PRINT" && noPrint) continue;
        QAction* a = bar_->addAction(previewIcon(bitmap), QString::fromUtf8(t.tip));
        a->setObjectName(bitmap);
        a->setToolTip(QString::fromUtf8(t.tip));
        if (bitmap == "ZOOM" || bitmap == "SAVEPDF") bar_->addSeparator();
        if (bitmap == "TOP") connect(a, &QAction::triggered, this, [this] { showPage(0); });
        else if (bitmap == "PREVIOUS") connect(a, &QAction::triggered, this, [this] { showPage(page_ - 1); });
        else if (bitmap == "NEXT") connect(a, &QAction::triggered, this, [this] { showPage(page_ + 1); });
        else if (bitmap == "BOTTOM") connect(a, &QAction::triggered, this, [this] { showPage(pageCount() - 1); });
        else if (bitmap == "ZOOM") connect(a, &QAction::triggered, this, [this] { toggleZoom(); });
        else if (bitmap == "PRINT")
            connect(a, &QAction::triggered, this, [this] { outputDocument(doc_, printer_, this); });
        else if (bitmap == "SAVEPDF") connect(a, &QAction::triggered, this, [this] { savePdfAs(doc_, this); });
        else if (bitmap == "SENDMAIL") connect(a, &QAction::triggered, this, [this] { mailPdf(doc_, this); });
        else if (bitmap == "EXIT") connect(a, &QAction::triggered, this, &QDialog::accept);
    }
    layout->addWidget(bar_);

    scroll_ = new QScrollArea(this);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    QPalette pal = scroll_->palette();
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    scroll_->setPalette(pal);
    picture_ = new QLabel;
    picture_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(picture_);
    // The page is fitted to the room the window really gives it, known once laid out.
    scroll_->viewport()->installEventFilter(this);
    layout->addWidget(scroll_, 1);

    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    status_ = new QLabel(statusBar);
    statusBar->addWidget(status_, 1);
    layout->addWidget(statusBar);

    resize(820, 900);
    refresh();
}

QAction* PreviewWindow::action(const QString& bitmap) const
{
    for (QAction* a : bar_->actions())
        if (a->objectName() == bitmap) return a;
    return nullptr;
}

QString PreviewWindow::pageText() const
{
    return QString("Pagina: %1 di %2").arg(pageCount() ? page_ + 1 : 0).arg(pageCount());
}

void PreviewWindow::showPage(int page)
{
    page_ = std::clamp(page, 0, std::max(0, pageCount() - 1));
    refresh();
}

void PreviewWindow::toggleZoom()
{
    zoomed_ = !zoomed_;
    refresh();
}

void PreviewWindow::refresh()
{
    status_->setText(pageText());
    const bool first = page_ <= 0;
    const bool last = page_ >= pageCount() - 1;
    if (QAction* a = action("TOP")) a->setEnabled(!first);
    if (QAction* a = action("PREVIOUS")) a->setEnabled(!first);
    if (QAction* a = action("NEXT")) a->setEnabled(!last);
    if (QAction* a = action("BOTTOM")) a->setEnabled(!last);

    // The whole page in the window; zoomed, the page's width fills twice as much.
    // Zoomed, the scroll bars take room: the page keeps the size it was fitted to.
    const QSize view = zoomed_ && fittedTo_.isValid() ? fittedTo_ : scroll_->viewport()->size();
    const PageGeometry& g = doc_.geometry;
    const double fit = std::min((view.height() - 16) / (g.paperHeightMm / 25.4), (view.width() - 16) / (g.paperWidthMm / 25.4));
    const double dpi = std::clamp(zoomed_ ? fit * 2 : fit, 20.0, 400.0);
    const QImage img = pageImage(doc_, static_cast<size_t>(page_), dpi);
    QPixmap shown(img.size() + QSize(4, 4));
    shown.fill(Qt::transparent);
    {
        QPainter p(&shown);
        p.fillRect(QRect(QPoint(4, 4), img.size()), QColor(60, 60, 60));
        p.drawImage(QPoint(0, 0), img);
    }
    picture_->setPixmap(shown);
    picture_->resize(shown.size());
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize && !zoomed_) {
        const QSize now = scroll_->viewport()->size();
        if (now != fittedTo_) {
            fittedTo_ = now;
            refresh();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown: showPage(page_ + 1); return;
    case Qt::Key_PageUp: showPage(page_ - 1); return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(0);
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(pageCount() - 1);
            return;
        }
        break;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

} // namespace arv

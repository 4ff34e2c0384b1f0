#include "ui/printrender.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <cmath>
#include <filesystem>
#include <unistd.h>

#include <array>
#include <vector>

namespace arv {

namespace {

QColor qtColor(PrintColor c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

QPageLayout pageLayoutOf(const PageGeometry& g)
{
    const QPageSize size(QSizeF(std::min(g.paperWidthMm, g.paperHeightMm), std::max(g.paperWidthMm, g.paperHeightMm)),
                         QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, g.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

std::vector<QString> words(const QString& text) { 
    std::vector<QString> out;
    for (const QString& w : text.split(' ', Qt::SkipEmptyParts)) out.push_back(w);
    return out;
}

} // namespace

void installFontSubstitutions()
{
    QFont::insertSubstitution("Arial", "Liberation Sans");
    QFont::insertSubstitution("Helvetica", "Liberation Sans");
    QFont::insertSubstitution("Courier New", "Liberation Mono");
    QFont::insertSubstitution("Courier", "Liberation Mono");
    QFont::insertSubstitution("Times New Roman", "Liberation Serif");
}

QString qtFontFamily(const std::string& family)
{
    const QString f = QString::fromStdString(family).trimmed();
    const QString l = f.toLower();
    if (l == "arial" || l == "helvetica" || l.isEmpty()) return "Liberation Sans";
    if (l == "courier new" || l == "courier") return "Liberation Mono";
    if (l == "times new roman" || l == "times") return "Liberation Serif";
    return f;
}

QFont qtFont(const PrintFont& font)
{
    QFont f(qtFontFamily(font.family));
    f.setPointSizeF(font.pointSize > 0 ? font.pointSize : 10);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

double QtTextMeasurer::width(std::string_view utf8, const PrintFont& font, double dpi) const
{
    // At 72 dpi a point is a pixel: the font grown by dpi / 72 measures in device units.
    static QImage device = [] {
        QImage img(1, 1, QImage::Format_RGB32);
        img.setDotsPerMeterX(qRound(72 / 0.0254));
        img.setDotsPerMeterY(qRound(72 / 0.0254));
        return img;
    }();
    // Reports measure every cell of every row, and shaping a text costs microseconds: a text of
    // Latin-1 letters is measured as the sum of its letters' advances, kept per font (kerning
    // only ever brings a printed text in by a fraction of a letter). Other texts are shaped.
    struct Cached {
        PrintFont font;
        double dpi;
        QFontMetricsF metrics;
        std::array<double, 256> advance;
    };
    thread_local std::vector<Cached> cache; // fonts are not shared between threads
    Cached* c = nullptr;
    for (Cached& x : cache)
        if (x.dpi == dpi && x.font == font) c = &x;
    if (!c) {
        if (cache.size() >= 8) cache.erase(cache.begin());
        PrintFont big = font;
        big.pointSize = (font.pointSize > 0 ? font.pointSize : 10) * dpi / 72.0;
        cache.push_back(Cached {font, dpi, QFontMetricsF(qtFont(big), &device), {}});
        c = &cache.back();
        c->advance.fill(-1);
    }
    double sum = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned code = static_cast<unsigned char>(utf8[i]);
        if (code >= 0x80) {
            // Two-byte sequences up to U+00FF; anything else is shaped whole.
            if ((code == 0xC2 || code == 0xC3) && i + 1 < utf8.size()) {
                code = ((code & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
            } else {
                return c->metrics.horizontalAdvance(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
            }
        }
        double& a = c->advance[code];
        if (a < 0) a = c->metrics.horizontalAdvance(QChar(static_cast<char16_t>(code)));
        sum += a;
    }
    return sum;
}

void renderPage(QPainter& painter, const Page& page, QPointF origin, double scale)
{
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const PageItem& item : page.items) {
        if (item.isFrame()) {
            QPen pen(qtColor(item.color));
            pen.setCosmetic(true); // one dot wide on any device
            pen.setWidthF(1);
            painter.save();
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            const QPointF at(origin.x() + item.x * scale, origin.y() + item.y * scale);
            if (item.frameHeight > 0) painter.drawRect(QRectF(at, QSizeF(item.frameWidth * scale, item.frameHeight * scale)));
            else painter.drawLine(at, at + QPointF(item.frameWidth * scale, 0));
            painter.restore();
            continue;
        }
        const QString text = QString::fromStdString(item.text);
        if (text.isEmpty()) continue;
        const QFont font = qtFont(item.font);
        painter.setFont(font);
        const QFontMetricsF m(painter.font(), painter.device());
        const double w = m.horizontalAdvance(text);
        double x = origin.x() + item.x * scale;
        const double top = origin.y() + item.y * scale;
        if (item.align == TextAlign::Right) x -= w;
        else if (item.align == TextAlign::Center) x -= w / 2;

        painter.save();
        if (item.clipWidth > 0)
            painter.setClipRect(QRectF(x, top - m.height(), item.clipWidth * scale, m.height() * 3), Qt::IntersectClip);
        const double drawnWidth = item.stretchTo > 0 ? item.stretchTo * scale : w;
        if (item.background)
            painter.fillRect(QRectF(x, top, item.clipWidth > 0 ? std::min(drawnWidth, item.clipWidth * scale) : drawnWidth,
                                    m.height()),
                             qtColor(*item.background));
        painter.setPen(qtColor(item.color));
        const double baseline = top + m.ascent();
        if (item.stretchTo > 0) {
            const std::vector<QString> ws = words(text);
            double used = 0;
            for (const QString& word : ws) used += m.horizontalAdvance(word);
            const double gap = ws.size() > 1 ? (item.stretchTo * scale - used) / static_cast<double>(ws.size() - 1) : 0;
            double wx = x;
            for (const QString& word : ws) {
                painter.drawText(QPointF(wx, baseline), word);
                wx += m.horizontalAdvance(word) + gap;
            }
        } else {
            painter.drawText(QPointF(x, baseline), text);
        }
        painter.restore();
    }
    painter.restore();
}

QImage pageImage(const PrintDocument& doc, size_t page, double dpi)
{
    const PageGeometry& g = doc.geometry;
    const QSize size(qRound(g.paperWidthMm / 25.4 * dpi), qRound(g.paperHeightMm / 25.4 * dpi));
    QImage img(size, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    if (page < doc.pages.size()) {
        QPainter p(&img);
        renderPage(p, doc.pages[page], QPointF(g.leftMm / 25.4 * dpi, g.topMm / 25.4 * dpi), dpi / g.dpi);
    }
    return img;
}

bool writePdf(const PrintDocument& doc, const std::string& path)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path partial = target.parent_path() / (".~" + target.filename().string() + "." + std::to_string(::getpid()));
    const PageGeometry& g = doc.geometry;
    bool ok = true;
    {
        QPdfWriter writer(QString::fromStdString(partial.string()));
        writer.setResolution(static_cast<int>(g.dpi));
        writer.setTitle(QString::fromStdString(doc.name));
        writer.setCreator("Arvale");
        writer.setPageLayout(pageLayoutOf(g));
        QPainter painter;
        if (!painter.begin(&writer)) {
            ok = false;
        } else {
            const QPointF origin(g.leftMm / 25.4 * g.dpi, g.topMm / 25.4 * g.dpi);
            for (size_t i = 0; i < doc.pages.size(); ++i) {
                if (i > 0 && !writer.newPage()) ok = false;
                renderPage(painter, doc.pages[i], origin, 1.0);
            }
            if (doc.pages.empty()) painter.drawText(QPointF(0, 0), QString());
            ok = painter.end() && ok;
        }
    }
    std::error_code ec;
    if (ok && fs::exists(partial, ec) && fs::file_size(partial, ec) > 0) {
        fs::rename(partial, target, ec);
        if (!ec) return true;
    }
    fs::remove(partial, ec);
    return false;
}

bool printDocument(const PrintDocument& doc, const std::string& printerName)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!printerName.empty()) printer.setPrinterName(QString::fromStdString(printerName));
    if (!printer.isValid()) return false;
    printer.setDocName(QString::fromStdString(doc.name));
    printer.setFullPage(true);
    const PageGeometry& g = doc.geometry;
    printer.setPageOrientation(g.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const double res = printer.resolution();
    const QPointF origin(g.leftMm / 25.4 * res, g.topMm / 25.4 * res);
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        renderPage(painter, doc.pages[i], origin, res / g.dpi);
    }
    return painter.end();
}

} // namespace arv

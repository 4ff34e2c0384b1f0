#include "app/toolicons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <map>
#include <numbers>

namespace arv {

namespace {

// Everything is drawn on a 64 x 64 grid and scaled.
using Drawer = void (*)(QPainter&);

const QColor kInk(40, 40, 48);

void page(QPainter& p, QColor fill = Qt::white)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(fill);
    QPainterPath path;
    path.moveTo(14, 6);
    path.lineTo(40, 6);
    path.lineTo(50, 16);
    path.lineTo(50, 58);
    path.lineTo(14, 58);
    path.closeSubpath();
    p.drawPath(path);
    p.drawLine(QPointF(40, 6), QPointF(40, 16));
    p.drawLine(QPointF(40, 16), QPointF(50, 16));
}

void lines(QPainter& p, int from, int to, int left = 20, int right = 44)
{
    p.setPen(QPen(QColor(110, 110, 120), 2));
    for (int y = from; y <= to; y += 7) p.drawLine(left, y, right, y);
}

void mark(QPainter& p, const QString& text, QColor colour, QRectF where, int size = 22)
{
    QFont f("Sans");
    f.setBold(true);
    f.setPixelSize(size);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(where, Qt::AlignCenter, text);
}

void person(QPainter& p, QPointF at, double scale, QColor colour)
{
    p.setPen(QPen(kInk, 2));
    p.setBrush(colour);
    p.drawEllipse(at + QPointF(-7 * scale, -22 * scale), 8 * scale, 8 * scale);
    QPainterPath body;
    body.moveTo(at + QPointF(-16 * scale, 8 * scale));
    body.cubicTo(at + QPointF(-16 * scale, -12 * scale), at + QPointF(2 * scale, -12 * scale),
                 at + QPointF(2 * scale, 8 * scale));
    body.closeSubpath();
    p.drawPath(body);
}

void cross(QPainter& p, QColor colour = QColor(200, 30, 30))
{
    p.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(34, 38, 54, 58);
    p.drawLine(54, 38, 34, 58);
}

void envelope(QPainter& p, QColor fill)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(fill);
    p.drawRect(6, 16, 52, 34);
    p.drawLine(6, 16, 32, 36);
    p.drawLine(58, 16, 32, 36);
}

void drawPolizze(QPainter& p)
{
    page(p);
    lines(p, 22, 43);
    p.setPen(QPen(QColor(20, 70, 160), 3));
    p.drawLine(22, 52, 36, 50);
}

void drawSinistri(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(250, 200, 40));
    QPolygonF tri({QPointF(32, 5), QPointF(60, 56), QPointF(4, 56)});
    p.drawPolygon(tri);
    mark(p, "!", kInk, QRectF(20, 18, 24, 36), 30);
}

void drawMoviComp(QPainter& p)
{
    p.setPen(QPen(QColor(20, 110, 60), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(8, 22, 50, 22);
    p.drawLine(50, 22, 40, 12);
    p.drawLine(50, 22, 40, 32);
    p.setPen(QPen(QColor(180, 40, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(56, 44, 14, 44);
    p.drawLine(14, 44, 24, 34);
    p.drawLine(14, 44, 24, 54);
}

void coin(QPainter& p, QPointF c, double r)
{
    p.setPen(QPen(QColor(120, 90, 10), 2));
    p.setBrush(QColor(240, 190, 50));
    p.drawEllipse(c, r, r);
}

void drawMoviCont(QPainter& p)
{
    coin(p, QPointF(24, 44), 14);
    coin(p, QPointF(40, 30), 14);
    mark(p, "€", QColor(120, 90, 10), QRectF(26, 16, 28, 28), 18);
}

void drawFatture(QPainter& p)
{
    page(p, QColor(255, 252, 230));
    lines(p, 22, 36);
    mark(p, "€", QColor(20, 100, 40), QRectF(18, 38, 28, 20), 18);
}

void drawPrevent(QPainter& p)
{
    page(p, QColor(235, 245, 255));
    lines(p, 22, 29);
    mark(p, "?", QColor(20, 70, 160), QRectF(18, 32, 28, 26), 24);
}

void drawQuietanz(QPainter& p)
{
    page(p);
    lines(p, 22, 36);
    p.setPen(QPen(QColor(20, 140, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(22, 48, 29, 55);
    p.drawLine(29, 55, 44, 38);
}

void drawQuestade(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(190, 140, 90));
    p.drawRoundedRect(10, 8, 44, 52, 4, 4);
    p.setBrush(Qt::white);
    p.drawRect(16, 16, 32, 38);
    p.setBrush(QColor(160, 160, 170));
    p.drawRect(24, 4, 16, 8);
    p.setPen(QPen(kInk, 2));
    for (int y = 24; y <= 44; y += 10) {
        p.drawRect(20, y - 3, 5, 5);
        p.drawLine(29, y, 44, y);
    }
}

void drawClienti(QPainter& p)
{
    person(p, QPointF(24, 46), 1.1, QColor(120, 160, 220));
    person(p, QPointF(46, 52), 0.9, QColor(230, 150, 90));
}

void drawDisdette(QPainter& p)
{
    page(p);
    lines(p, 22, 36);
    cross(p);
}

void drawScadenze(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(32, 34), 25, 25);
    p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(32, 34, 32, 16);
    p.drawLine(32, 34, 45, 40);
    p.setPen(QPen(QColor(200, 30, 30), 3));
    p.drawLine(32, 34, 20, 48);
}

void drawNuovi(QPainter& p)
{
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(255, 210, 40));
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        double r = i % 2 ? 11 : 27;
        double a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        star << QPointF(32 + r * std::cos(a), 34 + r * std::sin(a));
    }
    p.drawPolygon(star);
}

void drawAvvisi(QPainter& p)
{
    envelope(p, QColor(250, 250, 235));
}

void drawDisdette2(QPainter& p)
{
    envelope(p, QColor(255, 235, 235));
    cross(p);
}

void drawReporting(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5));
    p.drawLine(8, 56, 58, 56);
    p.drawLine(8, 56, 8, 6);
    const QColor colours[] = {QColor(70, 130, 200), QColor(220, 120, 50), QColor(90, 170, 80), QColor(160, 80, 170)};
    const int heights[] = {20, 34, 26, 44};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colours[i]);
        p.setPen(QPen(kInk, 1.5));
        p.drawRect(14 + i * 11, 56 - heights[i], 8, heights[i]);
    }
}

void building(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(200, 200, 210));
    QPolygonF roof({QPointF(6, 22), QPointF(32, 6), QPointF(58, 22)});
    p.drawPolygon(roof);
    p.drawRect(8, 52, 48, 6);
    for (int x = 12; x <= 46; x += 11) p.drawRect(x, 24, 6, 28);
}

void drawSRapporti(QPainter& p)
{
    building(p);
}

void drawSProdutt(QPainter& p)
{
    person(p, QPointF(26, 48), 1.2, QColor(120, 180, 120));
    coin(p, QPointF(46, 44), 12);
    mark(p, "€", QColor(120, 90, 10), QRectF(34, 32, 24, 24), 15);
}

void drawRiesitcon(QPainter& p)
{
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(70, 130, 200));
    QRectF r(6, 8, 52, 52);
    p.drawPie(r, 90 * 16, 140 * 16);
    p.setBrush(QColor(220, 120, 50));
    p.drawPie(r, 230 * 16, 80 * 16);
    p.setBrush(QColor(90, 170, 80));
    p.drawPie(r, 310 * 16, 140 * 16);
}

void book(QPainter& p, QColor cover)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(cover);
    p.drawRoundedRect(10, 6, 42, 52, 3, 3);
    p.setBrush(Qt::white);
    p.drawRect(46, 10, 8, 44);
    p.setPen(QPen(kInk, 2));
    p.drawLine(16, 6, 16, 58);
}

void drawPrimaNota(QPainter& p)
{
    book(p, QColor(60, 120, 190));
    mark(p, "PN", Qt::white, QRectF(16, 18, 30, 24), 16);
}

void drawPrimaNotaG(QPainter& p)
{
    book(p, QColor(190, 80, 60));
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::white);
    p.drawRect(20, 16, 22, 22);
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(20, 16, 22, 6);
    mark(p, "1", kInk, QRectF(20, 22, 22, 16), 13);
}

void drawCoperture(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(60, 150, 90));
    QPainterPath shield;
    shield.moveTo(32, 4);
    shield.lineTo(56, 12);
    shield.cubicTo(56, 38, 46, 52, 32, 60);
    shield.cubicTo(18, 52, 8, 38, 8, 12);
    shield.closeSubpath();
    p.drawPath(shield);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(22, 32, 30, 40);
    p.drawLine(30, 40, 43, 24);
}

void drawModulistica(QPainter& p)
{
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(220, 220, 230));
    p.drawRect(20, 4, 34, 42);
    p.setBrush(QColor(235, 235, 240));
    p.drawRect(15, 10, 34, 42);
    p.setBrush(Qt::white);
    p.drawRect(10, 16, 34, 42);
    p.setPen(QPen(kInk, 1.5));
    for (int y = 24; y <= 50; y += 8) p.drawRect(14, y - 3, 26, 5);
}

void drawCassa(QPainter& p)
{
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(90, 90, 100));
    p.drawRect(8, 36, 48, 22);
    p.setBrush(QColor(150, 220, 160));
    p.drawRect(30, 8, 24, 14);
    p.setBrush(QColor(170, 170, 180));
    p.drawRect(10, 22, 44, 14);
    p.setPen(QPen(Qt::white, 2));
    for (int x = 14; x <= 48; x += 8) p.drawPoint(x, 29);
    p.setBrush(QColor(240, 190, 50));
    p.setPen(QPen(kInk, 1.5));
    p.drawRect(16, 44, 32, 8);
}

const std::map<std::string, std::pair<Drawer, QColor>>& drawers()
{
    static const std::map<std::string, std::pair<Drawer, QColor>> table = {
        {"POLIZZE", {drawPolizze, QColor(210, 225, 245)}},
        {"SINISTRI", {drawSinistri, QColor(245, 225, 215)}},
        {"MOVICOMP", {drawMoviComp, QColor(225, 240, 225)}},
        {"MOVICONT", {drawMoviCont, QColor(245, 240, 210)}},
        {"FATTURE", {drawFatture, QColor(230, 245, 230)}},
        {"PREVENT", {drawPrevent, QColor(220, 230, 250)}},
        {"QUIETANZ", {drawQuietanz, QColor(225, 245, 235)}},
        {"QUESTADE", {drawQuestade, QColor(245, 235, 220)}},
        {"CLIENTI", {drawClienti, QColor(235, 230, 245)}},
        {"DISDETTE", {drawDisdette, QColor(245, 220, 220)}},
        {"SCADENZE", {drawScadenze, QColor(240, 235, 215)}},
        {"NUOVI", {drawNuovi, QColor(230, 240, 250)}},
        {"AVVISI", {drawAvvisi, QColor(220, 235, 245)}},
        {"DISDETTE2", {drawDisdette2, QColor(240, 225, 235)}},
        {"REPORTING", {drawReporting, QColor(235, 240, 240)}},
        {"SRAPPORTI", {drawSRapporti, QColor(225, 230, 240)}},
        {"SPRODUTT", {drawSProdutt, QColor(235, 245, 225)}},
        {"RIESITCON", {drawRiesitcon, QColor(240, 240, 230)}},
        {"PRIMANOTA", {drawPrimaNota, QColor(225, 235, 245)}},
        {"PRIMANOTAG", {drawPrimaNotaG, QColor(245, 230, 225)}},
        {"COPERTURE", {drawCoperture, QColor(225, 240, 230)}},
        {"MODULISTICA", {drawModulistica, QColor(235, 235, 245)}},
        {"CASSA", {drawCassa, QColor(240, 235, 230)}},
    };
    return table;
}

} // namespace

QImage toolbarPicture(const std::string& bitmap, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    auto it = drawers().find(bitmap);
    p.setPen(Qt::NoPen);
    p.setBrush(it == drawers().end() ? QColor(220, 220, 220) : it->second.second);
    p.drawRoundedRect(QRectF(1, 1, 62, 62), 10, 10);
    if (it != drawers().end()) it->second.first(p);
    return image;
}

QIcon toolbarIcon(const std::string& bitmap)
{
    QIcon icon;
    for (int size : {24, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(toolbarPicture(bitmap, size)));
    return icon;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 70, 160));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        QFont f("Sans");
        f.setBold(true);
        f.setPixelSize(40);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, 64, 64), Qt::AlignCenter, "A");
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace arv

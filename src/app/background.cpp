#include "app/background.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "common/version.h"

namespace arv {

QImage drawBackgroundPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    // A deep blue sky fading to a pale horizon.
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0.0, QColor(18, 42, 86));
    sky.setColorAt(0.62, QColor(58, 104, 160));
    sky.setColorAt(1.0, QColor(196, 214, 232));
    p.fillRect(picture.rect(), sky);

    // Three soft hills across the lower third, the farthest palest.
    const QColor hills[] = {QColor(120, 150, 186), QColor(84, 120, 164), QColor(44, 78, 122)};
    for (int i = 0; i < 3; ++i) {
        const double base = height * (0.70 + 0.09 * i);
        QPainterPath path;
        path.moveTo(0, height);
        path.lineTo(0, base);
        path.cubicTo(width * (0.20 + 0.1 * i), base - height * 0.12, width * (0.55 - 0.05 * i), base + height * 0.06,
                     width, base - height * (0.05 + 0.03 * i));
        path.lineTo(width, height);
        path.closeSubpath();
        p.fillPath(path, hills[i]);
    }

    // A shield, the agency's trade, above the name.
    const double unit = height / 800.0;
    const QPointF centre(width / 2.0, height * 0.33);
    QPainterPath shield;
    shield.moveTo(centre.x(), centre.y() - 70 * unit);
    shield.cubicTo(centre.x() + 40 * unit, centre.y() - 52 * unit, centre.x() + 62 * unit, centre.y() - 56 * unit,
                   centre.x() + 62 * unit, centre.y() - 56 * unit);
    shield.cubicTo(centre.x() + 64 * unit, centre.y() + 10 * unit, centre.x() + 40 * unit, centre.y() + 50 * unit,
                   centre.x(), centre.y() + 74 * unit);
    shield.cubicTo(centre.x() - 40 * unit, centre.y() + 50 * unit, centre.x() - 64 * unit, centre.y() + 10 * unit,
                   centre.x() - 62 * unit, centre.y() - 56 * unit);
    shield.cubicTo(centre.x() - 62 * unit, centre.y() - 56 * unit, centre.x() - 40 * unit, centre.y() - 52 * unit,
                   centre.x(), centre.y() - 70 * unit);
    QRadialGradient glow(centre, 90 * unit);
    glow.setColorAt(0, QColor(255, 255, 255, 230));
    glow.setColorAt(1, QColor(214, 226, 240, 230));
    p.fillPath(shield, glow);
    p.setPen(QPen(QColor(18, 42, 86), 3 * unit));
    p.drawPath(shield);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(58, 104, 160));
    p.drawRect(QRectF(centre.x() - 8 * unit, centre.y() - 40 * unit, 16 * unit, 80 * unit));
    p.drawRect(QRectF(centre.x() - 36 * unit, centre.y() - 12 * unit, 72 * unit, 16 * unit));

    // The program's name and what it is for.
    QFont title(QStringLiteral("Liberation Serif"));
    title.setPixelSize(int(84 * unit));
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255));
    const QRectF titleBox(0, height * 0.45, width, 110 * unit);
    p.drawText(titleBox, Qt::AlignCenter, QString::fromUtf8(kProgramName));

    QFont line(QStringLiteral("Liberation Sans"));
    line.setPixelSize(int(26 * unit));
    p.setFont(line);
    p.setPen(QColor(228, 236, 246));
    p.drawText(QRectF(0, titleBox.bottom(), width, 40 * unit), Qt::AlignCenter,
               QStringLiteral("Gestione dell'agenzia di assicurazioni"));
    p.end();
    return picture;
}

bool writeBackgroundPicture(const std::filesystem::path& file)
{
    return drawBackgroundPicture().save(QString::fromStdString(file.string()), "BMP");
}

} // namespace arv

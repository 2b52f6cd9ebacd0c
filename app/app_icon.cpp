#include "app_icon.h"

#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

} // namespace

QImage paintAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // The tile: a sheet with its top-right corner folded over.
    QPainterPath sheet;
    sheet.moveTo(8, 4);
    sheet.lineTo(44, 4);
    sheet.lineTo(58, 18);
    sheet.lineTo(58, 56);
    sheet.quadTo(58, 60, 54, 60);
    sheet.lineTo(8, 60);
    sheet.quadTo(4, 60, 4, 56);
    sheet.lineTo(4, 8);
    sheet.quadTo(4, 4, 8, 4);
    QLinearGradient fill(0, 4, 0, 60);
    fill.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    fill.setColorAt(1, QColor(0x0b, 0x22, 0x3a));
    p.fillPath(sheet, fill);

    QPainterPath fold;
    fold.moveTo(44, 4);
    fold.lineTo(44, 18);
    fold.lineTo(58, 18);
    fold.closeSubpath();
    p.fillPath(fold, QColor(0x7f, 0xb3, 0xe0));

    // Zero line and one and a half periods of a sine.
    p.setPen(QPen(QColor(0x5d, 0x86, 0xad), 1.5));
    p.drawLine(QPointF(10, 36), QPointF(52, 36));

    QPainterPath wave;
    const int steps = 96;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const QPointF point(10 + 42 * t, 36 - 15 * std::sin(t * 3 * 3.14159265358979));
        if (i == 0)
            wave.moveTo(point);
        else
            wave.lineTo(point);
    }
    p.setPen(QPen(QColor(0xff, 0xc8, 0x3d), size <= 24 ? 6 : 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(paintAppIcon(size)));
    return icon;
}

bool writeAppIconFiles(const QString& directory)
{
    for (int size : kIconSizes) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(directory).arg(size);
        if (!QDir().mkpath(dir) || !paintAppIcon(size).save(dir + QStringLiteral("/veltrane.png")))
            return false;
    }
    return true;
}

#include "ui/window_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace nubivo {

QImage drawViewerIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 48-unit grid and scaled, so every size has the same picture.
    painter.scale(size / 48.0, size / 48.0);

    // The sun, upper right, with eight rays.
    const QPointF sun(30, 17);
    QPen ray(QColor(0xF2, 0x9A, 0x05), 3.0, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(ray);
    for (int i = 0; i < 8; ++i) {
        double angle = i * std::numbers::pi / 4;
        painter.drawLine(sun + QPointF(std::cos(angle) * 12, std::sin(angle) * 12),
                         sun + QPointF(std::cos(angle) * 16, std::sin(angle) * 16));
    }
    QRadialGradient glow(sun - QPointF(3, 3), 11);
    glow.setColorAt(0, QColor(0xFF, 0xE8, 0x4A));
    glow.setColorAt(1, QColor(0xFB, 0xB0, 0x10));
    painter.setPen(QPen(QColor(0xD9, 0x80, 0x00), 1.2));
    painter.setBrush(glow);
    painter.drawEllipse(sun, 9.5, 9.5);

    // The cloud, lower left, overlapping the sun.
    QPainterPath cloud;
    cloud.addEllipse(QPointF(14, 32), 9, 8);
    cloud.addEllipse(QPointF(24, 26), 11, 11);
    cloud.addEllipse(QPointF(34, 32), 8, 7.5);
    cloud.addRoundedRect(QRectF(6, 30, 36, 11), 5.5, 5.5);
    cloud = cloud.simplified();
    QLinearGradient shade(0, 15, 0, 41);
    shade.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    shade.setColorAt(1, QColor(0xC8, 0xD6, 0xE8));
    painter.setPen(QPen(QColor(0x4A, 0x6A, 0x94), 1.6));
    painter.setBrush(shade);
    painter.drawPath(cloud);
    return icon;
}

}  // namespace nubivo

#include "ui/SatelliteDrawing.h"

#include <QPixmap>
#include <QWidget>

#include <QPainter>
#include <QPalette>

namespace ui {

QFont satelliteLabelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(7);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void drawSunkenBackground(QPainter& painter, const QPalette& palette, const QRect& rect) {
    painter.fillRect(rect, palette.color(QPalette::Button));
    const QColor shadow = palette.color(QPalette::Dark);
    const QColor highlight = palette.color(QPalette::Light);
    // Sunken: shadow on the top and left edges, highlight on the bottom and right, two pixels.
    for (int i = 0; i < 2; ++i) {
        const QRect r = rect.adjusted(i, i, -i, -i);
        painter.setPen(shadow);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(highlight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
}

void fitPicture(QPixmap& picture, const QWidget& widget) {
    const qreal ratio = widget.devicePixelRatioF();
    if (picture.size() == widget.size() * ratio) return;
    picture = QPixmap(widget.size() * ratio);
    picture.setDevicePixelRatio(ratio);
}

} // namespace ui

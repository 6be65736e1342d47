#include "ui/CSatPic.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <numbers>

#include "ui/SatelliteDrawing.h"

CSatPic::CSatPic(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Sky plot"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSatPic::setSnapshot(const ui::SatelliteSnapshot& snapshot) {
    snapshot_ = snapshot;
    update();
}

QRectF CSatPic::horizonRect(const QRect& client) {
    return QRectF(client).adjusted(2, 2, -2, -2);
}

QRectF CSatPic::innerRect(const QRect& client) {
    const QRectF horizon = horizonRect(client);
    const double dx = horizon.width() / 4;
    const double dy = horizon.height() / 4;
    return horizon.adjusted(dx, dy, -dx, -dy);
}

QPointF CSatPic::labelCentre(const QRect& client, int azimuth, int elevation) {
    const QRectF horizon = horizonRect(client);
    // The middle of the horizon circle, so that the horizon itself is at the radius.
    const QPointF centre = horizon.center();
    const double radius = horizon.width() / 2;
    const double degrees = azimuth < 90 ? 90.0 - azimuth : 450.0 - azimuth;
    const double a = degrees * std::numbers::pi / 180.0;
    const double r = radius * std::cos(elevation * std::numbers::pi / 180.0);
    return {centre.x() + r * std::cos(a), centre.y() - r * std::sin(a)};
}

std::vector<CSatPic::SkyLabel> CSatPic::labels(const QRect& client,
                                               const QFontMetrics& metrics) const {
    std::vector<SkyLabel> result;
    result.reserve(static_cast<std::size_t>(snapshot_.count));
    for (const ui::SatelliteEntry& s : snapshot_) {
        const QString text = QString::fromStdString(ui::satelliteLabel(s));
        const QPointF centre = labelCentre(client, s.azimuth, s.elevation);
        const QSizeF size(metrics.horizontalAdvance(text), metrics.height());
        result.push_back({text,
                          QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2,
                                 size.width(), size.height()),
                          s.used});
    }
    return result;
}

void CSatPic::render() {
    ui::fitPicture(picture_, *this);
    QPainter painter(&picture_);
    // The plot is the largest square the widget holds, centred, so the horizon stays a circle
    // whatever room the layout gives.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const int side = std::min(width(), height());
    const QRect client((width() - side) / 2, (height() - side) / 2, side, side);
    ui::drawSunkenBackground(painter, palette(), client);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(horizonRect(client));
    painter.drawEllipse(innerRect(client));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(ui::satelliteLabelFont());
    for (const SkyLabel& label : labels(client, QFontMetrics(painter.font()))) {
        if (label.framed) painter.drawRect(label.box.adjusted(-2, -2, 2, 2));
        painter.drawText(label.box, Qt::AlignCenter, label.text);
    }
}

void CSatPic::paintEvent(QPaintEvent*) {
    render();
    QPainter(this).drawPixmap(0, 0, picture_);
}

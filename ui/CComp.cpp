#include "ui/CComp.h"

#include <QPainter>
#include <QPolygon>
#include <cmath>

#include "ui/SatelliteDrawing.h"

namespace ui {

const std::array<const char*, CompassGeometry::kLabels> kCompassLabels = {"N", "NE", "E", "SE",
                                                                          "S", "SW", "W", "NW"};
const std::array<const char*, CompassGeometry::kLabels> kCompassLabelBoxes = {
    " N ", " NE", " E ", " SE", " S ", " SW", " W ", " NW"};

namespace {

constexpr double kRadiansPerDegree = 0.0174533;
constexpr double kPi = 3.1415926535;
constexpr double kUp = 4.71238898025; // turns "clockwise from the top" into screen angles

// The point at distance d from c in direction a (screen radians), offsets truncated.
QPoint along(const QPoint& c, double d, double a) {
    return {c.x() + static_cast<int>(d * std::cos(a)), c.y() + static_cast<int>(d * std::sin(a))};
}

} // namespace

CompassGeometry compassGeometry(const QSize& client, double track, double bearing) {
    CompassGeometry g;
    const int w = client.width();
    const int h = client.height();
    g.dial = QRect(QPoint(w / 6, h / 6), QPoint(w - w / 6 - 1, h - h / 6 - 1));
    g.radius = (w - 2 * (w / 6)) / 2;
    g.centre = QPoint(w / 2, h / 2);
    for (int i = 0; i < CompassGeometry::kLabels; ++i) {
        const double degrees = 360.0 - track + 45.0 * i;
        g.labels[i] = along(g.centre, g.radius, degrees * kRadiansPerDegree + kUp);
    }
    const double a = (bearing - track) * kRadiansPerDegree + kUp;
    g.lineStart = along(g.centre, g.radius + 15, a + kPi);
    g.lineEnd = along(g.centre, g.radius + 15, a);
    g.tip = along(g.centre, g.radius + 22, a);
    g.arrowhead = {g.tip, along(g.tip, 10, a + 2.3561955), along(g.tip, 10, a + 3.9269925)};
    g.centreSquare = QRect(g.centre.x() - 2, g.centre.y() - 2, 4, 4);
    g.mark = QLine(g.centre.x(), 0, g.centre.x(), h / 10);
    return g;
}

} // namespace ui

CComp::CComp(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Compass"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CComp::setValues(double track, double bearing) {
    if (track >= 0) track_ = track;
    if (bearing >= 0) bearing_ = bearing;
    update();
}

ui::CompassGeometry CComp::geometryNow() const {
    return ui::compassGeometry(size(), track_, bearing_);
}

void CComp::render() {
    ui::fitPicture(picture_, *this);
    QPainter painter(&picture_);
    const QPalette& colours = palette();
    ui::drawSunkenBackground(painter, colours, rect());
    painter.setClipRect(rect().adjusted(1, 0, -1, 0));
    painter.setFont(ui::satelliteLabelFont());
    const ui::CompassGeometry g = geometryNow();

    painter.setPen(Qt::black);
    painter.setBrush(colours.color(QPalette::Button));
    painter.drawEllipse(g.dial);

    const QFontMetrics metrics(painter.font());
    for (int i = 0; i < ui::CompassGeometry::kLabels; ++i) {
        const QSize box(metrics.horizontalAdvance(QLatin1String(ui::kCompassLabelBoxes[i])),
                        metrics.height());
        const QRect where(g.labels[i] - QPoint(box.width() / 2, box.height() / 2), box);
        painter.drawText(where, Qt::AlignCenter, QLatin1String(ui::kCompassLabels[i]));
    }

    painter.drawLine(g.lineStart, g.lineEnd);
    painter.drawLine(g.lineEnd, g.tip);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon({g.arrowhead[0], g.arrowhead[1], g.arrowhead[2]}));
    painter.fillRect(g.centreSquare, Qt::black);
    painter.drawLine(g.mark);
}

void CComp::paintEvent(QPaintEvent*) {
    render();
    QPainter(this).drawPixmap(0, 0, picture_);
}

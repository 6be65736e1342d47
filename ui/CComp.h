#pragma once
// The compass of the Nav screen: a dial turned so that the direction of travel is at the top, a
// line through the centre towards the target with an arrowhead, and a fixed mark at the top.
// Painted off screen and copied in one step; the geometry comes from compassGeometry(), which the
// tests read instead of pixels.

#include <QLine>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>

namespace ui {

// Where everything of the compass goes in a client area of a given size.
struct CompassGeometry {
    static constexpr int kLabels = 8;
    QRect dial;     // the client area less a sixth of its width and height on each side
    int radius = 0; // half the dial's width
    QPoint centre;  // half the client width and height
    // Label centres in the order "N", "NE", "E", "SE", "S", "SW", "W", "NW".
    std::array<QPoint, kLabels> labels{};
    QPoint lineStart;                  // r + 15 behind the centre
    QPoint lineEnd;                    // r + 15 ahead, towards the target
    QPoint tip;                        // r + 22 ahead
    std::array<QPoint, 3> arrowhead{}; // the tip and the two back corners
    QRect centreSquare;
    QLine mark; // the fixed mark at the top
};

// The compass for a track and a target bearing (degrees, as shown).
CompassGeometry compassGeometry(const QSize& client, double track, double bearing);

// The label texts and the texts that size their boxes.
extern const std::array<const char*, CompassGeometry::kLabels> kCompassLabels;
extern const std::array<const char*, CompassGeometry::kLabels> kCompassLabelBoxes;

} // namespace ui

class CComp : public QWidget {
    Q_OBJECT
public:
    explicit CComp(QWidget* parent = nullptr);

    // New directions from the navigation; a value below 0 leaves that direction as it was. Every
    // call redraws.
    void setValues(double track, double bearing);
    double track() const { return track_; }
    double bearing() const { return bearing_; }
    ui::CompassGeometry geometryNow() const;

    QSize sizeHint() const override { return {130, 130}; }
    QSize minimumSizeHint() const override { return {60, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void render();

    double track_ = 0; // before the first update the dial shows north up and the target ahead
    double bearing_ = 0;
    QPixmap picture_;
};

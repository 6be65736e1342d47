#pragma once
// The sky plot of the GPS screen: the horizon circle, the 60-degree ring and every satellite's
// label at its azimuth and elevation (north up, east right), used satellites framed. Painted off
// screen and copied in one step.

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/SatelliteSnapshot.h"

class QFontMetrics;

class CSatPic : public QWidget {
    Q_OBJECT
public:
    explicit CSatPic(QWidget* parent = nullptr);

    void setSnapshot(const ui::SatelliteSnapshot& snapshot);
    const ui::SatelliteSnapshot& snapshot() const { return snapshot_; }

    // The horizon circle's rectangle: the client rectangle less 2 pixels on each side.
    static QRectF horizonRect(const QRect& client);
    // The 60-degree ring's rectangle: the horizon's less a quarter of its size on each side.
    static QRectF innerRect(const QRect& client);
    // Where a satellite's label is centred.
    static QPointF labelCentre(const QRect& client, int azimuth, int elevation);

    // A satellite's label as drawn: its text, the text's box and whether it is framed (used).
    struct SkyLabel {
        QString text;
        QRectF box;
        bool framed = false;
    };
    // The labels of the snapshot's satellites in a plot of this client rectangle and font.
    std::vector<SkyLabel> labels(const QRect& client, const QFontMetrics& metrics) const;

    QSize sizeHint() const override { return {140, 140}; }
    QSize minimumSizeHint() const override { return {60, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void render();

    ui::SatelliteSnapshot snapshot_;
    QPixmap picture_;
};

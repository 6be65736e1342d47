#pragma once
// The sky plot of the GPS screen: the horizon circle, the 60-degree ring and every satellite's
// label at its azimuth and elevation (north up, east right), used satellites framed. Painted off
// screen and copied in one step.

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include "ui/SatelliteSnapshot.h"

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

    QSize sizeHint() const override { return {140, 140}; }
    QSize minimumSizeHint() const override { return {60, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void render();

    ui::SatelliteSnapshot snapshot_;
    QPixmap picture_;
};

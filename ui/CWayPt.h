#pragma once
// "Way Point (DD)": the waypoint editor for decimal degrees, each with its hemisphere list.

#include "ui/WaypointEditor.h"

class CWayPt : public WaypointEditor {
    Q_OBJECT
public:
    explicit CWayPt(engine::GpsEngine& engine, QWidget* parent = nullptr);

protected:
    void showPosition(double latitude, double longitude) override;
    bool readPosition(double& latitude, double& longitude) override;

private:
    QLineEdit* latitude_;
    QComboBox* latitudeHemisphere_;
    QLineEdit* longitude_;
    QComboBox* longitudeHemisphere_;
};

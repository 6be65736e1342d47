#pragma once
// "Waypoint (UTM)": the waypoint editor for a UTM zone with its latitude band, northing and
// easting in metres on the ellipsoid of the configured datum.

#include "ui/WaypointEditor.h"

class CWayptUTM : public WaypointEditor {
    Q_OBJECT
public:
    explicit CWayptUTM(engine::GpsEngine& engine, QWidget* parent = nullptr);

protected:
    void showPosition(double latitude, double longitude) override;
    bool readPosition(double& latitude, double& longitude) override;

private:
    QLineEdit* zone_;
    QComboBox* band_;
    QLineEdit* northing_;
    QLineEdit* easting_;
};

#pragma once
// "Waypoint (DM)": the waypoint editor for whole degrees and decimal minutes, with hemisphere
// lists.

#include "ui/WaypointEditor.h"

class CWayptDM : public WaypointEditor {
    Q_OBJECT
public:
    explicit CWayptDM(engine::GpsEngine& engine, QWidget* parent = nullptr);

protected:
    void showPosition(double latitude, double longitude) override;
    bool readPosition(double& latitude, double& longitude) override;

private:
    struct Angle {
        QLineEdit* degrees;
        QLineEdit* minutes;
        QComboBox* hemisphere;
    };
    Angle addAngle(const QString& caption, const char* positive, const char* negative, int row);
    void showAngle(const Angle& angle, double value, bool negative);
    bool readAngle(const Angle& angle, int high, double& value);

    Angle latitude_;
    Angle longitude_;
};

#include "ui/CWayptDM.h"

#include <QComboBox>
#include <QLineEdit>
#include <cmath>

#include "ui/NumberEntry.h"

CWayptDM::CWayptDM(engine::GpsEngine& engine, QWidget* parent)
    : WaypointEditor(engine, QStringLiteral("Waypoint (DM)"), parent),
      latitude_(addAngle(QStringLiteral("Latitude"), "N", "S", 0)),
      longitude_(addAngle(QStringLiteral("Longitude"), "E", "W", 1)) {}

CWayptDM::Angle CWayptDM::addAngle(const QString& caption, const char* positive,
                                   const char* negative, int row) {
    Angle angle;
    angle.degrees = addPositionField(caption, caption + QStringLiteral(" degrees"), row, 1);
    angle.minutes = addPositionField(QString(), caption + QStringLiteral(" minutes"), row, 2);
    angle.hemisphere =
        addHemisphereList(positive, negative, caption + QStringLiteral(" hemisphere"), row, 3);
    return angle;
}

void CWayptDM::showAngle(const Angle& angle, double value, bool negative) {
    setHemisphere(*angle.hemisphere, negative);
    const double absolute = std::fabs(value);
    const int degrees = static_cast<int>(absolute);
    angle.degrees->setText(QString::number(degrees));
    angle.minutes->setText(fieldText((absolute - degrees) * 60.0));
}

bool CWayptDM::readAngle(const Angle& angle, int high, double& value) {
    const std::optional<int> degrees = ui::readInteger(*angle.degrees, 0, high, prompter());
    if (!degrees) return false;
    const std::optional<double> minutes = ui::readNumber(*angle.minutes, 0, 60, prompter());
    if (!minutes) return false;
    const double absolute = *degrees + *minutes / 60.0;
    if (refuseAbove(*angle.degrees, absolute, high)) return false;
    value = withHemisphere(*angle.hemisphere, absolute);
    return true;
}

void CWayptDM::showPosition(double latitude, double longitude) {
    showAngle(latitude_, latitude, latitude < 0);
    showAngle(longitude_, longitude, longitude <= 0);
}

bool CWayptDM::readPosition(double& latitude, double& longitude) {
    return readAngle(latitude_, 90, latitude) && readAngle(longitude_, 180, longitude);
}

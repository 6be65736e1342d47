#include "ui/CWayptDMS.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "ui/NumberEntry.h"

CWayptDMS::CWayptDMS(engine::GpsEngine& engine, QWidget* parent)
    : WaypointEditor(engine, QStringLiteral("Waypoint (DMS)"), parent),
      latitude_(addAngle(QStringLiteral("Latitude"), "N", "S", 1)),
      longitude_(addAngle(QStringLiteral("Longitude"), "E", "W", 2)) {
    // The "Units" row names the columns.
    positionGrid()->addWidget(new QLabel(QStringLiteral("Units"), this), 0, 0);
    int column = 1;
    for (const char* unit : {"deg", "min", "sec"})
        positionGrid()->addWidget(new QLabel(QString::fromLatin1(unit), this), 0, column++);
}

CWayptDMS::Angle CWayptDMS::addAngle(const QString& caption, const char* positive,
                                     const char* negative, int row) {
    Angle angle;
    angle.degrees = addPositionField(caption, caption + QStringLiteral(" degrees"), row, 1);
    angle.minutes = addPositionField(QString(), caption + QStringLiteral(" minutes"), row, 2);
    angle.seconds = addPositionField(QString(), caption + QStringLiteral(" seconds"), row, 3);
    angle.hemisphere =
        addHemisphereList(positive, negative, caption + QStringLiteral(" hemisphere"), row, 4);
    return angle;
}

void CWayptDMS::showAngle(const Angle& angle, double value, bool negative) {
    setHemisphere(*angle.hemisphere, negative);
    const double absolute = std::fabs(value);
    const int degrees = static_cast<int>(absolute);
    const double minutes = (absolute - degrees) * 60.0;
    const int wholeMinutes = static_cast<int>(minutes);
    angle.degrees->setText(QString::number(degrees));
    angle.minutes->setText(QString::number(wholeMinutes));
    angle.seconds->setText(fieldText((minutes - wholeMinutes) * 60.0));
}

bool CWayptDMS::readAngle(const Angle& angle, int high, double& value) {
    const std::optional<int> degrees = ui::readInteger(*angle.degrees, 0, high, prompter());
    if (!degrees) return false;
    const std::optional<int> minutes = ui::readInteger(*angle.minutes, 0, 59, prompter());
    if (!minutes) return false;
    const std::optional<double> seconds = ui::readNumber(*angle.seconds, 0, 60, prompter());
    if (!seconds) return false;
    const double absolute = *degrees + (*minutes + *seconds / 60.0) / 60.0;
    if (refuseAbove(*angle.degrees, absolute, high)) return false;
    value = withHemisphere(*angle.hemisphere, absolute);
    return true;
}

void CWayptDMS::showPosition(double latitude, double longitude) {
    showAngle(latitude_, latitude, latitude < 0);
    showAngle(longitude_, longitude, longitude <= 0);
}

bool CWayptDMS::readPosition(double& latitude, double& longitude) {
    return readAngle(latitude_, 90, latitude) && readAngle(longitude_, 180, longitude);
}

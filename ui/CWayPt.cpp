#include "ui/CWayPt.h"

#include <QComboBox>
#include <QLineEdit>
#include <cmath>

#include "ui/NumberEntry.h"

CWayPt::CWayPt(engine::GpsEngine& engine, QWidget* parent)
    : WaypointEditor(engine, QStringLiteral("Way Point (DD)"), parent),
      latitude_(addPositionField(QStringLiteral("Latitude"), QStringLiteral("Latitude"), 0, 1)),
      latitudeHemisphere_(addHemisphereList("N", "S", QStringLiteral("Latitude hemisphere"), 0, 2)),
      longitude_(addPositionField(QStringLiteral("Longitude"), QStringLiteral("Longitude"), 1, 1)),
      longitudeHemisphere_(
          addHemisphereList("E", "W", QStringLiteral("Longitude hemisphere"), 1, 2)) {}

void CWayPt::showPosition(double latitude, double longitude) {
    setHemisphere(*latitudeHemisphere_, latitude < 0);
    setHemisphere(*longitudeHemisphere_, longitude <= 0);
    latitude_->setText(fieldText(std::fabs(latitude)));
    longitude_->setText(fieldText(std::fabs(longitude)));
}

bool CWayPt::readPosition(double& latitude, double& longitude) {
    const std::optional<double> lat = ui::readNumber(*latitude_, 0, 90, prompter());
    if (!lat) return false;
    const std::optional<double> lon = ui::readNumber(*longitude_, 0, 180, prompter());
    if (!lon) return false;
    latitude = withHemisphere(*latitudeHemisphere_, *lat);
    longitude = withHemisphere(*longitudeHemisphere_, *lon);
    return true;
}

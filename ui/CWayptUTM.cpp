#include "ui/CWayptUTM.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Utm.h"
#include "ui/NumberEntry.h"

namespace {

// The latitude bands from south to north; the band decides the hemisphere on the way back.
constexpr const char* kBands = "CDEFGHJKLMNPQRSTUVWX";
constexpr double kMaxNorthing = 10000000.0;
constexpr double kMaxEasting = 1000000.0;

} // namespace

CWayptUTM::CWayptUTM(engine::GpsEngine& engine, QWidget* parent)
    : WaypointEditor(engine, QStringLiteral("Waypoint (UTM)"), parent),
      zone_(addPositionField(QStringLiteral("Zone"), QStringLiteral("Zone"), 0, 1)),
      band_(addChoiceList(QString::fromLatin1(kBands).split(QString(), Qt::SkipEmptyParts),
                          QStringLiteral("Latitude band"), 0, 2)),
      northing_(addPositionField(QStringLiteral("Northing"), QStringLiteral("Northing"), 1, 1)),
      easting_(addPositionField(QStringLiteral("Easting"), QStringLiteral("Easting"), 2, 1)) {
    auto* units = new QLabel(QStringLiteral("m"), this);
    units->setAccessibleName(QStringLiteral("Units"));
    positionGrid()->addWidget(new QLabel(QStringLiteral("Units"), this), 3, 0);
    positionGrid()->addWidget(units, 3, 1);
}

void CWayptUTM::showPosition(double latitude, double longitude) {
    double northing = 0, easting = 0;
    char zone[geodesy::kUtmZoneTextSize] = {};
    geodesy::utmFromGeodetic(geodesy::datumTable(), engine().settings.Datum, latitude, longitude,
                             northing, easting, zone);
    zone_->setText(QString::number(std::atoi(zone)));
    // Beyond the bands (letter Z) the list keeps the hemisphere: the southernmost or the
    // northernmost band.
    const char* band = zone[0] != 0 ? std::strchr(kBands, zone[std::strlen(zone) - 1]) : nullptr;
    if (band == nullptr) band = std::strchr(kBands, latitude < 0 ? 'C' : 'X');
    band_->setCurrentIndex(static_cast<int>(band - kBands));
    northing_->setText(fieldText(northing));
    easting_->setText(fieldText(easting));
}

bool CWayptUTM::readPosition(double& latitude, double& longitude) {
    const std::optional<int> zone = ui::readInteger(*zone_, 1, 60, prompter());
    if (!zone) return false;
    const std::optional<double> northing = ui::readNumber(*northing_, 0, kMaxNorthing, prompter());
    if (!northing) return false;
    const std::optional<double> easting = ui::readNumber(*easting_, 0, kMaxEasting, prompter());
    if (!easting) return false;
    char zoneText[geodesy::kUtmZoneTextSize];
    std::snprintf(zoneText, sizeof zoneText, "%d%c", *zone,
                  kBands[std::max(0, band_->currentIndex())]);
    geodesy::geodeticFromUtm(geodesy::datumTable(), engine().settings.Datum, *northing, *easting,
                             zoneText, latitude, longitude);
    return true;
}

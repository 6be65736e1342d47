#include "data/OffsetInput.h"

#include <cmath>
#include <cstdio>

#include "data/InputRange.h"
#include "engine/Waypoint.h"
#include "geodesy/Constants.h"
#include "geodesy/Formatter.h"

namespace data {

namespace {

// A direction this close to north is kept as entered: the declination is not applied to it.
constexpr double kNorthWindow = 0.5;

bool nearNorth(double direction) {
    return direction >= -kNorthWindow && direction <= kNorthWindow;
}

} // namespace

OffsetInputValues offsetInputShown(double distance, double direction, double slope, int32_t units,
                                   int16_t directionRef, float declination) {
    OffsetInputValues v;
    v.feet = units != geodesy::Metric && units != geodesy::Meters;
    v.unitLabel = v.feet ? "ft" : "m ";
    const double shown = v.feet ? distance * geodesy::kFeetPerMetre : distance;
    v.distance = std::round(shown * 100.0) / 100.0;
    v.direction = direction;
    if (directionRef >= 0 && !nearNorth(direction)) v.direction = direction + declination;
    v.slope = slope;
    v.directionRef = directionRef;
    v.declination = declination;
    if (directionRef == engine::kTrueNorthRef) {
        v.referenceLabel = "Ref:True North";
    } else if (directionRef == engine::kMagneticNorthRef) {
        char text[64];
        std::snprintf(text, sizeof text, "Ref:Mag North. Dec.Angl= %.2f", -declination);
        v.referenceLabel = text;
    }
    return v;
}

std::string offsetInputRefusal(const OffsetInputValues& values) {
    if (!inInputRange(values.distance, 0, kOffsetMaxDistance))
        return numberRangeRefusal(0, kOffsetMaxDistance);
    if (!inInputRange(values.direction, -kOffsetMaxAngle, kOffsetMaxAngle) ||
        !inInputRange(values.slope, -kOffsetMaxAngle, kOffsetMaxAngle))
        return numberRangeRefusal(-kOffsetMaxAngle, kOffsetMaxAngle);
    return {};
}

OffsetTaken offsetInputTaken(const OffsetInputValues& values) {
    OffsetTaken t;
    t.distance = values.feet ? values.distance / geodesy::kFeetPerMetre : values.distance;
    t.direction = values.direction;
    if (values.directionRef >= 0 && !nearNorth(values.direction))
        t.direction = values.direction - values.declination;
    t.slope = values.slope;
    t.offsetOn = std::fabs(values.distance) >= 1e-8;
    return t;
}

} // namespace data

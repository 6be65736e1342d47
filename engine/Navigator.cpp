#include "engine/Navigator.h"

#include <cstdio>
#include <mutex>
#include <span>

#include "engine/EngineFormat.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"
#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"
#include "geodesy/MagneticModel.h"
#include "geodesy/Navigation.h"
#include "geodesy/Offset.h"

namespace engine {

namespace {

constexpr const char* kModelOutdatedWithFix =
    "WMM.COF File outdated for WMM2K Calculations. Please update the file.";

template <std::size_t N> void setText(char16_t (&out)[N], const char* text) {
    std::size_t i = 0;
    for (; i + 1 < N && text[i] != '\0'; ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    out[i] = u'\0';
}

template <std::size_t N> void setNumber(char16_t (&out)[N], const char* format, double value) {
    char text[N];
    std::snprintf(text, sizeof text, format, value);
    setText(out, text);
}

// Brings a direction back into 0..360 once, as the screen does.
double normaliseOnce(double degrees) {
    if (degrees > 360.0) return degrees - 360.0;
    if (degrees < 0.0) return degrees + 360.0;
    return degrees;
}

} // namespace

Navigator::Place Navigator::waypointPlace(int slot) const {
    const Waypoint& w = engine_.waypoints.at(slot);
    if (w.offsetOn == 0) return {w.latitude, w.longitude};
    const geodesy::OffsetPosition moved = geodesy::applyOffset(
        geodesy::datumTable(), engine_.settings.Datum, {w.latitude, w.longitude, w.altitude},
        w.offsetDistance, w.offsetSlope, w.offsetDirection);
    return {moved.latitude, moved.longitude};
}

Navigator::Place Navigator::resolve(int selection) const {
    if (engine_.waypoints.inUse(selection)) return waypointPlace(selection);
    return {engine_.state.position.latitude, engine_.state.position.longitude};
}

double Navigator::magneticCorrection(NavigationDisplay& display, bool& refused) {
    const Settings& s = engine_.settings;
    const geodesy::HeadingCorrection correction =
        geodesy::headingCorrection(headingInputs(engine_));
    refused = correction.modelRefused;
    // The field shows the variation or declination itself: the negated correction (0 - c, so a
    // zero never reads "-0.00").
    const double shown = 0.0 - correction.degrees;
    switch (s.Heading) {
    case 'A':
        setNumber(display.magText, "%.2f A", shown);
        break;
    case 'M':
        setNumber(display.magText, "%.2f M", s.HeadingUserDecl);
        break;
    case 'T':
        setText(display.magText, "TRUE");
        break;
    case 'W':
        setNumber(display.magText, "%.2f WM", shown);
        break;
    default:
        break;
    }
    return correction.degrees;
}

void Navigator::showFromTo(const Place& from, const Place& to, double correction,
                           NavigationDisplay& display) {
    display.fromToDistanceMetres =
        geodesy::greatCircleDistance(from.latitude, from.longitude, to.latitude, to.longitude);
    formatDistance(engine_, display.fromToDistance, display.fromToDistanceMetres);
    display.fromToAzimuthDegrees = normaliseOnce(
        geodesy::initialBearing(from.latitude, from.longitude, to.latitude, to.longitude) +
        correction);
    setNumber(display.fromToAzimuth, "% .0f", display.fromToAzimuthDegrees);
}

void Navigator::showQuality(NavigationDisplay& display) {
    statusText(engine_, display.status, NavigationDisplay::kStatusCapacity);
    setNumber(display.pdop, "PDOP: % .1f", engine_.state.dop.pdop);
    const double ehe = estimatedHorizontalError(engine_);
    const int32_t units = engine_.settings.Units;
    if (!(ehe > 0))
        setText(display.ehe, "EHE: N/A  ");
    else if (units == 1 || units == 4)
        setNumber(display.ehe, "EHE: % .1f m ", ehe);
    else
        setNumber(display.ehe, "EHE: % .1f ft", ehe * geodesy::kFeetPerMetre);
}

void Navigator::showMotion(const Place& from, const Place& to, double correction,
                           NavigationDisplay& display) {
    const Place here = resolve(kHereSelection);
    display.trackDegrees = normaliseOnce(engine_.state.motion.trackTrue + correction);
    setNumber(display.track, "% .0f", display.trackDegrees);
    display.hereToBearingDegrees = normaliseOnce(
        geodesy::initialBearing(here.latitude, here.longitude, to.latitude, to.longitude) +
        correction);
    setNumber(display.hereToBearing, "% .0f", display.hereToBearingDegrees);
    if (engine_.state.motion.speed > 0.5f) {
        display.compassTrack = display.trackDegrees;
        display.compassBearing = display.hereToBearingDegrees;
        display.compassChanged = true;
    }
    formatSpeed(engine_, display.speed);
    display.hereToDistanceMetres =
        geodesy::greatCircleDistance(here.latitude, here.longitude, to.latitude, to.longitude);
    formatDistance(engine_, display.hereToDistance, display.hereToDistanceMetres);
    double xte =
        geodesy::crossTrackError({from.latitude, from.longitude, 0}, {to.latitude, to.longitude, 0},
                                 {here.latitude, here.longitude, 0});
    if (xte > -0.05 && xte < 0.05) xte = 0;
    display.crossTrackMetres = xte;
    formatDistance(engine_, display.crossTrack, xte);
}

// A refused model is reported once, not at every update (a message box five times a second would
// make the program unusable); it is reported again after the model has worked in between.
void Navigator::reportRefusal(bool refused, const char* message) {
    if (refused && !refusalShown_) engine_.prompter().message(message);
    refusalShown_ = refused;
}

void Navigator::updateNavigation(int from, int to, NavigationDisplay& display) {
    display.compassChanged = false;
    bool refusedWithoutFix = false;
    bool refusedWithFix = false;
    {
        std::lock_guard<std::mutex> hold(engine_.lock());
        const bool fix = engine_.state.position.quality != 0;
        // Without a fix only a course between two stored waypoints can be shown.
        if (!fix && engine_.waypoints.inUse(from) && engine_.waypoints.inUse(to)) {
            const double c = magneticCorrection(display, refusedWithoutFix);
            showFromTo(resolve(from), resolve(to), c, display);
        }
        showQuality(display);
        if (fix) {
            const double c = magneticCorrection(display, refusedWithFix);
            const Place origin = resolve(from);
            const Place target = resolve(to);
            showFromTo(origin, target, c, display);
            showMotion(origin, target, c, display);
        }
    }
    if (refusedWithoutFix)
        reportRefusal(true, geodesy::kMagneticOutdatedMessage);
    else
        reportRefusal(refusedWithFix, kModelOutdatedWithFix);
}

void Navigator::updateWaypointDistances(int slot) {
    WaypointStore& store = engine_.waypoints;
    if (store.count() == 0) return;
    Place here;
    {
        std::lock_guard<std::mutex> hold(engine_.lock());
        const uint32_t tick = engine_.state.position.ggaTick;
        if (tick == 0) { // no position yet: no distance is known
            store.forEach([](int, Waypoint& w) { w.distanceFromHere = 0; });
            distanceTick_ = 0;
            return;
        }
        if (tick != distanceTick_) {
            distanceTick_ = tick;
            distanceOrigin_ = {engine_.state.position.latitude, engine_.state.position.longitude};
        }
        here = distanceOrigin_;
    }
    const int32_t units = engine_.settings.Units;
    const double scale = units == 0 || units == 3 ? geodesy::kFeetPerMetre
                         : units == 2             ? geodesy::kNauticalMilesPerMetre
                                                  : 1.0;
    auto update = [&](int s, Waypoint& w) {
        const Place p = waypointPlace(s);
        w.distanceFromHere = static_cast<float>(
            geodesy::greatCircleDistance(here.latitude, here.longitude, p.latitude, p.longitude) *
            scale);
    };
    if (slot == kHereSelection)
        store.forEach(update);
    else if (store.inUse(slot))
        update(slot, store.at(slot));
}

} // namespace engine

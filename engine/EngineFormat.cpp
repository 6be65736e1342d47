#include "engine/EngineFormat.h"

#include <mutex>

#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "geodesy/MagneticModel.h"

namespace engine {

geodesy::FormatSettings formatSettings(const GpsEngine& engine) {
    geodesy::FormatSettings s;
    s.units = engine.settings.Units;
    s.format = engine.settings.Format;
    s.datum = engine.settings.Datum;
    return s;
}

bool formatDistance(const GpsEngine& engine, std::span<char16_t> buffer, double metres) {
    return geodesy::formatDistance(engine.settings.Units, buffer, metres);
}

bool formatSpeed(const GpsEngine& engine, std::span<char16_t> buffer) {
    return geodesy::formatSpeed(engine.settings.Units, engine.state.motion.speed, buffer);
}

void formatPositionForDisplay(const GpsEngine& engine, double lat, double lon, double alt,
                              std::span<char16_t> position, std::span<char16_t> altitude) {
    geodesy::formatPositionForDisplay(formatSettings(engine), geodesy::datumTable(), lat, lon, alt,
                                      position, altitude);
}

void formatPositionRaw(const GpsEngine& engine, double lat, double lon, double alt,
                       std::span<char> latitude, std::span<char> longitude,
                       std::span<char> altitude) {
    geodesy::formatPositionRaw(formatSettings(engine), geodesy::datumTable(), lat, lon, alt,
                               latitude, longitude, altitude);
}

void formatPositionForOutput(const GpsEngine& engine, int spaced, double lat, double lon,
                             double alt, std::span<char> zone, std::span<char> first,
                             std::span<char> second, std::span<char> altitude) {
    geodesy::formatPositionForOutput(formatSettings(engine), geodesy::datumTable(), spaced, lat,
                                     lon, alt, zone, first, second, altitude);
}

geodesy::HeadingInputs headingInputs(const GpsEngine& engine) {
    geodesy::HeadingInputs in;
    in.heading = engine.settings.Heading;
    in.userDeclination = engine.settings.HeadingUserDecl;
    in.decimalYear = engine.decimalYear;
    in.latitude = engine.state.position.latitude;
    in.longitude = engine.state.position.longitude;
    in.altitude = engine.state.position.altitude;
    in.magVar = engine.state.magVar.magVar;
    in.magVarDir = engine.state.magVar.magVarDir;
    return in;
}

double headingCorrection(GpsEngine& engine) {
    const geodesy::HeadingInputs in = headingInputs(engine);
    const geodesy::HeadingCorrection correction = geodesy::headingCorrection(in);
    if (correction.modelRefused) engine.prompter().message(geodesy::kMagneticOutdatedMessage);
    return correction.degrees;
}

OffsetReference offsetReference(GpsEngine& engine) {
    geodesy::HeadingInputs in;
    {
        std::lock_guard<std::mutex> hold(engine.lock());
        in = headingInputs(engine);
    }
    const geodesy::HeadingCorrection correction = geodesy::headingCorrection(in);
    if (correction.modelRefused) engine.prompter().message(geodesy::kMagneticOutdatedMessage);
    OffsetReference reference;
    reference.directionRef = in.heading == 'T' ? kTrueNorthRef : kMagneticNorthRef;
    reference.declination = static_cast<float>(correction.degrees);
    return reference;
}

} // namespace engine

#include "data/DataExchangeFile.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "engine/GpsEngine.h"
#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Formatter.h"
#include "geodesy/Utm.h"
#include "platform/FileReplace.h"

namespace data {

namespace {

[[gnu::format(printf, 2, 3)]] void append(std::string& out, const char* format, ...) {
    char line[400]; // room for any double in %f
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out.append(line, std::min<size_t>(static_cast<size_t>(n), sizeof line - 1));
}

// One position in the forms of the file, in the output datum.
struct Forms {
    char latHemisphere, lonHemisphere;
    double latAbs, lonAbs;
    int latDegrees, lonDegrees;
    double latMinutes, lonMinutes;
    int latWholeMinutes, lonWholeMinutes;
    double latSeconds, lonSeconds;
    char zone[geodesy::kUtmZoneTextSize];
    double northing, easting;
    double altitude;
};

void split(double value, double& absolute, int& degrees, double& minutes, int& wholeMinutes,
           double& seconds) {
    absolute = std::fabs(value);
    double whole = 0;
    minutes = std::modf(absolute, &whole) * 60.0;
    degrees = static_cast<int>(whole);
    double minuteWhole = 0;
    seconds = std::modf(minutes, &minuteWhole) * 60.0;
    wholeMinutes = static_cast<int>(minuteWhole);
}

Forms forms(const geodesy::DatumTable& table, const char* datumCode,
            const geodesy::OffsetPosition& p) {
    // A failed shift keeps the WGS 84 values, without a message.
    const geodesy::LocalPosition local =
        geodesy::toLocalDatum(table, datumCode, p.latitude, p.longitude, p.altitude);
    Forms f{};
    f.latHemisphere = local.latitude >= 0 ? 'N' : 'S';
    f.lonHemisphere = local.longitude >= 0 ? 'E' : 'W';
    split(local.latitude, f.latAbs, f.latDegrees, f.latMinutes, f.latWholeMinutes, f.latSeconds);
    split(local.longitude, f.lonAbs, f.lonDegrees, f.lonMinutes, f.lonWholeMinutes, f.lonSeconds);
    geodesy::utmFromGeodetic(table, datumCode, local.latitude, local.longitude, f.northing,
                             f.easting, f.zone, sizeof f.zone);
    f.altitude = local.altitude;
    return f;
}

// The block of one position; sep is ":" in the first block and "" in the second.
void appendPosition(std::string& out, const Forms& f, const char* sep) {
    append(out, "LATHEM%s %c\n", sep, f.latHemisphere);
    append(out, "LONHEM%s %c\n", sep, f.lonHemisphere);
    append(out, "LAT-DD%s %.7f\n", sep, f.latAbs);
    append(out, "LONG-DD%s %.7f\n", sep, f.lonAbs);
    append(out, "LAT-DM%s %d %.5f\n", sep, f.latDegrees, f.latMinutes);
    append(out, "LON-DM%s %d %.5f\n", sep, f.lonDegrees, f.lonMinutes);
    append(out, "LAT-DMS%s %d %d %.2f\n", sep, f.latDegrees, f.latWholeMinutes, f.latSeconds);
    append(out, "LON-DMS%s %d %d %.2f\n", sep, f.lonDegrees, f.lonWholeMinutes, f.lonSeconds);
    append(out, "UTMZone%s %s\n", sep, f.zone);
    append(out, "UTMNorth%s %.2f\n", sep, f.northing);
    append(out, "UTMEast%s %.2f\n", sep, f.easting);
    append(out, "ELE-M%s %.1f\n", sep, f.altitude);
    append(out, "ELE-FT%s %.1f\n", sep, f.altitude * geodesy::kFeetPerMetre);
}

} // namespace

std::string renderDataExchange(const geodesy::DatumTable& table, const char* datumCode,
                               const ExchangeMark& mark) {
    std::string out;
    append(out, "DATE %u/%u/%u\n", mark.time.wYear, mark.time.wMonth, mark.time.wDay);
    append(out, "TIME %2d:%2d:%2d\n", mark.time.wHour, mark.time.wMinute, mark.time.wSecond);
    appendPosition(out, forms(table, datumCode, mark.final), ":");
    append(out, "PDOP: %.1f\n", mark.pdop);
    append(out, "EHE-M: %.1f\n", mark.ehe);
    append(out, "EHE-FT: %.1f\n", mark.ehe * geodesy::kFeetPerMetre);
    append(out, "NUMRDG: %d\n", mark.fixCount);
    append(out, "DATUM: %s\n", datumCode);
    out += mark.offsetOn ? "OFFSET: YES\n" : "OFFSET: NO\n";
    append(out, "OFFSET-DISTANCE-M: %.2f\n", mark.offsetDistance);
    append(out, "OFFSET-DISTANCE-FT: %.2f\n", mark.offsetDistance * geodesy::kFeetPerMetre);
    append(out, "OFFSET-DIRECTION: %.2f\n", mark.offsetDirection);
    append(out, "OFFSET-SLOPE: %.2f\n", mark.offsetSlope);
    appendPosition(out, forms(table, datumCode, mark.measured), "");
    return out;
}

bool writeDataExchangeFile(engine::GpsEngine& engine, const ExchangeMark& mark) {
    const std::string content =
        renderDataExchange(geodesy::datumTable(), engine.settings.Datum, mark);
    const std::string path = std::string(engine.settings.DataExchangePath) + kDataExchangeFileName;
    if (platform::replaceFile(path, content)) return true;
    engine.prompter().message(kDataExchangeOpenFailed);
    return false;
}

} // namespace data

#include "data/WaypointConversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "data/ConversionRecord.h"
#include "data/GeoJsonWriter.h"
#include "data/GpxWriter.h"
#include "engine/GpsEngine.h"
#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"
#include "geodesy/Formatter.h"
#include "geodesy/Utm.h"
#include "platform/FileDescriptor.h"
#include "platform/FileReplace.h"
#include "platform/Prompter.h"

namespace data {

namespace {

constexpr int kWgs84Index = 1;

[[gnu::format(printf, 2, 3)]] void appendf(std::string& out, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof text) {
        out.append(text, static_cast<std::size_t>(n));
        return;
    }
    // Numbers near the limits of a double print hundreds of digits.
    std::string longer(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(longer.data(), longer.size(), format, args);
    va_end(args);
    longer.pop_back();
    out += longer;
}

bool altitudeInMetres(int units) {
    return units == geodesy::Metric || units == geodesy::Meters;
}

struct Angle {
    const char* hemisphere;
    int degrees;
    double minutes;
    int wholeMinutes;
    double seconds;
};

// Degrees, minutes and seconds by truncation, nothing rounded. value is within -180..180.
Angle splitAngle(double value, const char* negative, const char* positive) {
    Angle a{};
    a.hemisphere = value < 0 ? negative : positive;
    const double absolute = std::fabs(value);
    a.degrees = static_cast<int>(absolute);
    a.minutes = (absolute - a.degrees) * 60.0;
    a.wholeMinutes = static_cast<int>(a.minutes);
    a.seconds = (a.minutes - a.wholeMinutes) * 60.0;
    return a;
}

class DelimitedWriter {
public:
    DelimitedWriter(const geodesy::DatumTable& table, const ConversionOptions& options, char c)
        : table_(table), options_(options), c_(c) {
        if (table.datumCode(options.datumIndex, datumCode_) != 0) datumCode_[0] = '\0';
    }

    void record(std::string& out, const ConversionRecord& r) {
        const WaypointRecordFields& f = r.fields;
        out += r.dateText;
        out += c_;
        out += r.timeText;
        out += c_;
        appendf(out, "%d%c%s%c", f.number, c_, f.name, c_);
        position(out, f.finalLatitude, f.finalLongitude, f.finalAltitude);
        out += c_;
        float ehe = f.ehe;
        if (!altitudeInMetres(options_.units))
            ehe = static_cast<float>(ehe * geodesy::kFeetPerMetre);
        appendf(out, "%f%c%f%c%d%c%f%c%f%c%d%c%f%c%f%c", f.pdop, c_, ehe, c_, f.positionCount, c_,
                f.offsetSlope, c_, f.offsetDirection, c_, f.directionRef, c_, f.declination, c_,
                f.offsetDistance, c_);
        position(out, f.latitude, f.longitude, f.altitude);
    }

private:
    // The position text (each value followed by the delimiter), then the altitude text.
    void position(std::string& out, long double latitude, long double longitude,
                  long double altitude) {
        double lat = static_cast<double>(latitude);
        double lon = static_cast<double>(longitude);
        double alt = static_cast<double>(altitude);
        if (options_.datumIndex != kWgs84Index) {
            double localLat = 0, localLon = 0, localAlt = 0;
            // A refused shift keeps the WGS 84 values.
            if (table_.shiftFromWgs84(lat / geodesy::kShiftDegreesPerRadian,
                                      lon / geodesy::kShiftDegreesPerRadian, alt,
                                      options_.datumIndex, localLat, localLon, localAlt) == 0) {
                lat = localLat * geodesy::kShiftDegreesPerRadian;
                lon = localLon * geodesy::kShiftDegreesPerRadian;
                alt = localAlt;
            }
        }
        const char c = c_;
        switch (options_.format) {
        case geodesy::FormatDM: {
            const Angle a = splitAngle(lat, "S", "N");
            const Angle o = splitAngle(lon, "W", "E");
            appendf(out, "%s%c%d%c%.5f%c%s%c%3d%c%.5f%c", a.hemisphere, c, a.degrees, c, a.minutes,
                    c, o.hemisphere, c, o.degrees, c, o.minutes, c);
            break;
        }
        case geodesy::FormatDMS: {
            const Angle a = splitAngle(lat, "S", "N");
            const Angle o = splitAngle(lon, "W", "E");
            appendf(out, "%s%c%d%c%d%c%.2f%c%s%c%d%c%d%c%.2f%c", a.hemisphere, c, a.degrees, c,
                    a.wholeMinutes, c, a.seconds, c, o.hemisphere, c, o.degrees, c, o.wholeMinutes,
                    c, o.seconds, c);
            break;
        }
        case geodesy::FormatUTM: {
            double northing = 0, easting = 0;
            char zone[geodesy::kUtmZoneTextSize] = {};
            geodesy::utmFromGeodetic(table_, datumCode_, lat, lon, northing, easting, zone);
            appendf(out, "%s%c%.2f%c%.2f%c", zone, c, northing, c, easting, c);
            break;
        }
        default:
            appendf(out, "%.12f%c%.12f%c", lat, c, lon, c);
            break;
        }
        if (altitudeInMetres(options_.units))
            appendf(out, "%.12f m", alt);
        else
            appendf(out, "%.12f ft", alt * geodesy::kFeetPerMetre);
    }

    const geodesy::DatumTable& table_;
    const ConversionOptions& options_;
    const char c_;
    char datumCode_[geodesy::kDatumCodeSize] = {};
};

// Whether the output file could be created or replaced, decided before anything is read.
bool outputCreatable(const std::string& path, const struct stat* input) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // Converting a file into itself would lose the waypoints.
        if (input != nullptr && st.st_dev == input->st_dev && st.st_ino == input->st_ino)
            return false;
        return S_ISREG(st.st_mode) && ::access(path.c_str(), W_OK) == 0;
    }
    if (errno != ENOENT) return false;
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

enum class ReadResult { Ok, TooLarge, Failed };

ReadResult readAll(int fd, std::string& text) {
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return ReadResult::Ok;
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadResult::Failed;
        }
        if (text.size() + static_cast<std::size_t>(n) > kMaxConversionInput)
            return ReadResult::TooLarge;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

ConversionResult fail(platform::Prompter& prompter, ConversionStatus status,
                      std::string_view message) {
    prompter.message(message);
    ConversionResult result;
    result.status = status;
    return result;
}

} // namespace

ConvertedText convertWaypointText(const geodesy::DatumTable& table, std::string_view fileText,
                                  const ConversionOptions& options) {
    RecordScan scan = scanConversionRecords(fileText);
    ConvertedText converted;
    converted.records = static_cast<int>(scan.records.size());
    converted.stoppedAtLine = scan.stoppedAtLine;
    converted.stopReason = std::move(scan.stopReason);
    switch (options.type) {
    case ConversionType::Gpx:
        converted.output = gpxDocument(scan.records);
        break;
    case ConversionType::GeoJson:
        converted.output = geoJsonDocument(scan.records);
        break;
    default: {
        DelimitedWriter writer(table, options, options.type == ConversionType::Tab ? '\t' : ',');
        for (const ConversionRecord& record : scan.records)
            writer.record(converted.output, record);
        break;
    }
    }
    return converted;
}

ConversionResult convertWaypointFile(const geodesy::DatumTable& table, platform::Prompter& prompter,
                                     const std::string& waypointFile, const std::string& outputPath,
                                     const ConversionOptions& options) {
    // Opened without waiting, so a FIFO does not block here; it fails at the seek instead.
    platform::FileDescriptor input(
        ::open(waypointFile.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    bool inputOk =
        input.get() >= 0 && ::fstat(input.get(), &st) == 0 && !S_ISDIR(st.st_mode) &&
        !(S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > kMaxConversionInput);
    const bool outputOk = outputCreatable(outputPath, inputOk ? &st : nullptr);
    if (!inputOk && !outputOk) return fail(prompter, ConversionStatus::BothFailed, kMsgBothFailed);
    if (!inputOk)
        return fail(prompter, ConversionStatus::WaypointFileFailed, kMsgWaypointFileFailed);
    if (!outputOk) return fail(prompter, ConversionStatus::OutputFailed, kMsgOutputFailed);
    if (::lseek(input.get(), 0, SEEK_SET) < 0)
        return fail(prompter, ConversionStatus::SeekFailed, kMsgSeekFailed);
    ::fcntl(input.get(), F_SETFL, ::fcntl(input.get(), F_GETFL) & ~O_NONBLOCK);

    std::string text;
    switch (readAll(input.get(), text)) {
    case ReadResult::TooLarge:
        return fail(prompter, ConversionStatus::WaypointFileFailed, kMsgWaypointFileFailed);
    case ReadResult::Failed:
        return fail(prompter, ConversionStatus::SeekFailed, kMsgSeekFailed);
    case ReadResult::Ok:
        break;
    }

    ConvertedText converted = convertWaypointText(table, text, options);
    ConversionResult result;
    if (!platform::replaceFile(outputPath, converted.output, {}, &result.outputError)) {
        prompter.message(kMsgOutputFailed);
        result.status = ConversionStatus::OutputFailed;
        return result;
    }
    result.records = converted.records;
    result.stoppedAtLine = converted.stoppedAtLine;
    result.stopReason = std::move(converted.stopReason);
    return result;
}

ConversionResult convertWaypointFile(engine::GpsEngine& engine, const std::string& outputPath,
                                     const ConversionOptions& options) {
    std::lock_guard<std::mutex> hold(engine.lock());
    const std::string waypointFile =
        std::string(engine.settings.WaypointPath) + engine.settings.WaypointFilename;
    return convertWaypointFile(geodesy::datumTable(), engine.prompter(), waypointFile, outputPath,
                               options);
}

} // namespace data

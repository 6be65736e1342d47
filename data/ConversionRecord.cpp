#include "data/ConversionRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/Utf.h"

namespace data {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isCoordinate(long double lat, long double lon) {
    return std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90.0L &&
           std::fabs(lon) <= 180.0L;
}

// Why the fields cannot be written as a position, or nullptr when they can. Fields that did not
// convert keep their zero.
const char* badPosition(const WaypointRecordFields& f) {
    if (!isCoordinate(f.finalLatitude, f.finalLongitude) || !isCoordinate(f.latitude, f.longitude))
        return "position outside -90..90, -180..180 degrees";
    if (!std::isfinite(f.finalAltitude) || !std::isfinite(f.altitude))
        return "altitude not a number";
    return nullptr;
}

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace

RecordScan scanConversionRecords(std::string_view text) {
    RecordScan scan;
    std::size_t p = text.find('.');
    if (p == std::string_view::npos) return scan;
    ++p;
    while (p < text.size() && isSpace(text[p]))
        ++p;

    // Line numbers follow the reading position.
    int line = 1;
    std::size_t counted = 0;
    auto lineAt = [&](std::size_t pos) {
        line += static_cast<int>(std::count(text.begin() + counted, text.begin() + pos, '\n'));
        counted = pos;
        return line;
    };
    auto stop = [&](std::size_t pos, const char* reason) {
        scan.stoppedAtLine = lineAt(pos);
        scan.stopReason = reason;
    };

    while (true) {
        std::size_t first = p;
        while (first < text.size() && isSpace(text[first]))
            ++first;
        if (first == text.size()) break; // only the last line end (or nothing) is left

        // "%[^,],%[^,],": both texts need a character and their comma.
        const std::size_t dateEnd = text.find(',', p);
        const std::size_t timeEnd =
            dateEnd == std::string_view::npos ? dateEnd : text.find(',', dateEnd + 1);
        if (dateEnd == p || timeEnd == std::string_view::npos || timeEnd == dateEnd + 1) {
            stop(first, "no date and time");
            break;
        }
        ConversionRecord record;
        record.dateText.reserve(dateEnd - p);
        for (char c : text.substr(p, dateEnd - p))
            if (c != '\r') record.dateText.push_back(c);
        record.timeText = text.substr(dateEnd + 1, timeEnd - dateEnd - 1);

        // The fields are the rest of the line; whatever follows them on it is not read.
        const std::size_t rest = timeEnd + 1;
        const std::size_t end = std::min(text.find('\n', rest), text.size());
        const std::string fields(text.substr(rest, end - rest));
        record.fieldCount = scanWaypointRecord(fields.c_str(), record.fields);
        record.line = lineAt(rest);
        if (record.fieldCount < 14) {
            stop(rest, "fewer than 14 fields");
            break;
        }
        if (const char* reason = badPosition(record.fields)) {
            stop(rest, reason);
            break;
        }
        scan.records.push_back(std::move(record));
        p = end;
    }
    return scan;
}

std::optional<RecordTime> recordTime(const ConversionRecord& record) {
    RecordTime t{};
    char extra = 0;
    if (std::sscanf(record.dateText.c_str(), "%d/%d/%d %c", &t.year, &t.month, &t.day, &extra) !=
            3 ||
        std::sscanf(record.timeText.c_str(), "%d:%d:%d %c", &t.hour, &t.minute, &t.second,
                    &extra) != 3)
        return std::nullopt;
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > daysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59)
        return std::nullopt;
    return t;
}

std::string isoLocalTime(const RecordTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::optional<std::string> isoUtcTime(const RecordTime& t) {
    std::tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1; // the zone's rules decide whether summer time applies
    const std::time_t when = std::mktime(&local);
    std::tm utc{};
    if (when == static_cast<std::time_t>(-1) || gmtime_r(&when, &utc) == nullptr ||
        utc.tm_year + 1900 < 1 || utc.tm_year + 1900 > 9999)
        return std::nullopt;
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string cleanText(std::string_view text) {
    // Invalid UTF-8 becomes U+FFFD on the way through UTF-16.
    std::u16string wide(text.size() + 1, u'\0');
    wide.resize(platform::fromUtf8(text, wide.data(), wide.size()));
    for (char16_t& c : wide)
        if (c < 0x20 || c == 0x7f) c = u'\uFFFD';
    return platform::toUtf8(std::u16string_view(wide));
}

} // namespace data

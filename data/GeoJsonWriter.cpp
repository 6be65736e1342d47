#include "data/GeoJsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include <nlohmann/json.hpp>

namespace data {

namespace {

// The value of a 32-bit field as the double its shortest text reads as, so 1.2 stays 1.2 and
// does not become 1.2000000476837158.
double number(float value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text - 1, value);
    *end.ptr = '\0';
    return std::strtod(text, nullptr);
}

nlohmann::ordered_json feature(const ConversionRecord& record) {
    const WaypointRecordFields& f = record.fields;
    nlohmann::ordered_json properties = {
        {"number", f.number},
        {"name", cleanText(f.name)},
        {"time", nullptr},
        {"localTime", nullptr},
        {"pdop", number(f.pdop)},
        {"ehe", number(f.ehe)},
        {"positionCount", f.positionCount},
        {"offsetOn", std::fabs(f.offsetDistance) >= 1e-8f},
        {"offsetDistance", number(f.offsetDistance)},
        {"offsetSlope", number(f.offsetSlope)},
        {"offsetDirection", number(f.offsetDirection)},
        {"directionRef", f.directionRef},
        {"declination", number(f.declination)},
        {"measuredLatitude", static_cast<double>(f.latitude)},
        {"measuredLongitude", static_cast<double>(f.longitude)},
        {"measuredAltitude", static_cast<double>(f.altitude)},
    };
    if (auto time = recordTime(record)) {
        properties["localTime"] = isoLocalTime(*time);
        if (auto utc = isoUtcTime(*time)) properties["time"] = *utc;
    }
    return {
        {"type", "Feature"},
        {"geometry",
         {{"type", "Point"},
          {"coordinates",
           {static_cast<double>(f.finalLongitude), static_cast<double>(f.finalLatitude),
            static_cast<double>(f.finalAltitude)}}}},
        {"properties", std::move(properties)},
    };
}

} // namespace

std::string geoJsonDocument(const std::vector<ConversionRecord>& records) {
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    for (const ConversionRecord& record : records)
        features.push_back(feature(record));
    const nlohmann::ordered_json collection = {{"type", "FeatureCollection"},
                                               {"features", std::move(features)}};
    return collection.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

} // namespace data

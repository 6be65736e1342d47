#include "data/GpxWriter.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include <pugixml.hpp>

namespace data {

namespace {

// Shortest text that reads back as the same value, never in exponent form (GPX numbers are
// xsd:decimal).
template <typename T> std::string decimal(T value) {
    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, end.ptr);
}

template <typename T> void addNumber(pugi::xml_node parent, const char* name, T value) {
    if (std::isfinite(value)) parent.append_child(name).text().set(decimal(value).c_str());
}

void addText(pugi::xml_node parent, const char* name, const std::string& value) {
    parent.append_child(name).text().set(value.c_str());
}

void addWaypoint(pugi::xml_node gpx, const ConversionRecord& record) {
    const WaypointRecordFields& f = record.fields;
    pugi::xml_node wpt = gpx.append_child("wpt");
    const double lon = static_cast<double>(f.finalLongitude);
    wpt.append_attribute("lat") = decimal(static_cast<double>(f.finalLatitude)).c_str();
    // The schema's longitudes run from -180 up to but not including 180.
    wpt.append_attribute("lon") = decimal(lon == 180.0 ? -180.0 : lon).c_str();

    // Children in the order of the schema: ele, time, name, fix, pdop, extensions.
    addNumber(wpt, "ele", static_cast<double>(f.finalAltitude));
    if (auto time = recordTime(record))
        if (auto utc = isoUtcTime(*time)) addText(wpt, "time", *utc);
    addText(wpt, "name", cleanText(f.name));
    // A mark carries the PDOP of its fixes (a three-dimensional solution); an entered point has
    // PDOP 0 and no fix at all.
    if (f.pdop > 0) addText(wpt, "fix", "3d");
    if (f.pdop > 0) addNumber(wpt, "pdop", f.pdop);

    pugi::xml_node ext = wpt.append_child("extensions");
    auto own = [&](const char* name) {
        return ext.append_child((std::string("cv:") + name).c_str());
    };
    own("number").text().set(f.number);
    own("positionCount").text().set(f.positionCount);
    own("ehe").text().set(decimal(f.ehe).c_str());
    own("offsetDistance").text().set(decimal(f.offsetDistance).c_str());
    own("offsetSlope").text().set(decimal(f.offsetSlope).c_str());
    own("offsetDirection").text().set(decimal(f.offsetDirection).c_str());
    own("directionRef").text().set(f.directionRef);
    own("declination").text().set(decimal(f.declination).c_str());
    own("measuredLat").text().set(decimal(static_cast<double>(f.latitude)).c_str());
    own("measuredLon").text().set(decimal(static_cast<double>(f.longitude)).c_str());
    own("measuredEle").text().set(decimal(static_cast<double>(f.altitude)).c_str());
}

} // namespace

std::string gpxDocument(const std::vector<ConversionRecord>& records) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node gpx = doc.append_child("gpx");
    gpx.append_attribute("version") = "1.1";
    gpx.append_attribute("creator") = "Corvane";
    gpx.append_attribute("xmlns") = kGpxNamespace;
    gpx.append_attribute("xmlns:cv") = kCorvaneGpxNamespace;
    gpx.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    gpx.append_attribute("xsi:schemaLocation") =
        "http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd";
    for (const ConversionRecord& record : records)
        addWaypoint(gpx, record);
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

} // namespace data

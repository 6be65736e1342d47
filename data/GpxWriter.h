#pragma once
// GPX 1.1 of the converted records: one <wpt> per record at its final position (WGS 84).

#include <string>
#include <vector>

#include "data/ConversionRecord.h"

namespace data {

inline constexpr const char* kGpxNamespace = "http://www.topografix.com/GPX/1/1";
// The namespace of the record's own fields under <extensions>.
inline constexpr const char* kCorvaneGpxNamespace = "urn:corvane:gpx:waypoint:1";

// The whole document, UTF-8, with its XML declaration.
std::string gpxDocument(const std::vector<ConversionRecord>& records);

} // namespace data

#pragma once
// GeoJSON (RFC 7946) of the converted records: a FeatureCollection of Point features at the
// final positions, [longitude, latitude, altitude] in WGS 84, with the record's fields as
// properties.

#include <string>
#include <vector>

#include "data/ConversionRecord.h"

namespace data {

// The whole document, UTF-8, ending with a line end.
std::string geoJsonDocument(const std::vector<ConversionRecord>& records);

} // namespace data

// The status bit sets of the ellipsoid and datum operations in words, for messages and tools.

#include <cstdio>

#include "geodesy/DatumTable.h"

namespace geodesy {

namespace {

struct BitText {
    uint32_t bit;
    const char* text;
};

template <std::size_t N> std::string render(uint32_t status, const BitText (&bits)[N]) {
    if (status == 0) return "ok";
    char number[32];
    std::snprintf(number, sizeof number, "0x%x", status);
    std::string out = number;
    const char* separator = " ";
    uint32_t unknown = status;
    for (const BitText& b : bits) {
        if ((status & b.bit) == 0) continue;
        out += separator;
        out += b.text;
        separator = ", ";
        unknown &= ~b.bit;
    }
    if (unknown != 0) {
        std::snprintf(number, sizeof number, "unknown bits 0x%x", unknown);
        out += separator;
        out += number;
    }
    return out;
}

constexpr BitText kEllipsoidBits[] = {
    {EllipsoidStatus::FileOpenError, "ellips.dat cannot be opened"},
    {EllipsoidStatus::WgsMissing, "WGS 84 or WGS 72 ellipsoid missing"},
    {EllipsoidStatus::TooManyLines, "more than 32 lines"},
    {EllipsoidStatus::NotLoaded, "table not loaded"},
    {EllipsoidStatus::InvalidIndex, "index outside the table"},
    {EllipsoidStatus::UnknownCode, "code not in the table"},
    {EllipsoidStatus::MalformedLine, "malformed line"},
};

constexpr BitText kDatumBits[] = {
    {DatumStatus::NotLoaded, "tables not loaded"},
    {DatumStatus::SevenParamOpenError, "7_param.dat cannot be opened"},
    {DatumStatus::SevenParamParseError, "7_param.dat malformed record"},
    {DatumStatus::SevenParamOverflow, "more than 25 seven-parameter records"},
    {DatumStatus::ThreeParamOpenError, "3_param.dat cannot be opened"},
    {DatumStatus::ThreeParamParseError, "3_param.dat malformed record"},
    {DatumStatus::ThreeParamOverflow, "more than 250 three-parameter records"},
    {DatumStatus::InvalidIndex, "datum index outside the list"},
    {DatumStatus::InvalidSourceIndex, "source datum index outside the list"},
    {DatumStatus::InvalidTargetIndex, "target datum index outside the list"},
    {DatumStatus::InvalidCode, "datum code not in the list"},
    {DatumStatus::InvalidLatitude, "latitude outside -90..90 degrees"},
    {DatumStatus::InvalidLongitude, "longitude outside -180..360 degrees"},
    {DatumStatus::EllipsoidError, "datum ellipsoid missing or unusable"},
};

} // namespace

std::string ellipsoidStatusText(uint32_t status) {
    return render(status, kEllipsoidBits);
}

std::string datumStatusText(uint32_t status) {
    return render(status, kDatumBits);
}

} // namespace geodesy

#pragma once
// The data exchange file dtex.txt: the last exported mark, in every coordinate form, for another
// program that watches the file. Each export replaces the whole file atomically, so a reader sees
// the previous mark or the new one, never part of one.

#include <cstdint>
#include <string>

#include "geodesy/Offset.h"
#include "platform/Clock.h"

namespace engine {
class GpsEngine;
}
namespace geodesy {
class DatumTable;
}

namespace data {

inline constexpr const char* kDataExchangeFileName = "dtex.txt";
inline constexpr const char* kDataExchangeOpenFailed = "Unable to open Data Exchange File";

struct ExchangeMark {
    bool offsetOn = false;
    geodesy::OffsetPosition measured; // the standing point, WGS 84
    double offsetDistance = 0;        // metres
    double offsetSlope = 0;           // degrees
    double offsetDirection = 0;       // degrees, in the configured heading reference
    geodesy::OffsetPosition final;    // the point moved by the offset, WGS 84
    platform::SystemTime time{};
    int32_t fixCount = 0;
    double ehe = 0; // metres
    double pdop = 0;
};

// The whole file: the final position's block (keywords with a colon) in the datum with this code,
// then the measured position's block (keywords without). LF line ends.
std::string renderDataExchange(const geodesy::DatumTable& table, const char* datumCode,
                               const ExchangeMark& mark);

// Replaces DataExchangePath + "dtex.txt" with the mark in the configured Datum. On failure shows
// "Unable to open Data Exchange File" and returns false; the old file stays as it was.
bool writeDataExchangeFile(engine::GpsEngine& engine, const ExchangeMark& mark);

} // namespace data

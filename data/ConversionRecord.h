#pragma once
// The records of a waypoint file as the conversion reads them: the date and time as the texts
// found before the first two commas, then the 16 fields of the record's line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/WaypointRecord.h"

namespace data {

struct ConversionRecord {
    // The date text carries the line end of the record before it (without its CR), so every
    // record after the first starts on a new line when the texts are written one after another.
    std::string dateText;
    std::string timeText;
    WaypointRecordFields fields;
    int fieldCount = 0; // 14 to 16
    int line = 0;       // 1-based line of the file where the record's fields are
};

struct RecordScan {
    std::vector<ConversionRecord> records;
    // 0 when the file was read to its end; else the line of the record that ended the reading,
    // and why.
    int stoppedAtLine = 0;
    std::string stopReason;
};

// Skips the header (the text up to the first '.', the '.' and the white space after it) and reads
// records until the end of the text or the first record that cannot be converted: one without a
// date and a time, with fewer than 14 fields, or with a position that is not a coordinate.
RecordScan scanConversionRecords(std::string_view text);

// The record's date and time as numbers, when both texts hold a valid calendar date and time of
// day.
struct RecordTime {
    int year, month, day, hour, minute, second;
};
std::optional<RecordTime> recordTime(const ConversionRecord& record);

// "2024-05-01T14:05:03": the local time as recorded, without a zone.
std::string isoLocalTime(const RecordTime& time);
// "2024-05-01T19:05:03Z": the local time taken in this machine's time zone (TZ), as UTC. Nothing
// when the zone's rules cannot place it.
std::optional<std::string> isoUtcTime(const RecordTime& time);

// Text as valid UTF-8 without control characters (both become U+FFFD), fit for XML and JSON.
std::string cleanText(std::string_view text);

} // namespace data

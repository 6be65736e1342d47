#pragma once
// Conversion of a waypoint file (WGS 84 decimal degrees) into a file for other software:
// tab- or comma-delimited text with the positions in a chosen datum, coordinate format and unit
// system, one line per waypoint; or GPX 1.1 and GeoJSON, which are always WGS 84 decimal degrees.
// The waypoint file is never changed. The output is built in memory and replaces the output file
// in one step, so a failure never leaves half a file.

#include <cstddef>
#include <string>
#include <string_view>

namespace engine {
class GpsEngine;
}
namespace geodesy {
class DatumTable;
}
namespace platform {
class Prompter;
}

namespace data {

enum class ConversionType { Tab, Comma, Csv, Gpx, GeoJson };

struct ConversionOptions {
    ConversionType type = ConversionType::Comma;
    int datumIndex = 1; // 1-based index of the datum table; 1 is WGS 84
    int format = 0;     // geodesy::CoordinateFormat: 0 DD, 1 DM, 2 DMS, 3 UTM
    int units = 0;      // geodesy::UnitSystem: 0 Statute, 1 Metric, 2 Nautical, 3 Feet, 4 Meters
};

// A waypoint file holds at most 256 records of a few hundred bytes; a larger file is not one.
inline constexpr std::size_t kMaxConversionInput = 1024 * 1024;

inline constexpr std::string_view kMsgBothFailed =
    "Failed to open waypoint file and create the converted file.";
inline constexpr std::string_view kMsgWaypointFileFailed = "Failed to open waypoint file.";
inline constexpr std::string_view kMsgOutputFailed = "Failed to create the converted file.";
inline constexpr std::string_view kMsgSeekFailed = "Error on seek. File I/O error.";

enum class ConversionStatus {
    Converted,
    WaypointFileFailed, // cannot be opened, a directory, or larger than kMaxConversionInput
    OutputFailed,       // cannot be created, or the write failed
    BothFailed,
    SeekFailed, // not a file that can be read from its start (a pipe), or a read error
};

struct ConversionResult {
    ConversionStatus status = ConversionStatus::Converted;
    int records = 0; // records written
    // 0 when the waypoint file was converted to its end; else the line of the record that ended
    // the conversion (the records before it are written), and why.
    int stoppedAtLine = 0;
    std::string stopReason;
    std::string outputError; // the reason of a failed write
};

// The content of the output file for the content of a waypoint file.
struct ConvertedText {
    std::string output;
    int records = 0;
    int stoppedAtLine = 0;
    std::string stopReason;
};
ConvertedText convertWaypointText(const geodesy::DatumTable& table, std::string_view fileText,
                                  const ConversionOptions& options);

// Converts the waypoint file at waypointFile into outputPath. Failures are shown through the
// prompter with the messages above.
ConversionResult convertWaypointFile(const geodesy::DatumTable& table, platform::Prompter& prompter,
                                     const std::string& waypointFile, const std::string& outputPath,
                                     const ConversionOptions& options);

// Converts the open waypoint file (WaypointPath followed by WaypointFilename) with the program's
// datum table, holding the engine lock for the whole run.
ConversionResult convertWaypointFile(engine::GpsEngine& engine, const std::string& outputPath,
                                     const ConversionOptions& options);

} // namespace data

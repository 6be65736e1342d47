#pragma once
// The waypoint file: the text form of the waypoint store, its writer and reader, the naming of
// new files and the save that follows every change of the store.
//
// The file is a header line and one line per waypoint in list order. Every write renders the
// whole store in memory and replaces the file atomically, so a crash, a kill or a full disk leaves
// the old file or the new one. The reader reads a bounded file line by line and skips lines it
// cannot take.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/WaypointStore.h"

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

class WaypointViews;

inline constexpr std::string_view kWaypointFileHeader =
    "TALPA-Internal Data File, modification may cause Corvane to read this data file "
    "erroneously.\n";
inline constexpr const char* kDefaultWaypointFileName = "wptdef.txt";
// The file dialogs' filter for waypoint files, and their default extension.
inline constexpr std::string_view kWaypointFileFilter = "WAY Point File (*.txt)";
inline constexpr std::string_view kWaypointDialogTitle = "Waypoint file";

inline constexpr std::string_view kMsgNoWaypointFile =
    "No waypoint file is open.\nSelect waypoint file for storing waypoints.";
inline constexpr std::string_view kMsgErrorCreating = "Error creating way point file.";
inline constexpr std::string_view kMsgErrorReading = "Error reading waypoint file.";
inline constexpr std::string_view kMsgDirectoryMissing =
    "Last opened directory does not exist. Using:\n";
inline constexpr std::string_view kMsgFileExists = "File already exists. Using:\n";

// A waypoint file larger than this is not read: a store of 256 waypoints takes under 100 KiB, so
// this leaves room for foreign lines while keeping a huge or endless file from filling memory.
inline constexpr std::size_t kMaxWaypointFileBytes = std::size_t(4) << 20;
// The first free number that make-unique tries in vain ends the search there.
inline constexpr int kUniqueNameLimit = 1000;

// Sets the waypoint's name: cut to the field (without splitting a surrogate pair), each ',' made
// ';' (the file separates fields with commas) and each control character made a blank (a line end
// would split the record).
void setWaypointName(engine::Waypoint& waypoint, std::u16string_view name);

// The whole file for a store: the header and one line per waypoint. A waypoint with its offset on
// is written with the position moved by the offset on the UTM grid of datumCode's ellipsoid.
std::string renderWaypointFile(const engine::WaypointStore& store, const geodesy::DatumTable& table,
                               const char* datumCode);

// Writes the store to path, replacing the file atomically. False, the old file kept and reason
// filled, when it could not be written.
bool writeWaypointFile(const std::string& path, const engine::WaypointStore& store,
                       const geodesy::DatumTable& table, const char* datumCode,
                       std::string* reason = nullptr);

// Writes the engine's store to WaypointPath + WaypointFilename under the engine lock (the caller
// must not hold it). True when written; false, with no message and the old file kept, when no
// file is named or it could not be written.
bool writeWaypointFile(engine::GpsEngine& engine);

// Resets store and reads the records of a file's text into it. False when the header does not
// match; then the store stays empty.
bool readWaypointText(std::string_view text, engine::WaypointStore& store);

// Resets store and reads the file at path. False, with reason filled, when the file cannot be
// opened or read, is not a regular file, is larger than kMaxWaypointFileBytes, or its header does
// not match.
bool readWaypointFile(const std::string& path, engine::WaypointStore& store,
                      std::string* reason = nullptr);

// Reads WaypointPath + WaypointFilename into the engine's store under the engine lock. The flags
// are left to the caller.
bool readWaypointFile(engine::GpsEngine& engine);

// Makes directory + name a file that does not exist yet (directory ends in '/'): when the
// directory is missing the documents folder is used; when the file exists, or the directory was
// replaced, the name becomes its stem with "_C" and the first free number below limit, and the
// user is told the new name. False when both are empty, or when every number below limit is
// taken.
bool makeFileNameUnique(std::string& directory, std::string& name, platform::Prompter& prompter,
                        int limit = kUniqueNameLimit);

// After a change of the store: writes the open file, or, when waypoints were added with no file
// open, asks the user for one (see saveWaypointsToChosenFile). views may be null. The caller must
// not hold the engine lock. A failed write is reported and leaves waypointsModified set.
void ensureWaypointFile(engine::GpsEngine& engine, WaypointViews* views);

// Asks for a file name with the save dialog, makes it unique, writes the store there and makes
// it the open file (WaypointPath, WaypointFilename, cv.ini). False when the user cancelled or the
// file could not be created (then reported, and the store stays as it is).
bool saveWaypointsToChosenFile(engine::GpsEngine& engine, bool* cancelled = nullptr);

// Sets WaypointPath and WaypointFilename from a full path and keeps the 16-bit copy of the name.
// False, nothing changed, when a part does not fit.
bool setWaypointFilePath(engine::GpsEngine& engine, const std::string& directory,
                         const std::string& name);

} // namespace data

#pragma once
// cv.ini: the reader and the writer of the configuration file in the application directory,
// and the look-up of the application directory in the registry.
//
// Paths are native and end in '/'. Values written on the device (starting with a backslash) are
// translated when read: "\My Documents\" is the documents folder, "\C_Drive\" and "\" the home
// folder, other backslashes become '/'.

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/Settings.h"

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

inline constexpr const char* kConfigFileName = "cv.ini";
inline constexpr const char* kProgramFileName = "corvane";
inline constexpr const char* kRegistryKey = "SOFTWARE\\Varnholt";
inline constexpr const char* kRegistrySubkey = "Corvane";
inline constexpr const char* kRegistryPathValue = "rpath";

inline constexpr std::string_view kMsgConfigNotFound =
    "\"cv.ini\" file not found - default values used.";
inline constexpr std::string_view kMsgDatumNotDefined =
    "Datum not defined. Using WGS84 (default datum)";
inline constexpr std::string_view kMsgRegistryKey = "(Cannot open Corvane registry key.)";
inline constexpr std::string_view kMsgRegistryValue =
    " (Error reading application path value from registry.)";

// Longest key and value of a line the reader takes; longer lines are ignored whole. Path values
// may be as long as the path fields hold.
inline constexpr std::size_t kMaxKeyLength = 339;
inline constexpr std::size_t kMaxValueLength = 403;
// A larger cv.ini is not read at all. The writer's file is about 1 KiB; this leaves ample room for
// hand-written comments while keeping a huge or endless file from holding up start-up.
inline constexpr std::size_t kMaxConfigFileBytes = std::size_t(1) << 20;

struct ConfigReadOptions {
    // The device's key library is present: a hot-key clash then moves both wedge keys.
    bool keyLibraryPresent = false;
    // Create the DataExchangePath directory when the key is read.
    bool createDataExchangeDirectory = true;
};

// Applies the text of a cv.ini (the whole file, header line included) to settings. Unknown
// datums are reported through prompter; the hot-key clash is resolved at the end.
void applySettingsText(std::string_view text, engine::Settings& settings,
                       const geodesy::DatumTable& datums, platform::Prompter& prompter,
                       const ConfigReadOptions& options = {});

// When MarkKey equals KWDGKey, moves the wedge keys out of the way.
void resolveHotKeyClash(engine::Settings& settings, bool keyLibraryPresent);

// With no WaypointFilename and a file name (holding a '.') as the last part of WaypointPath,
// moves that name into WaypointFilename and cuts WaypointPath after its last '/'.
void splitWaypointPath(engine::Settings& settings);

// The file's text as the writer writes it, from the settings as they are (no split applied).
std::string renderSettings(const engine::Settings& settings);

// Translates a value written on the device into a native path into out (NUL-terminated); a
// value not starting with a backslash is taken as it is. False, out untouched, when the result
// does not fit capacity.
bool translateDevicePath(std::string_view value, char* out, std::size_t capacity);

// Application directory followed by "cv.ini".
std::string configFilePath(const engine::GpsEngine& engine);

// What reading a cv.ini found.
enum class ConfigReadResult { Read, Missing, Unreadable };

// Reads the cv.ini at path into settings as the program reads it, line by line in bounded memory.
// Missing when there is no file; Unreadable, with settings unchanged, when it cannot be opened or
// read, is not a regular file (a FIFO is refused without waiting) or is larger than
// kMaxConfigFileBytes. Shows no message of its own: the caller decides what a failure means.
ConfigReadResult readSettingsFile(const std::string& path, engine::Settings& settings,
                                  const geodesy::DatumTable& datums, platform::Prompter& prompter,
                                  const ConfigReadOptions& options = {});

// Reads cv.ini into the engine's settings. False when the file could not be read: the defaults
// stay, a missing file is written from them, and the message is shown. found, when given, tells
// what the read found.
bool readSettings(engine::GpsEngine& engine, const ConfigReadOptions& options = {},
                  ConfigReadResult* found = nullptr);

// Writes cv.ini from the engine's settings (splitting the waypoint path first). False, without
// opening the file or a message, when it is protected; false with the message when the file
// could not be written.
bool writeSettings(engine::GpsEngine& engine);

// Fills the engine's applicationDirectory from the registry value rpath of
// HKEY_CURRENT_USER\SOFTWARE\Varnholt\Corvane (registry file: $CORVANE_REGISTRY or the default
// place) and checks that the program file is there.
bool readApplicationDirectory(engine::GpsEngine& engine);
bool readApplicationDirectory(engine::GpsEngine& engine, const std::string& registryPath);

} // namespace data

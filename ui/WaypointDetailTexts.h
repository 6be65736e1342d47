#pragma once
// The texts of the waypoint screen's detail fields for one stored waypoint, in the user's datum,
// coordinate format and units. No Qt here, so the rules are tested as a table.

#include <string>

#include "geodesy/Formatter.h"

namespace engine {
struct Waypoint;
class WaypointStore;
} // namespace engine
namespace geodesy {
class DatumTable;
}

namespace ui {

struct WaypointDetailTexts {
    std::u16string number; // "WP#"
    std::u16string name;   // "ID"
    std::u16string first;  // latitude, or the northing for UTM
    std::u16string second; // longitude, or the easting for UTM
    std::u16string zone;   // " 32T" for UTM, else empty
    std::u16string elevation;
    std::u16string pdop;
    std::u16string ehe;
    std::u16string offset; // "Offset ON" or empty
};

// The detail texts of a waypoint. Its measured WGS84 position is shown in the settings' datum
// (WGS84 when the shift fails), moved by its offset when that is on.
WaypointDetailTexts waypointDetailTexts(const engine::Waypoint& waypoint,
                                        const geodesy::FormatSettings& settings,
                                        const geodesy::DatumTable& table);

// The captions of the two position rows: "Lat"/"Lon", or "Nor"/"Eas" for UTM.
const char* firstPositionCaption(int32_t format);
const char* secondPositionCaption(int32_t format);

// The "File" text: the open file's name, or when none is kept the last part of the waypoint
// folder when it holds a '.'.
std::u16string waypointFileText(const engine::WaypointStore& store, const char* waypointPath);

} // namespace ui

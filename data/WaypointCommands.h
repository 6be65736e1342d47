#pragma once
// The waypoint file commands of the main window ("Waypt File" > "New" and "Open") and the saving
// of waypoints at exit. The dialogs and questions go through the engine's prompter.

#include <string_view>

namespace engine {
class GpsEngine;
}

namespace data {

class WaypointViews;

inline constexpr std::string_view kAskSaveNew = "Do you want to save the new waypoints?";
inline constexpr std::string_view kAskSaveNewAtExit =
    "Do you want to save the new waypoints before closing Corvane?";
inline constexpr std::string_view kAskSaveModified = "Do you want to save the modified waypoints?";

// Offers to save new and modified waypoints, then asks for the new file's name and opens it with
// an empty store. A save the user asked for that fails ends the command with the waypoints kept.
void newWaypointFileCommand(engine::GpsEngine& engine, WaypointViews* views);

// Offers to save as New does, then asks for an existing file and reads it. A file that cannot be
// read is reported and changes nothing: the store and the open file stay as they were.
void openWaypointFileCommand(engine::GpsEngine& engine, WaypointViews* views);

// The exit's two save questions. False when a save the user asked for failed (the message was
// shown): the caller should then stay open so the waypoints are not lost.
bool saveWaypointsAtExit(engine::GpsEngine& engine);

} // namespace data

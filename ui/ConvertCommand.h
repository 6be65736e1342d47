#pragma once
// The "Convert Waypt File" command: the options dialog, then the save dialog with the file types,
// then the conversion of the open waypoint file (data::convertWaypointFile). Cancel at either
// step ends with nothing written.

#include <functional>
#include <string_view>

class CConvFile;
class QWidget;

namespace engine {
class GpsEngine;
}
namespace platform {
class Prompter;
}

namespace ui {

// The save dialog's file types, in the order of data::ConversionType.
inline constexpr std::string_view kConversionFilters =
    "Tab Delimited (*.txt);;Comma Delimited (*.txt);;CSV (*.csv);;GPX (*.gpx);;"
    "GeoJSON (*.geojson)";
inline constexpr int kPreselectedConversionFilter = 1; // "Comma Delimited"
inline constexpr std::string_view kConversionDialogTitle = "Convert Waypt File";

// Runs the options dialog; true when the user went on with "Next". The program shows it modally;
// tests answer it through its controls.
using ConversionOptionsAsker = std::function<bool(CConvFile& dialog)>;

// prompter: the save dialog. An empty asker shows the options dialog modally.
void convertWaypointFileCommand(engine::GpsEngine& engine, platform::Prompter& prompter,
                                QWidget* parent, const ConversionOptionsAsker& ask = {});

} // namespace ui

#include "ui/ConvertCommand.h"

#include <iterator>
#include <optional>

#include "data/WaypointConversion.h"
#include "engine/GpsEngine.h"
#include "engine/Settings.h"
#include "geodesy/DatumTable.h"
#include "platform/Prompter.h"
#include "ui/CConvFile.h"

namespace ui {

void convertWaypointFileCommand(engine::GpsEngine& engine, platform::Prompter& prompter,
                                QWidget* parent, const ConversionOptionsAsker& ask) {
    // The settings are changed only on this (the interface's) thread, so they are read here
    // without the engine lock; the conversion takes it for its whole run.
    CConvFile dialog(engine.settings, geodesy::datumTable(), parent);
    const bool next = ask ? ask(dialog) : dialog.exec() == QDialog::Accepted;
    if (!next) return;
    data::ConversionOptions options = dialog.options();

    char home[engine::kPathCapacity] = {};
    engine::homeFolder(home, sizeof home);
    const std::optional<platform::SaveChoice> chosen = prompter.saveFileNameAndType(
        kConversionDialogTitle, home, kConversionFilters, kPreselectedConversionFilter);
    if (!chosen) return;
    constexpr data::ConversionType kTypes[] = {
        data::ConversionType::Tab, data::ConversionType::Comma, data::ConversionType::Csv,
        data::ConversionType::Gpx, data::ConversionType::GeoJson};
    const int index = chosen->filterIndex;
    options.type = index >= 0 && index < static_cast<int>(std::size(kTypes))
                       ? kTypes[index]
                       : data::ConversionType::Comma;
    // The waypoint folder stays as it is: the conversion reads the open waypoint file from it.
    data::convertWaypointFile(engine, chosen->path, options);
}

} // namespace ui

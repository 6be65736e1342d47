#include "data/WaypointCommands.h"

#include <memory>
#include <mutex>
#include <string>

#include "data/ConfigFile.h"
#include "data/WaypointFile.h"
#include "data/WaypointViews.h"
#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "platform/Prompter.h"

namespace data {

namespace {

// The two save questions; false when a save that the user asked for failed.
bool offerToSave(engine::GpsEngine& engine, std::string_view askNew, bool atExit) {
    engine::WaypointStore& store = engine.waypoints;
    platform::Prompter& prompter = engine.prompter();
    if (store.newWaypointsUnsaved && prompter.askYesNo(askNew)) {
        bool cancelled = false;
        if (!saveWaypointsToChosenFile(engine, &cancelled)) {
            if (!cancelled) return false;
            if (atExit) store.waypointFileOpen = false;
        }
    }
    if (store.waypointFileOpen && store.waypointsModified && prompter.askYesNo(kAskSaveModified)) {
        if (!writeWaypointFile(engine)) {
            prompter.message(kMsgErrorCreating);
            return false;
        }
        store.waypointFileOpen = false;
        store.waypointsModified = false;
    }
    return true;
}

void tellViews(WaypointViews* views) {
    if (views) views->reloadWaypointLists();
}

// Splits a chosen path into its folder (with the closing '/') and its name.
void splitPath(const std::string& path, std::string& directory, std::string& name) {
    const std::size_t slash = path.rfind('/');
    directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

void openedFile(engine::GpsEngine& engine) {
    engine::WaypointStore& store = engine.waypoints;
    store.waypointFileOpen = true;
    store.waypointsModified = false;
    store.newWaypointsUnsaved = false;
    writeSettings(engine);
}

} // namespace

void newWaypointFileCommand(engine::GpsEngine& engine, WaypointViews* views) {
    platform::Prompter& prompter = engine.prompter();
    if (offerToSave(engine, kAskSaveNew, false)) {
        if (auto chosen = prompter.saveFileName(kWaypointDialogTitle, engine.settings.WaypointPath,
                                                kWaypointFileFilter)) {
            std::string directory, name;
            splitPath(*chosen, directory, name);
            if (!name.empty() && name.find('.') == std::string::npos) name += ".txt";
            // The empty file is made first, so a failure leaves the store as it was.
            engine::WaypointStore empty;
            bool ok = !name.empty() && makeFileNameUnique(directory, name, prompter) &&
                      writeWaypointFile(directory + name, empty, geodesy::datumTable(),
                                        engine.settings.Datum) &&
                      setWaypointFilePath(engine, directory, name);
            if (ok) {
                {
                    std::lock_guard<std::mutex> hold(engine.lock());
                    engine.waypoints.reset();
                }
                openedFile(engine);
            } else {
                prompter.message(kMsgErrorCreating);
            }
        }
    }
    tellViews(views);
}

void openWaypointFileCommand(engine::GpsEngine& engine, WaypointViews* views) {
    platform::Prompter& prompter = engine.prompter();
    if (offerToSave(engine, kAskSaveNew, false)) {
        if (auto chosen = prompter.openFileName(kWaypointDialogTitle, engine.settings.WaypointPath,
                                                kWaypointFileFilter)) {
            std::string directory, name;
            splitPath(*chosen, directory, name);
            // Read aside, so a file that cannot be read leaves the store as it was.
            auto read = std::make_unique<engine::WaypointStore>();
            const bool fits = directory.size() < sizeof engine.settings.WaypointPath &&
                              name.size() < sizeof engine.settings.WaypointFilename;
            if (!fits || !readWaypointFile(*chosen, *read)) {
                prompter.message(kMsgErrorReading);
                tellViews(views);
                return;
            }
            {
                std::lock_guard<std::mutex> hold(engine.lock());
                engine.waypoints = *read;
            }
            setWaypointFilePath(engine, directory, name);
            openedFile(engine);
        }
    }
    tellViews(views);
}

bool saveWaypointsAtExit(engine::GpsEngine& engine) {
    return offerToSave(engine, kAskSaveNewAtExit, true);
}

} // namespace data

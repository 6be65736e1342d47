#pragma once
// An engine whose waypoint folder and application directory are a fresh temporary folder, and a
// view that counts the reloads it is asked for.

#include <cstring>
#include <string>

#include "data/WaypointViews.h"
#include "engine/GpsEngine.h"
#include "platform/Prompter.h"
#include "platform/Utf.h"
#include "support/TestSupport.h"

namespace wptfixture {

inline const std::string kHeader =
    "TALPA-Internal Data File, modification may cause Corvane to read this data file "
    "erroneously.\n";

struct CountingViews : data::WaypointViews {
    int reloads = 0;
    void reloadWaypointLists() override { ++reloads; }
};

struct EngineInTempDir {
    testsupport::TempDir dir;
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    engine::WaypointStore& store = engine.waypoints;
    CountingViews views;

    EngineInTempDir() {
        testsupport::shippedTables();
        std::strcpy(engine.settings.WaypointPath, dir.path().c_str());
        std::strcpy(engine.applicationDirectory, dir.path().c_str());
    }
    void openFile(const char* name) {
        std::strcpy(engine.settings.WaypointFilename, name);
        store.waypointFileOpen = true;
    }
    // The store's waypoints in list order as "number:name " pairs.
    std::string listing() const {
        std::string out;
        store.forEach([&](int, const engine::Waypoint& w) {
            out += std::to_string(w.number) + ":" + platform::toUtf8(w.name) + " ";
        });
        return out;
    }
};

} // namespace wptfixture

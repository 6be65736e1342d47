#pragma once
// An engine whose waypoint folder and application directory are a fresh temporary folder, and a
// view that counts the reloads it is asked for.

#include <cstdlib>
#include <cstring>
#include <string>

#include "data/WaypointViews.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Utf.h"
#include "support/TestSupport.h"

namespace wptfixture {

inline constexpr const char* kHeader =
    "TALPA-Internal Data File, modification may cause Corvane to read this data file "
    "erroneously.\n";

// Points the documents folder somewhere else for the life of the object.
struct ScopedDocuments {
    std::string old;
    bool had = false;
    explicit ScopedDocuments(const std::string& path) {
        if (const char* o = std::getenv("XDG_DOCUMENTS_DIR")) old = o, had = true;
        setenv("XDG_DOCUMENTS_DIR", path.c_str(), 1);
    }
    ~ScopedDocuments() {
        if (had)
            setenv("XDG_DOCUMENTS_DIR", old.c_str(), 1);
        else
            unsetenv("XDG_DOCUMENTS_DIR");
    }
};

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
    void openFile(const std::string& name) {
        std::strcpy(engine.settings.WaypointFilename, name.c_str());
        store.waypointFileOpen = true;
    }
    // The names of the store's waypoints in list order as "number:name " pairs.
    std::string listing() const {
        std::string out;
        store.forEach([&](int, const engine::Waypoint& w) {
            out += std::to_string(w.number) + ":" + platform::toUtf8(w.name) + " ";
        });
        return out;
    }
};

} // namespace wptfixture

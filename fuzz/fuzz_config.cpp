// libFuzzer target: the cv.ini reader on arbitrary file contents, then the writer on the result.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/ConfigFile.h"
#include "engine/Settings.h"
#include "geodesy/DatumTable.h"
#include "platform/Prompter.h"

namespace {

const geodesy::DatumTable& tables() {
    // The datum check works with or without tables; $CORVANE_SHARE_DIR loads the real ones.
    static geodesy::DatumTable* table = [] {
        auto* t = new geodesy::DatumTable;
        if (const char* dir = std::getenv("CORVANE_SHARE_DIR")) {
            std::string d = dir;
            if (d.empty() || d.back() != '/') d.push_back('/');
            t->loadEllipsoids(d.c_str());
            t->loadDatums(d.c_str());
        }
        return t;
    }();
    return *table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::RecordingPrompter prompter;
    data::ConfigReadOptions options;
    options.createDataExchangeDirectory = false;
    options.keyLibraryPresent = size > 0 && (data[0] & 1);

    engine::Settings settings;
    data::applySettingsText(text, settings, tables(), prompter, options);
    data::splitWaypointPath(settings);
    std::string written = data::renderSettings(settings);

    // What was written reads back to the same file.
    engine::Settings reread;
    data::applySettingsText(written, reread, tables(), prompter, options);
    if (data::renderSettings(reread) != written) std::abort();
    if (settings.KEYWEDGE.count > engine::kKeyWedgeCapacity) std::abort();
    return 0;
}

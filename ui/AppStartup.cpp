#include "ui/AppStartup.h"

#include <cstring>

#include "engine/GpsEngine.h"

namespace ui {

bool AppStartup::readApplicationDirectory(engine::GpsEngine& engine) {
    if (applicationDirectory_.empty()) return config_.readApplicationDirectory(engine);
    if (applicationDirectory_.size() >= sizeof engine.applicationDirectory) {
        engine.prompter().message("The application directory's path is too long.");
        return false;
    }
    std::memcpy(engine.applicationDirectory, applicationDirectory_.c_str(),
                applicationDirectory_.size() + 1);
    return true;
}

} // namespace ui

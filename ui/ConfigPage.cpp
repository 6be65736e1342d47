#include "ui/ConfigPage.h"

#include "engine/GpsEngine.h"
#include "platform/Prompter.h"

namespace ui {

ConfigPage::ConfigPage(ConfigContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {}

bool ConfigPage::acceptEdit() {
    if (settings().Protected != 0) {
        prompter().message(kParameterFileProtected);
        load();
        return false;
    }
    engine().settingsChanged = 1;
    return true;
}

engine::GpsEngine& ConfigPage::engine() const {
    return context_.engine;
}

engine::Settings& ConfigPage::settings() const {
    return context_.engine.settings;
}

} // namespace ui

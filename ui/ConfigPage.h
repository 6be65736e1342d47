#pragma once
// A page of the configuration sheet. A page shows copies of settings, takes the user's edits into
// its controls and hands them to the engine's settings only when the sheet is confirmed. While
// cv.ini is write protected every edit is refused on the spot and the page shows the stored
// values again.

#include <QWidget>

namespace engine {
class GpsEngine;
struct Settings;
} // namespace engine
namespace platform {
class Prompter;
}

namespace ui {

inline constexpr const char* kParameterFileProtected =
    "Parameter file is write protected.\nParameter cannot be changed.";

// What the pages of one sheet share.
struct ConfigContext {
    engine::GpsEngine& engine;
    platform::Prompter& prompter;
    bool hardwareKeys = false;       // the device-key library is there (the HotKeys page's names)
    bool portChanged = false;        // a GPS page value was edited: the port is reopened at apply
    bool memExchangeToggled = false; // "Memory Exchange" was clicked: the exchange starts or stops
};

class ConfigPage : public QWidget {
    Q_OBJECT
public:
    ConfigPage(ConfigContext& context, QWidget* parent = nullptr);

    // Shows the engine's settings (when the sheet is made and at every later showing).
    virtual void load() = 0;
    // The sheet was confirmed: the page's values into the engine's settings.
    virtual void apply() = 0;

protected:
    // Every edit of every control asks here first. While cv.ini is write protected the edit is
    // refused: the message is shown, the page shows the stored values again (load()), and false
    // comes back. Otherwise the settings count as changed and true comes back.
    bool acceptEdit();

    ConfigContext& context() const { return context_; }
    engine::GpsEngine& engine() const;
    engine::Settings& settings() const;
    platform::Prompter& prompter() const { return context_.prompter; }

private:
    ConfigContext& context_;
};

} // namespace ui

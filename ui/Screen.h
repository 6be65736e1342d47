#pragma once
// A screen of the main window (GPS, Nav, Way Pts): one widget of the view's stack, redrawn from
// the GPS state on every update tick while it is the current one.

#include <QWidget>
#include <memory>

namespace engine {
class GpsEngine;
}

namespace ui {

class Screen : public QWidget {
public:
    using QWidget::QWidget;
    // The update tick's redraw from the GPS state (the platform's WM_USER + 10). Runs on the
    // user-interface thread, which only ever tries the engine lock: a busy engine skips a redraw.
    virtual void refresh() = 0;
};

// The GPS screen over the engine.
std::unique_ptr<Screen> makeGpsScreen(engine::GpsEngine& engine, QWidget* parent);

} // namespace ui

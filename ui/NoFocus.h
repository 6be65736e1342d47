#pragma once
// The window-in-front backend of a session that has none (Wayland): no window is known to be in
// front, so the focus is never given back to one; the wedge then types into whatever has it.

#include "platform/Focus.h"

namespace ui {

class NoFocus final : public platform::Focus {
public:
    WindowId foreground() override { return 0; }
    bool bringToFront(WindowId) override { return false; }
};

} // namespace ui

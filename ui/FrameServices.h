#pragma once
// What the main window takes from outside rather than making itself, so that tests can hand it a
// manual clock, a recording prompter, recording input backends and a directory of their own.

#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/InputBackends.h"
#include "platform/Prompter.h"

namespace ui {

struct FrameServices {
    platform::Clock& clock;
    platform::Prompter& prompter;
    // Opens the typing, hot-key and window-in-front backends; called once, when the wedge or the
    // hot keys are first needed.
    std::function<platform::InputBackends()> openInput = platform::openInputBackends;
    // The application directory (ending in '/'); empty: the one the registry names.
    std::string applicationDirectory;
};

} // namespace ui

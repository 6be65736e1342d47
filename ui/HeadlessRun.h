#pragma once
// `corvane --headless`: the program's start-up, link threads, update tick and memory exchange
// without a display, printing what the GPS screen shows once a second until SIGINT or SIGTERM.

#include <string>

#include "ui/GpsScreenTexts.h"

namespace ui {

// One printed line: status, position, elevation, PDOP, EHE and "sv <in view>/<used>", separated
// by " | ", trailing blanks of each text removed and line ends inside a text made blanks.
std::string headlessLine(const GpsScreenTexts& texts);

// Runs inside a QCoreApplication until a stop signal. The exit status: 0 after a stop, 1 when
// the start-up failed (its message on stderr).
int runHeadless(const std::string& applicationDirectory = {});

} // namespace ui

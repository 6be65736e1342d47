// cvtool wedge: the key events the keyboard wedge would type for one position with the settings
// of a cv.ini, one per line; with --type also sent for real into the program in front.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CliSupport.h"
#include "Commands.h"
#include "ToolStartup.h"
#include "engine/GpsEngine.h"
#include "exchange/KeyboardWedge.h"
#include "exchange/WedgeNotice.h"
#include "platform/Clock.h"
#include "platform/InputBackends.h"
#include "platform/Prompter.h"
#include "platform/RecordingKeyInjector.h"

namespace cvtool {
namespace {

constexpr const char* kHelp =
    "usage: cvtool wedge --ini FILE [--mark] [--type] LAT LON ALT\n"
    "\n"
    "Prints the key events the keyboard wedge would send for a position (WGS 84 signed\n"
    "decimal degrees, altitude in metres) with the settings of FILE (KWDG, KEYWEDGE, K_RAW,\n"
    "K_INTERNAL, K_INTKEY, Format, Units, Datum and the masks). One line per event:\n"
    "\"down CODE NAME\" or \"up CODE NAME\", CODE the virtual-key code and NAME its key name\n"
    "(\"Shift\", \"Tab\", \"Keypad Minus\", \"N\"); a code without a name is printed alone.\n"
    "\n"
    "Without --mark the position is a fresh GGA fix (quality 1, no satellite or DOP data)\n"
    "sent as after the wedge hot key: the masks of FILE apply, and a masked fix is given up\n"
    "as the program does after 5 s. With --mark it is typed as a finished mark, without masks.\n"
    "\n"
    "  --ini FILE   the cv.ini whose settings apply\n"
    "  --mark       type the position as a finished mark\n"
    "  --type       after printing them, wait 3 s (time to put the focus on the program\n"
    "               to type into), then send the events for real through the session's\n"
    "               typing backend (XTest on X11, the desktop portal on Wayland,\n"
    "               uinput with CORVANE_INPUT=uinput)\n"
    "\n"
    "Exit status: 0 when the wedge typed (or, with KWDG No or a list without data items, had\n"
    "nothing to type: a note on stderr); 1 when the fix was masked, or with --type when the\n"
    "session offers no way to type (the reason on stderr); 2 for bad usage or an unreadable\n"
    "cv.ini.\n";

// Time to bring the program to type into to the front before --type sends the keys.
constexpr uint32_t kTypeDelayMs = 3000;

class NoFocus final : public platform::Focus {
public:
    WindowId foreground() override { return 0; }
    bool bringToFront(WindowId) override { return false; }
};

class NoView final : public exchange::WedgeNoticeView {
public:
    void showNotice(std::string_view) override {}
    void hideNotice() override {}
};

// Sends the recorded events through the session's own typing backend after the delay.
int typeForReal(const platform::RecordingKeyInjector& recorded) {
    platform::InputBackends backends = platform::openInputBackends();
    if (!backends.keys) {
        std::fprintf(stderr, "cvtool: wedge: cannot type: %s\n", backends.reason.c_str());
        return kExitBadData;
    }
    std::fprintf(stderr, "cvtool: wedge: typing into the window in front in %u s\n",
                 kTypeDelayMs / 1000);
    platform::SystemClock clock;
    clock.sleepMs(kTypeDelayMs);
    for (const platform::RecordingKeyInjector::Event& event : recorded.events()) {
        if (event.down)
            backends.keys->keyDown(event.virtualKey);
        else
            backends.keys->keyUp(event.virtualKey);
    }
    backends.keys->flush();
    return kExitOk;
}

bool number(const char* text, double& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(out);
}

} // namespace

int cmdWedge(int argc, char** argv) {
    const char* ini = nullptr;
    bool mark = false;
    bool type = false;
    std::vector<const char*> operands;
    auto handle = [&](std::string_view name, const char* value) {
        if (name == "ini") ini = value;
        if (name == "mark") mark = true;
        if (name == "type") type = true;
        return kExitOk;
    };
    if (auto s =
            parseArguments("wedge", kHelp, argc, argv,
                           {{"ini", true}, {"mark", false}, {"type", false}}, handle, operands))
        return *s;
    if (ini == nullptr) return usageError("wedge: --ini FILE is needed");
    double position[3] = {};
    if (operands.size() != 3) return usageError("wedge: LAT LON ALT are needed");
    for (int i = 0; i < 3; ++i)
        if (!number(operands[i], position[i]))
            return usageError("wedge: not a number: %s", operands[i]);
    if (std::fabs(position[0]) > 90 || std::fabs(position[1]) > 180)
        return usageError("wedge: the latitude must lie within -90..90, the longitude -180..180");

    platform::ManualClock clock;
    platform::StderrPrompter prompter;
    engine::GpsEngine engine(clock, prompter);
    if (!readToolSettings("wedge", ini, engine.settings, prompter)) return kExitUsage;
    exchange::applyWedgeRules(engine.settings);
    if (!engine.settings.KWDG || !engine.settings.KEYWEDGE.hasDataItem) {
        std::fprintf(stderr, "cvtool: wedge: %s: nothing is typed\n",
                     engine.settings.KWDG ? "the KEYWEDGE list has no data item" : "KWDG is No");
        return kExitOk;
    }

    platform::RecordingKeyInjector keys;
    NoFocus focus;
    NoView view;
    exchange::WedgeNotice notice(clock, focus, view);
    exchange::KeyboardWedge wedge(engine, keys, focus, notice);
    if (mark) {
        wedge.sendMarkWedge(position[0], position[1], position[2]);
    } else {
        engine.state.position.ggaTick = clock.tickCount();
        engine.state.position.quality = 1;
        engine.state.position.latitude = position[0];
        engine.state.position.longitude = position[1];
        engine.state.position.altitude = position[2];
        wedge.hotKeyPressed(true);
        clock.advance(exchange::kWedgePrepareMs);
        notice.poll();
        // The update ticks of the waiting send, until it types or gives up.
        while (wedge.wedgeBusy()) {
            clock.advance(200);
            notice.poll();
            wedge.tick();
        }
    }
    if (keys.events().empty()) {
        std::fprintf(stderr, "cvtool: wedge: the fix is masked: nothing is typed\n");
        return kExitBadData;
    }
    std::fputs(keys.lines().c_str(), stdout);
    if (!type) return kExitOk;
    std::fflush(stdout);
    return typeForReal(keys);
}

} // namespace cvtool

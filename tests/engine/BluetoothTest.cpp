// Which Bluetooth stack serves the configured port (fake vendor library and registry), the
// vendor library's release, the reaction to the stack events, and the suspend time-outs.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <tuple>
#include <vector>

#include "FakeLink.h"
#include "engine/Bluetooth.h"
#include "engine/GpsEngine.h"
#include "engine/PowerTimeouts.h"
#include "engine/StackEventTarget.h"
#include "fakes/FakeDrakar.h"
#include "platform/NamedEvent.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

struct Recorder final : engine::StackEventTarget {
    void postStackEvent(uint32_t code) override { codes.push_back(code); }
    std::vector<uint32_t> codes;
};

const std::string kActive = "Drivers\\Active\\";
const std::string kPorts = "Software\\Microsoft\\Bluetooth\\Serial\\Ports\\";

class Bluetooth : public ::testing::Test {
protected:
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    testsupport::TempDir dir;
    fakelink::Installed fakePort;
};
using DetectBluetoothPort = Bluetooth;
using StackEvent = Bluetooth;
using PowerTimeouts = Bluetooth;

TEST_F(DetectBluetoothPort, ChoosesTheStackThatServesThePort) {
    // Active drivers: COM6: under another key, COM5: under the vendor's, COM7: after the missing
    // number that ends the walk. System stack: COM6:, COM7:, an overlong COM9:.
    platform::Registry registry{dir.file("registry.reg")};
    const char* vendor = "software\\socket communications\\bluetooth\\socket bt com port 2";
    for (auto [key, name, value] : {std::tuple{kActive + "01", "Key", "Other"},
                                    {kActive + "01", "Name", "COM6:"},
                                    {kActive + "02", "Key", vendor},
                                    {kActive + "02", "Name", "COM5:"},
                                    {kActive + "04", "Key", vendor},
                                    {kActive + "04", "Name", "COM7:"},
                                    {kPorts + "01", "Port", "COM6:"},
                                    {kPorts + "02", "Port", "COM7:"},
                                    {kPorts + "03", "Port", "COM9:0123456789"}})
        registry.setString(platform::RegistryRoot::LocalMachine, key, name, value);
    // The fake library's variant ("none": a folder without one), DkFindBtComPort's result and
    // port, DkRequestStackEvents' result; the configured port; the outcome.
    for (auto [variant, find, reported, request, configured, outcome] :
         {// The vendor stack reports the port itself, or the active drivers name it.
          std::tuple{"full", 0, u"COM6:", 0, u"COM6:", "vendor loaded"},
          {"full", 0, u"COM4:", 0, u"COM5:", "vendor loaded"},
          // It claims the port but refuses the events (or cannot take them): no fall-back.
          {"full", 0, u"COM6:", 5, u"COM6:", "none loaded"},
          {"norequest", 0, u"COM6:", 0, u"COM6:", "none loaded"},
          // Otherwise the system stack's list decides and the vendor library goes.
          {"full", 0, u"COM4:", 0, u"COM7:", "system released"},
          {"full", 0, u"COM4:", 0, u"COM3:", "none released"},
          {"full", 3, u"COM6:", 0, u"COM6:", "system released"},
          {"noinit", 0, u"COM6:", 0, u"COM6:", "system released"},
          {"none", 0, u"COM6:", 0, u"COM6:", "system"},
          {"none", 0, u"COM6:", 0, u"COM9:", "none"}}) {
        SCOPED_TRACE(std::string(variant) + " " + outcome);
        // The engine loads the library from the application directory; the test opens the same
        // instance to steer it.
        engine::GpsEngine engine{clock, prompter};
        std::string from = std::string(FAKE_DRAKAR_DIR) + variant + "/";
        std::snprintf(engine.applicationDirectory, sizeof engine.applicationDirectory, "%s",
                      from.c_str());
        void* fake = dlopen((from + "libdrakar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        FakeDrakarState* state = nullptr;
        if (fake != nullptr) {
            state = reinterpret_cast<FakeDrakarState* (*)()>(dlsym(fake, "FakeDrakarGetState"))();
            *state = {find, reported, request};
        }
        engine.registry = &registry;
        std::char_traits<char16_t>::copy(engine.portName, configured, 6);
        engine.microsoftStackPort = engine.drakarPort = 1; // from an earlier port
        bool found = engine::detectBluetoothPort(engine);
        EXPECT_EQ(std::string(found ? "" : "none") +
                      (engine.drakarPort           ? "vendor"
                       : engine.microsoftStackPort ? "system"
                                                   : "") +
                      (engine.drakarModule ? " loaded" : "") +
                      (state && state->deinitCalls == 1 ? " released" : ""),
                  outcome);
        if (engine.drakarPort) {
            Recorder target;
            engine.stackEventTarget = &target;
            state->window->post(state->window, 1043, 3);
            state->window->post(state->window, 1044, 1); // another message: not ours
            EXPECT_EQ(target.codes, std::vector<uint32_t>{3});
        }
        engine::releaseDrakar(engine);
        if (fake != nullptr) dlclose(fake);
    }
}

TEST_F(StackEvent, ClosesAndReopensAsTheStackSays) {
    // Ports: of the 'v'endor stack, of the 's'ystem stack, 'p'lain. Afterwards: portOpen,
    // autoConnecting, the closed-by-link-event note, opens, lastDataTick after the event's start
    // (-1 unchanged), whether the message was "not ready".
    using Outcome = std::tuple<int32_t, int32_t, bool, int, int64_t, bool>;
    int n = 0;
    for (auto [kind, before, code, after] :
         {// Vendor stack: link lost (1, and 2 alike) closes an open port; back (3) reopens
          // silently.
          std::tuple{'v', "open", 1u, Outcome{0, 1, true, 0, 100, false}},
          {'v', "noted", 3u, Outcome{1, 0, false, 1, 0, false}},
          {'v', "noted refused", 3u, Outcome{0, 0, false, 1, 0, false}},
          {'v', "", 3u, Outcome{0, 0, false, 0, -1, false}},
          // System stack: 2 closes an open port; 1 reopens after 2000 ms when the stack is up.
          {'s', "open", 2u, Outcome{0, 0, true, 0, 100, false}},
          {'s', "noted", 1u, Outcome{1, 0, false, 1, 2100, false}},
          {'s', "noted down", 1u, Outcome{0, 0, false, 0, -1, true}},
          {'s', "open noted", 1u, Outcome{1, 0, true, 0, -1, false}},
          {'p', "open", 1u, Outcome{1, 0, false, 0, -1, false}}}) {
        SCOPED_TRACE(n++);
        auto has = [&](const char* word) { return std::strstr(before, word) != nullptr; };
        engine::GpsEngine engine{clock, prompter};
        prompter.clear();
        engine.drakarPort = kind == 'v';
        engine.microsoftStackPort = kind == 's';
        engine.btStackUp = !has("down");
        if (has("open")) engine.link.portOpen = engine::openPort(engine, true);
        fakelink::opens = 0;
        fakelink::refuse = has("refused") ? ENOENT : 0;
        engine.lastDataTick = 1;
        bool noted = has("noted");
        uint32_t start = clock.tickCount();
        engine::handleStackEvent(engine, code, noted);
        EXPECT_EQ(
            Outcome(engine.link.portOpen, engine.link.autoConnecting, noted, fakelink::opens,
                    engine.lastDataTick == 1 ? -1 : int64_t(engine.lastDataTick) - start,
                    prompter.messages() == std::vector<std::string>{engine::kMsgStackNotReady}),
            after);
        fakelink::refuse = 0;
    }
}

// The suspend time-outs: saved and switched off at start, put back at exit, and the power
// manager told to reread them.
TEST_F(PowerTimeouts, StartSwitchesOffAndExitRestoresWhatWasThereOrTheDefaults) {
    engine::GpsEngine engine{clock, prompter}, fresh{clock, prompter}; // fresh never starts
    platform::Registry registry{dir.file("registry.reg")};
    engine.registry = fresh.registry = &registry;
    const auto root = platform::RegistryRoot::LocalMachine;
    auto get = [&](const char* name) {
        return registry.queryDword(root, engine::kPowerTimeoutsKey, name).value_or(99999);
    };
    auto values = [&] { return std::pair(get("BattSuspendTimeout"), get("ACSuspendTimeout")); };
    engine::applyPowerTimeouts(engine, false); // no key: nothing is written, not even the key
    engine::applyPowerTimeouts(engine, true);
    EXPECT_FALSE(registry.keyExists(root, engine::kPowerTimeoutsKey));
    // The battery value is missing at the first start: its default stays saved.
    for (auto [name, value, restored] :
         {std::tuple{"ACSuspendTimeout", 600u, std::pair(180u, 600u)},
          {"BattSuspendTimeout", 60u, std::pair(60u, 600u)}}) {
        registry.setDword(root, engine::kPowerTimeoutsKey, name, value);
        engine::applyPowerTimeouts(engine, false);
        EXPECT_EQ(values(), std::pair(0u, 0u));
        engine::applyPowerTimeouts(engine, true);
        EXPECT_EQ(values(), restored);
    }
    EXPECT_FALSE(platform::NamedEvent::openExisting(engine::kReloadTimeoutsEvent));
    auto reload = platform::NamedEvent::create(engine::kReloadTimeoutsEvent, false);
    ASSERT_TRUE(reload);
    engine::applyPowerTimeouts(fresh, true);
    EXPECT_EQ(values(), std::pair(180u, 300u));
    EXPECT_TRUE(reload->isSet());
}

} // namespace

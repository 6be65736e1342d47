// Which Bluetooth stack serves the configured port (fake vendor library and registry), the
// vendor library's release, and the reaction to the vendor stack's events.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>
#include <vector>

#include "FakeLink.h"
#include "engine/Bluetooth.h"
#include "engine/GpsEngine.h"
#include "engine/StackEventTarget.h"
#include "fakes/FakeDrakar.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace {

using platform::RegistryRoot;
using Str = std::char_traits<char16_t>;

struct Recorder final : engine::StackEventTarget {
    void postStackEvent(uint32_t code) override { codes.push_back(code); }
    std::vector<uint32_t> codes;
};

struct DetectCase {
    const char* variant; // of the fake library; "none" for a folder without one
    int findResult;
    const char16_t* reported;
    int requestResult;
    const char* activeAt;   // Drivers\Active\NN naming COM6: under the vendor's key
    const char* systemPort; // the system stack's entry
    bool result;
    int drakarPort, microsoftStackPort;
    bool stillLoaded;
};

// A stable test name (the default prints the case's bytes, pointers included).
void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.variant << " find " << c.findResult << " digit " << char(c.reported[3]) << " request "
        << c.requestResult << " active " << (c.activeAt ? c.activeAt : "-") << " system "
        << (c.systemPort ? c.systemPort : "-");
}

class DetectBluetoothPort : public ::testing::TestWithParam<DetectCase> {
protected:
    ~DetectBluetoothPort() override {
        engine::releaseDrakar(engine);
        if (fake != nullptr) dlclose(fake);
    }
    // The engine loads the library from the application directory; the test opens the same
    // instance to steer it.
    FakeDrakarState* useLibrary(const std::string& variant) {
        std::string dir = std::string(FAKE_DRAKAR_DIR) + variant + "/";
        std::snprintf(engine.applicationDirectory, sizeof engine.applicationDirectory, "%s",
                      dir.c_str());
        fake = dlopen((dir + "libdrakar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (fake == nullptr) return nullptr;
        using Get = FakeDrakarState* (*)();
        FakeDrakarState* state = reinterpret_cast<Get>(dlsym(fake, "FakeDrakarGetState"))();
        return &(*state = FakeDrakarState{});
    }
    void set(const std::string& key, const char* name, const char* value) {
        registry.setString(RegistryRoot::LocalMachine, key, name, value);
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
    void* fake = nullptr;
};

TEST_P(DetectBluetoothPort, ChoosesTheStackThatServesThePort) {
    const DetectCase& c = GetParam();
    FakeDrakarState* fakeState = useLibrary(c.variant);
    if (fakeState != nullptr) {
        fakeState->findResult = c.findResult;
        Str::copy(fakeState->port, c.reported, 6);
        fakeState->requestResult = c.requestResult;
    }
    const std::string active = "Drivers\\Active\\";
    const char* vendorKey = "software\\socket communications\\bluetooth\\socket bt com port 2";
    for (auto [n, key, name] : {std::tuple{"01", vendorKey, "COM8:"},
                                {"02", "Other", "COM6:"},
                                {c.activeAt, vendorKey, "COM6:"}}) {
        if (n == nullptr) continue;
        set(active + n, "Key", key);
        set(active + n, "Name", name);
    }
    const std::string ports = "Software\\Microsoft\\Bluetooth\\Serial\\Ports\\";
    set(ports + "01", "Port", "COM2:");
    if (c.systemPort != nullptr) set(ports + "02", "Port", c.systemPort);
    engine.registry = &registry;
    Str::copy(engine.portName, u"COM6:", 6);
    engine.microsoftStackPort = engine.drakarPort = 1; // from an earlier port
    EXPECT_EQ(engine::detectBluetoothPort(engine), c.result);
    EXPECT_EQ(engine.drakarPort, c.drakarPort);
    EXPECT_EQ(engine.microsoftStackPort, c.microsoftStackPort);
    EXPECT_EQ(engine.drakarModule != nullptr, c.stillLoaded);
    if (fakeState == nullptr) return;
    EXPECT_EQ(fakeState->deinitCalls, c.stillLoaded ? 0 : 1);
    Recorder target;
    engine.stackEventTarget = &target;
    if (c.drakarPort) {
        fakeState->window->post(fakeState->window, fakeState->message, 3);
        fakeState->window->post(fakeState->window, 1044, 1); // another message: not ours
        EXPECT_EQ(target.codes, std::vector<uint32_t>{3});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectBluetoothPort,
    ::testing::Values(
        // The vendor stack reports the port itself, or the active drivers name it.
        DetectCase{"full", 0, u"COM6:", 0, nullptr, "COM6:", true, 1, 0, true},
        DetectCase{"full", 0, u"COM4:", 0, "03", nullptr, true, 1, 0, true},
        // It claims the port but refuses the events (or cannot take them): no fall-back.
        DetectCase{"full", 0, u"COM6:", 5, nullptr, "COM6:", false, 0, 0, true},
        DetectCase{"norequest", 0, u"COM6:", 0, nullptr, "COM6:", false, 0, 0, true},
        // Otherwise the system stack's list decides and the vendor library goes. The driver
        // walk ends at the first missing number; an overlong Port value is not read.
        DetectCase{"full", 0, u"COM4:", 0, "04", "COM6:", true, 0, 1, false},
        DetectCase{"full", 0, u"COM4:", 0, nullptr, nullptr, false, 0, 0, false},
        DetectCase{"full", 3, u"COM6:", 0, nullptr, "COM6:", true, 0, 1, false},
        DetectCase{"noinit", 0, u"COM6:", 0, nullptr, "COM6:", true, 0, 1, false},
        DetectCase{"none", 0, u"COM6:", 0, nullptr, "COM6:", true, 0, 1, false},
        DetectCase{"none", 0, u"COM6:", 0, nullptr, "COM6:0123456789", false, 0, 0, false}));

struct EventCase {
    int drakarPort, microsoftStackPort;
    bool portOpen, noted, stackUp, refuse;
    uint32_t code;
    // Afterwards:
    int portOpenAfter, autoConnecting;
    bool notedAfter;
    int opens;
    int64_t lastDataAfter; // ms after the event's start, -1 unchanged
    bool notReadyMessage;
};

void PrintTo(const EventCase& c, std::ostream* os) {
    *os << "code " << c.code
        << (c.drakarPort           ? " vendor"
            : c.microsoftStackPort ? " system"
                                   : "")
        << (c.portOpen ? " open" : "") << (c.noted ? " noted" : "") << (c.stackUp ? " up" : "")
        << (c.refuse ? " refused" : "");
}

class StackEvent : public ::testing::TestWithParam<EventCase> {
protected:
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    fakelink::Installed fakePort;
};

TEST_P(StackEvent, ClosesAndReopensAsTheStackSays) {
    const EventCase& c = GetParam();
    engine.drakarPort = c.drakarPort;
    engine.microsoftStackPort = c.microsoftStackPort;
    engine.btStackUp = c.stackUp;
    if (c.portOpen) engine.link.portOpen = engine::openPort(engine, true);
    fakelink::opens = 0;
    fakelink::refuse = c.refuse;
    engine.lastDataTick = 1;
    bool noted = c.noted;
    uint32_t start = clock.tickCount();
    engine::handleStackEvent(engine, c.code, noted);
    EXPECT_EQ(engine.link.portOpen, c.portOpenAfter);
    EXPECT_EQ(engine.port != nullptr, c.portOpenAfter == 1);
    EXPECT_EQ(engine.link.autoConnecting, c.autoConnecting);
    EXPECT_EQ(noted, c.notedAfter);
    EXPECT_EQ(fakelink::opens, c.opens);
    EXPECT_EQ(engine.lastDataTick, c.lastDataAfter < 0 ? 1u : start + c.lastDataAfter);
    EXPECT_EQ(prompter.messages(), c.notReadyMessage
                                       ? std::vector<std::string>{engine::kMsgStackNotReady}
                                       : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StackEvent,
    ::testing::Values(
        // Vendor stack: link lost (1, 2) closes an open port; back (3) reopens silently.
        EventCase{1, 0, true, false, true, false, 1, 0, 1, true, 0, 100, false},
        EventCase{1, 0, true, false, true, false, 2, 0, 1, true, 0, 100, false},
        EventCase{1, 0, false, true, true, false, 3, 1, 0, false, 1, 0, false},
        EventCase{1, 0, false, true, true, true, 3, 0, 0, false, 1, 0, false},
        EventCase{1, 0, false, false, true, false, 3, 0, 0, false, 0, -1, false},
        // System stack: 2 closes an open port; 1 reopens after 2000 ms when the stack is up.
        EventCase{0, 1, true, false, true, false, 2, 0, 0, true, 0, 100, false},
        EventCase{0, 1, false, true, true, false, 1, 1, 0, false, 1, 2100, false},
        EventCase{0, 1, false, true, false, false, 1, 0, 0, false, 0, -1, true},
        EventCase{0, 1, true, true, true, false, 1, 1, 0, true, 0, -1, false},
        // A plain port ignores the events.
        EventCase{0, 0, true, false, true, false, 1, 1, 0, false, 0, -1, false}));

} // namespace

// Which Bluetooth stack serves the configured port (through the fake vendor library and the
// registry), the vendor library's release, and the reaction to the vendor stack's events.

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

constexpr const char* kVendorKey =
    "software\\socket communications\\bluetooth\\socket bt com port 2"; // any case matches

struct Recorder final : engine::StackEventTarget {
    void postStackEvent(uint32_t code) override { codes.push_back(code); }
    std::vector<uint32_t> codes;
};

class BluetoothTest : public ::testing::Test {
protected:
    BluetoothTest() { engine.registry = &registry; }
    ~BluetoothTest() override {
        engine::releaseDrakar(engine);
        if (fake != nullptr) dlclose(fake);
    }
    // Points the application directory at a variant of the fake library and opens it too, so
    // the test steers the same instance the engine loads.
    FakeDrakarState& useLibrary(const std::string& variant) {
        std::string dir = std::string(FAKE_DRAKAR_DIR) + variant + "/";
        std::snprintf(engine.applicationDirectory, sizeof engine.applicationDirectory, "%s",
                      dir.c_str());
        fake = dlopen((dir + "libdrakar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        auto get = reinterpret_cast<FakeDrakarStateFn>(dlsym(fake, "FakeDrakarGetState"));
        *get() = FakeDrakarState{};
        return *get();
    }
    void systemStackPort(const char* sub, const char* port) {
        registry.setString(RegistryRoot::LocalMachine,
                           std::string("Software\\Microsoft\\Bluetooth\\Serial\\Ports\\") + sub,
                           "Port", port);
    }
    void activeDriver(const char* n, const char* key, const char* name) {
        std::string path = std::string("Drivers\\Active\\") + n;
        registry.setString(RegistryRoot::LocalMachine, path, "Key", key);
        registry.setString(RegistryRoot::LocalMachine, path, "Name", name);
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
    testsupport::TempDir dir;
    platform::Registry registry{dir.file("registry.reg")};
    void* fake = nullptr;
};

struct DetectCase {
    const char* variant;
    int findResult;
    const char16_t* reported;
    int requestResult;
    bool activeMatch; // Drivers\Active\02 names COM6: under the vendor's key
    bool systemEntry; // the system stack lists COM6:
    bool result;
    int drakarPort, microsoftStackPort;
    bool stillLoaded;
};

// A stable name for the test listing (the default prints the case's bytes, pointers included).
void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.variant << " find " << c.findResult << " digit " << char(c.reported[3]) << " request "
        << c.requestResult << (c.activeMatch ? " active" : "") << (c.systemEntry ? " system" : "");
}

class DetectBluetoothPort : public BluetoothTest,
                            public ::testing::WithParamInterface<DetectCase> {};

TEST_P(DetectBluetoothPort, ChoosesTheStackThatServesThePort) {
    const DetectCase& c = GetParam();
    FakeDrakarState& fakeState = useLibrary(c.variant);
    fakeState.findResult = c.findResult;
    std::char_traits<char16_t>::copy(fakeState.port, c.reported, 6);
    fakeState.requestResult = c.requestResult;
    activeDriver("01", kVendorKey, "COM8:");
    if (c.activeMatch) activeDriver("02", kVendorKey, "COM6:");
    activeDriver("03", "Other", "COM6:");
    if (c.systemEntry) systemStackPort("00", "COM6:");
    systemStackPort("01", "COM2:");
    std::char_traits<char16_t>::copy(engine.portName, u"COM6:", 6);
    engine.microsoftStackPort = engine.drakarPort = 1; // from an earlier port
    EXPECT_EQ(engine::detectBluetoothPort(engine), c.result);
    EXPECT_EQ(engine.drakarPort, c.drakarPort);
    EXPECT_EQ(engine.microsoftStackPort, c.microsoftStackPort);
    EXPECT_EQ(engine.drakarModule != nullptr, c.stillLoaded);
    if (c.drakarPort) {
        EXPECT_EQ(fakeState.message, 1043u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DetectBluetoothPort,
                         ::testing::Values(
                             // The vendor stack reports the port itself.
                             DetectCase{"full", 0, u"COM6:", 0, false, true, true, 1, 0, true},
                             // ... but refuses the events: no fall-back to the system stack.
                             DetectCase{"full", 0, u"COM6:", 5, false, true, false, 0, 0, true},
                             // Another port reported, the active driver list names ours.
                             DetectCase{"full", 0, u"COM4:", 0, true, false, true, 1, 0, true},
                             // Neither: the system stack's list decides, the vendor library goes.
                             DetectCase{"full", 0, u"COM4:", 0, false, true, true, 0, 1, false},
                             DetectCase{"full", 0, u"COM4:", 0, false, false, false, 0, 0, false},
                             DetectCase{"full", 3, u"COM6:", 0, false, true, true, 0, 1, false},
                             DetectCase{"noinit", 0, u"COM6:", 0, false, true, true, 0, 1, false},
                             DetectCase{"norequest", 0, u"COM6:", 0, false, true, false, 0, 0,
                                        true}));

TEST_F(BluetoothTest, DriverWalkEndsAtTheFirstMissingNumber) {
    FakeDrakarState& fakeState = useLibrary("full");
    std::char_traits<char16_t>::copy(fakeState.port, u"COM4:", 6);
    activeDriver("01", kVendorKey, "COM8:");
    activeDriver("03", kVendorKey, "COM6:"); // after the gap: never read
    std::char_traits<char16_t>::copy(engine.portName, u"COM6:", 6);
    EXPECT_FALSE(engine::detectBluetoothPort(engine));
    EXPECT_EQ(fakeState.deinitCalls, 1);
}

TEST_F(BluetoothTest, WithoutTheLibraryTheSystemStackDecides) {
    std::snprintf(engine.applicationDirectory, sizeof engine.applicationDirectory, "%s",
                  dir.path().c_str());
    systemStackPort("03", "COM5:");
    systemStackPort("04", "COM6:0123456789"); // longer than the value may be: not read
    std::char_traits<char16_t>::copy(engine.portName, u"COM5:", 6);
    EXPECT_TRUE(engine::detectBluetoothPort(engine));
    EXPECT_EQ(engine.microsoftStackPort, 1);
    std::char_traits<char16_t>::copy(engine.portName, u"COM6:", 6);
    EXPECT_FALSE(engine::detectBluetoothPort(engine));
    EXPECT_EQ(engine.microsoftStackPort, 0);
}

TEST_F(BluetoothTest, VendorEventsReachTheTargetAndReleaseDeinitialises) {
    FakeDrakarState& fakeState = useLibrary("full");
    Recorder target;
    engine.stackEventTarget = &target;
    std::char_traits<char16_t>::copy(engine.portName, u"COM6:", 6);
    ASSERT_TRUE(engine::detectBluetoothPort(engine));
    fakeState.window->post(fakeState.window, fakeState.message, 3);
    fakeState.window->post(fakeState.window, 1044, 1); // another message: not ours
    EXPECT_EQ(target.codes, std::vector<uint32_t>{3});
    engine::releaseDrakar(engine);
    EXPECT_EQ(fakeState.deinitCalls, 1);
    EXPECT_EQ(engine.drakarPort, 0);
    EXPECT_EQ(engine.drakarModule, nullptr);
}

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

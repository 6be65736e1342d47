#include "engine/Bluetooth.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <strings.h>

#include "engine/EngineRegistry.h"
#include "engine/GpsEngine.h"
#include "engine/SerialLink.h"
#include "engine/StackEventTarget.h"

namespace engine {

namespace {

constexpr const char* kActiveDrivers = "Drivers\\Active";
constexpr const char* kVendorPortKey =
    "Software\\Socket Communications\\Bluetooth\\Socket BT COM Port 2";
constexpr const char* kSystemStackPorts = "Software\\Microsoft\\Bluetooth\\Serial\\Ports";
// The system stack's "Port" value is read into 20 bytes: at most 9 UTF-16 units and the end.
constexpr size_t kMaxSystemPortChars = 9;

// Ports compare by the digit at index 3 ("COM6:" -> '6'); a shorter name has none and matches
// nothing.
bool sameDigit(const char16_t* portName, std::u16string_view other) {
    return other.size() > 3 && portName[0] && portName[1] && portName[2] && portName[3] == other[3];
}

bool sameDigit(const char16_t* portName, std::string_view other) {
    return other.size() > 3 && portName[0] && portName[1] && portName[2] &&
           portName[3] == static_cast<unsigned char>(other[3]);
}

// The vendor library posts here (on its own threads); the owner's target queues the event to
// the user-interface thread.
void postFromDrakar(CorvaneStackWindow* window, unsigned message, unsigned code) {
    auto* engine = static_cast<GpsEngine*>(window->context);
    if (message == kStackEventMessage && engine->stackEventTarget != nullptr)
        engine->stackEventTarget->postStackEvent(code);
}

bool requestStackEvents(GpsEngine& engine) {
    auto request = engine.drakarModule->function<DkRequestStackEventsFn>("DkRequestStackEvents");
    if (request == nullptr) return false;
    engine.drakarWindow.post = &postFromDrakar;
    engine.drakarWindow.context = &engine;
    if (request(&engine.drakarWindow, kStackEventMessage) != 0) return false;
    engine.drakarPort = 1;
    return true;
}

// Walks "Drivers\Active\01", "02" ... until one is missing, looking for a vendor stack port
// whose "Name" has the configured digit.
bool vendorPortActive(GpsEngine& engine) {
    return withEngineRegistry(engine, [&](platform::Registry& registry) {
        const auto root = platform::RegistryRoot::LocalMachine;
        if (!registry.keyExists(root, kActiveDrivers)) return false;
        for (int n = 1;; ++n) {
            char key[32];
            std::snprintf(key, sizeof key, "%s\\%02d", kActiveDrivers, n);
            if (!registry.keyExists(root, key)) return false;
            auto value = registry.queryString(root, key, "Key");
            if (!value || strcasecmp(value->c_str(), kVendorPortKey) != 0) continue;
            auto name = registry.queryString(root, key, "Name");
            if (name && sameDigit(engine.portName, *name)) return true;
        }
    });
}

bool systemStackPort(GpsEngine& engine) {
    return withEngineRegistry(engine, [&](platform::Registry& registry) {
        const auto root = platform::RegistryRoot::LocalMachine;
        for (const std::string& sub : registry.subkeys(root, kSystemStackPorts)) {
            auto port =
                registry.queryString(root, std::string(kSystemStackPorts) + "\\" + sub, "Port");
            if (port && port->size() <= kMaxSystemPortChars && sameDigit(engine.portName, *port))
                return true;
        }
        return false;
    });
}

// Steps 1 to 4: the vendor stack. True when it serves the port and takes events; false with
// checkSystemStack set when the system's stack is to be asked instead.
bool vendorStackPort(GpsEngine& engine, bool& checkSystemStack) {
    checkSystemStack = true;
    if (!engine.drakarModule) {
        engine.drakarModule =
            platform::DynamicLibrary::load(engine.applicationDirectory, kDrakarLibrary);
        if (!engine.drakarModule) return false;
    }
    auto init = engine.drakarModule->function<DrakarInitFn>("DrakarInit");
    auto find = engine.drakarModule->function<DkFindBtComPortFn>("DkFindBtComPort");
    if (init == nullptr) return false;
    init();
    char16_t found[80] = {};
    if (find == nullptr || find(found, 80) != 0) return false;
    found[79] = u'\0'; // whatever the library wrote, the name ends inside the buffer
    if (!sameDigit(engine.portName, std::u16string_view(found)) && !vendorPortActive(engine))
        return false;
    // The vendor stack owns the port from here: a refused request is the answer.
    checkSystemStack = false;
    return requestStackEvents(engine);
}

} // namespace

bool detectBluetoothPort(GpsEngine& engine) {
    // A port chosen anew must not keep the flags of the previous one.
    engine.drakarPort = 0;
    engine.microsoftStackPort = 0;
    bool checkSystemStack = true;
    if (vendorStackPort(engine, checkSystemStack)) return true;
    if (!checkSystemStack) return false;
    releaseDrakar(engine);
    if (!systemStackPort(engine)) return false;
    engine.microsoftStackPort = 1;
    return true;
}

void releaseDrakar(GpsEngine& engine) {
    if (engine.drakarModule) {
        if (auto deinit = engine.drakarModule->function<DrakarDeinitFn>("DrakarDeinit")) deinit();
        engine.drakarModule.reset();
    }
    engine.drakarPort = 0;
}

void handleStackEvent(GpsEngine& engine, uint32_t code, bool& closedByLinkEvent) {
    platform::Clock& clock = engine.clock();
    auto portOpen = [&] {
        std::lock_guard<std::mutex> held(engine.lock());
        return engine.link.portOpen != 0;
    };
    // closePort takes the engine lock for its own part; the flags follow under the lock.
    auto closeNoting = [&](bool autoConnecting) {
        closePort(engine);
        std::lock_guard<std::mutex> held(engine.lock());
        if (autoConnecting) engine.link.autoConnecting = 1;
        engine.lastDataTick = clock.tickCount();
    };
    if (engine.drakarPort) {
        if ((code == 1 || code == 2) && portOpen()) {
            closeNoting(true);
            closedByLinkEvent = true;
        } else if (code == 3 && !portOpen() && closedByLinkEvent) {
            closedByLinkEvent = false;
            bool opened = openPort(engine, true);
            std::lock_guard<std::mutex> held(engine.lock());
            if (opened) engine.link.portOpen = 1;
            engine.link.autoConnecting = 0;
            engine.lastDataTick = clock.tickCount();
        }
        return;
    }
    if (!engine.microsoftStackPort) return;
    if (code == 1 && !portOpen() && closedByLinkEvent) {
        bool stackUp;
        {
            std::lock_guard<std::mutex> held(engine.lock());
            stackUp = engine.btStackUp != 0;
        }
        closedByLinkEvent = false;
        if (!stackUp) {
            engine.prompter().message(kMsgStackNotReady);
            return;
        }
        closePort(engine);
        clock.sleepMs(2000);
        bool opened = openPort(engine, false);
        std::lock_guard<std::mutex> held(engine.lock());
        if (opened) engine.link.portOpen = 1;
        engine.lastDataTick = clock.tickCount();
    } else if (code == 2 && portOpen()) {
        closedByLinkEvent = true;
        closeNoting(false);
    }
}

} // namespace engine

#include "platform/UinputKeyInjector.h"

#include "platform/Clock.h"
#include "platform/VirtualKeys.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kSeeInstall = " See \"Typing through uinput (opt-in)\" in docs/install.md.";

std::string openFailure(const std::string& path, int error) {
    if (error == ENOENT || error == ENODEV || error == ENXIO)
        return path + " does not exist: the uinput kernel module is not loaded (modprobe uinput)." +
               kSeeInstall;
    if (error == EACCES || error == EPERM)
        return "This user may not read and write " + path +
               ", which typing through uinput needs (the udev rule and group membership are "
               "missing)." +
               kSeeInstall;
    return "Cannot open " + path + ": " + std::strerror(error) + "." + kSeeInstall;
}

} // namespace

std::unique_ptr<UinputKeyInjector> UinputKeyInjector::open(const KeymapLookup::Layout& layout,
                                                           Clock& clock, std::string* reason,
                                                           const std::string& devicePath) {
    std::unique_ptr<KeymapLookup> keymap = KeymapLookup::compile(layout, reason);
    if (!keymap) return nullptr;
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (reason) *reason = openFailure(devicePath, errno);
        return nullptr;
    }
    libevdev* device = libevdev_new();
    libevdev_set_name(device, "Corvane virtual keyboard");
    libevdev_set_id_bustype(device, BUS_VIRTUAL);
    libevdev_enable_event_type(device, EV_KEY);
    // Every key the lookup can answer, which also makes the desktop take it for a keyboard.
    for (unsigned code = 1; code <= KeymapLookup::kMaxCode; ++code)
        libevdev_enable_event_code(device, EV_KEY, code, nullptr);
    libevdev_uinput* uinput = nullptr;
    const int made = libevdev_uinput_create_from_device(device, fd, &uinput);
    if (made < 0) {
        libevdev_free(device);
        ::close(fd);
        if (reason)
            *reason = "Cannot make a virtual keyboard through " + devicePath + ": " +
                      std::strerror(-made) + "." + kSeeInstall;
        return nullptr;
    }
    // The desktop adds a new keyboard a moment after the kernel announces it; keys sent before
    // are lost.
    clock.sleepMs(kSettleMs);
    return std::unique_ptr<UinputKeyInjector>(
        new UinputKeyInjector(std::move(keymap), layout.layout, fd, device, uinput));
}

UinputKeyInjector::UinputKeyInjector(std::unique_ptr<KeymapLookup> keymap, std::string layout,
                                     int fd, libevdev* device, libevdev_uinput* uinput)
    : keymap_(std::move(keymap)), layout_(std::move(layout)), fd_(fd), device_(device),
      uinput_(uinput) {}

UinputKeyInjector::~UinputKeyInjector() {
    libevdev_uinput_destroy(uinput_);
    libevdev_free(device_);
    ::close(fd_);
}

std::string UinputKeyInjector::deviceNode() const {
    const char* node = libevdev_uinput_get_devnode(uinput_);
    return node ? node : "";
}

bool UinputKeyInjector::send(uint16_t code, int value) {
    int r = libevdev_uinput_write_event(uinput_, EV_KEY, code, value);
    if (r >= 0) r = libevdev_uinput_write_event(uinput_, EV_SYN, SYN_REPORT, 0);
    if (r < 0) fail(std::string("Typing through uinput failed: ") + std::strerror(-r) + ".");
    return r >= 0;
}

void UinputKeyInjector::fail(const std::string& why) {
    lastError_ = why;
    ++failedKeys_;
}

// Shift is the device's logical Shift: it changes what the next keys type and is never pressed
// on its own. Every other key is typed in full (pressed and released) when it goes down, so no
// key of this keyboard stays down whatever the caller does next.
void UinputKeyInjector::keyDown(uint8_t virtualKey) {
    if (virtualKey == VK_SHIFT) {
        logicalShift_ = true;
        return;
    }
    const VirtualKey* key = findVirtualKey(virtualKey);
    if (key == nullptr) return;
    const uint32_t keysym = logicalShift_ ? key->shiftedKeysym : key->keysym;
    const std::optional<KeymapLookup::Place> place = keymap_->find(keysym);
    if (!place) {
        fail("The keyboard layout \"" + layout_ + "\" has no key that types " +
             KeymapLookup::keysymName(keysym) + " without AltGr; it was not typed.");
        return;
    }
    if (place->shift && !send(KEY_LEFTSHIFT, 1)) return;
    if (send(place->code, 1)) send(place->code, 0);
    if (place->shift) send(KEY_LEFTSHIFT, 0);
}

void UinputKeyInjector::keyUp(uint8_t virtualKey) {
    if (virtualKey == VK_SHIFT) logicalShift_ = false;
}

} // namespace platform

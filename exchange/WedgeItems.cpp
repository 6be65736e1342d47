#include "exchange/WedgeItems.h"

#include <utility>

#include "exchange/KeyboardWedge.h"
#include "platform/VirtualKeys.h"

namespace exchange {

std::string wedgeItemName(uint8_t code) {
    switch (code) {
    case kWedgeLatitude:
        return "Latitude";
    case kWedgeLongitude:
        return "Longitude";
    case kWedgeElevation:
        return "Elevation";
    default:
        break;
    }
    if (const platform::VirtualKey* key = platform::findVirtualKey(code)) return key->name;
    return std::to_string(code);
}

WedgeItems::WedgeItems(const engine::Settings& settings, platform::Prompter& prompter)
    : prompter_(prompter), protected_(settings.Protected != 0), list_(settings.KEYWEDGE),
      raw_(settings.K_RAW), internal_(settings.K_INTERNAL), separator_(settings.K_INTKEY) {
    if (list_.count > engine::kKeyWedgeCapacity) list_.count = engine::kKeyWedgeCapacity;
}

std::string WedgeItems::itemsLeftText() const {
    return "Items Left:" + std::to_string(engine::kKeyWedgeCapacity - list_.count);
}

bool WedgeItems::refused() {
    if (!protected_) return false;
    prompter_.message(kWriteProtectedMessage);
    return true;
}

bool WedgeItems::append(int availableIndex) {
    if (availableIndex < 0 || availableIndex >= static_cast<int>(std::size(kWedgeAvailableItems)))
        return false;
    if (list_.count >= engine::kKeyWedgeCapacity || refused()) return false;
    list_.items[list_.count++] = kWedgeAvailableItems[availableIndex].code;
    changed_ = true;
    return true;
}

bool WedgeItems::swapChosen(int other) {
    if (chosen_ < 0 || other < 0 || other >= list_.count || refused()) return false;
    std::swap(list_.items[chosen_], list_.items[other]);
    chosen_ = other;
    changed_ = true;
    return true;
}

bool WedgeItems::moveUp() {
    return swapChosen(chosen_ - 1);
}

bool WedgeItems::moveDown() {
    return chosen_ < 0 ? false : swapChosen(chosen_ + 1);
}

bool WedgeItems::remove() {
    if (chosen_ < 0 || refused()) return false;
    for (int i = chosen_; i + 1 < list_.count; ++i)
        list_.items[i] = list_.items[i + 1];
    --list_.count;
    if (chosen_ >= list_.count) chosen_ = list_.count - 1;
    changed_ = true;
    return true;
}

void WedgeItems::setRawData(bool on) {
    if (refused()) return;
    raw_ = on ? 1 : 0;
    internal_ = on ? 0 : 1;
    changed_ = true;
}

int WedgeItems::separatorIndex() const {
    if (raw_ || internal_) return -1;
    for (size_t i = 0; i < std::size(kWedgeSeparators); ++i)
        if (kWedgeSeparators[i].code == (separator_ & 0xff)) return static_cast<int>(i);
    return -1;
}

void WedgeItems::chooseSeparator(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kWedgeSeparators)) || refused()) return;
    separator_ = kWedgeSeparators[index].code;
    raw_ = 0;
    internal_ = 0;
    changed_ = true;
}

void WedgeItems::applyTo(engine::Settings& settings) const {
    settings.KEYWEDGE = list_;
    settings.K_RAW = raw_;
    settings.K_INTERNAL = internal_;
    settings.K_INTKEY = separator_;
    applyWedgeRules(settings);
}

} // namespace exchange

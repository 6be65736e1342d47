#pragma once
// The Keyboard configuration page without its window: the page's copy of the wedge list and of
// the format choices, and the rules of its buttons. Every edit is refused with a message while
// the configuration file is write protected; the page then shows the values it holds, which are
// still the stored ones.

#include <cstdint>
#include <span>
#include <string>

#include "engine/Settings.h"
#include "platform/Prompter.h"

namespace exchange {

struct WedgeChoice {
    uint8_t code;
    const char* name;
};

// "Available Data Items", in the page's order.
inline constexpr WedgeChoice kWedgeAvailableItems[] = {
    {249, "Latitude*"},  {253, "Longitude*"}, {254, "Elevation*"}, {9, "Tab"},        {13, "Enter"},
    {39, "Right Arrow"}, {37, "Left Arrow"},  {38, "Up Arrow"},    {40, "Down Arrow"}};
// The "Internal Format" drop-down: the separator key typed between the parts of a coordinate.
inline constexpr WedgeChoice kWedgeSeparators[] = {{9, "TAB"}, {39, "RIGHT"}, {37, "LEFT"},
                                                   {38, "UP"}, {40, "DOWN"},  {13, "RETURN"}};
inline constexpr const char* kWriteProtectedMessage =
    "Parameter file is write protected.\nParameter cannot be changed.";

// The name of a list code on the page ("Latitude", "Tab"); a key the page does not offer (from a
// hand-edited cv.ini) by its key name, else its number.
std::string wedgeItemName(uint8_t code);

class WedgeItems {
public:
    WedgeItems(const engine::Settings& settings, platform::Prompter& prompter);

    int count() const { return list_.count; }
    std::string name(int index) const { return wedgeItemName(list_.items[index]); }
    std::span<const uint8_t> codes() const { return {list_.items, list_.count}; }
    // "Items Left:%d".
    std::string itemsLeftText() const;

    // The chosen entry of "Selected Data Items", or -1.
    int chosen() const { return chosen_; }
    void choose(int index) { chosen_ = index >= 0 && index < list_.count ? index : -1; }

    // "->" with the entry of kWedgeAvailableItems at availableIndex (-1: none chosen). The
    // buttons return true when they changed the list.
    bool append(int availableIndex);
    bool moveUp();
    bool moveDown();
    bool remove();

    bool rawData() const { return raw_ != 0; }
    void setRawData(bool on);
    // The index in kWedgeSeparators shown by the drop-down, or -1 for no entry.
    int separatorIndex() const;
    void chooseSeparator(int index);

    bool changed() const { return changed_; }
    // The page is confirmed: its values into the settings, with the wedge rules applied.
    void applyTo(engine::Settings& settings) const;

private:
    bool refused();
    bool swapChosen(int other);

    platform::Prompter& prompter_;
    bool protected_;
    engine::KeyWedgeList list_;
    int32_t raw_;
    int32_t internal_;
    int32_t separator_;
    int chosen_ = -1;
    bool changed_ = false;
};

} // namespace exchange

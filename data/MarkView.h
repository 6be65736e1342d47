#pragma once
// What the mark point logic tells the "Mark Point" dialog to show, and asks of it. The window
// implements it; tests record the calls.

#include <string>

namespace data {

struct OffsetInputValues;

enum class MarkButton { Offset, Average, Store, Export };

// The texts of a position group: "Current GPS" or the point's.
struct MarkTexts {
    std::u16string location;  // the position in the configured datum, format and units
    std::u16string elevation; // the altitude in the configured units
    std::u16string pdop;      // "%3.1f"
    std::u16string ehe;       // "%3.1f m ", "%3.1f ft" or " < 0"
};

class MarkView {
public:
    virtual ~MarkView() = default;

    // "Current GPS": the fix status text, the mask verdict line and the current fix.
    virtual void showFixStatus(const std::u16string& text) = 0;
    virtual void showVerdict(const std::u16string& text) = 0;
    virtual void showCurrent(const MarkTexts& texts) = 0;

    // "Waypoint": the point (cleared on open), its number and the name field.
    virtual void showPoint(const MarkTexts& texts) = 0;
    virtual void clearPoint() = 0;
    virtual void showWaypointNumber(const std::u16string& text) = 0;
    virtual void setName(const std::u16string& text) = 0;
    virtual std::u16string name() const = 0;

    virtual void setButtonText(MarkButton button, const std::u16string& text) = 0;
    virtual void setStoreEnabled(bool enabled) = 0;
    // The progress bar and "Average": shown and enabled, or hidden.
    virtual void showAveraging(bool shown) = 0;
    virtual void setProgressRange(int maximum) = 0; // from 0, step 1
    virtual void setProgress(int position) = 0;

    // Shows "Offset Input" with values; on OK the edited values are left in values and true is
    // returned, on Cancel false.
    virtual bool askOffset(OffsetInputValues& values) = 0;

    // Hides the dialog (kept for the next mark), then tells the main window that the mark has
    // ended and whether the point was exported.
    virtual void hide() = 0;
    virtual void markClosed(bool exported) = 0;
};

// A dialog without a screen (the command-line tools): shows nothing, keeps the name field,
// cancels "Offset Input" and ignores the close.
class ScreenlessMarkView : public MarkView {
public:
    void showFixStatus(const std::u16string&) override {}
    void showVerdict(const std::u16string&) override {}
    void showCurrent(const MarkTexts&) override {}
    void showPoint(const MarkTexts&) override {}
    void clearPoint() override {}
    void showWaypointNumber(const std::u16string&) override {}
    void setName(const std::u16string& text) override { name_ = text; }
    std::u16string name() const override { return name_; }
    void setButtonText(MarkButton, const std::u16string&) override {}
    void setStoreEnabled(bool) override {}
    void showAveraging(bool) override {}
    void setProgressRange(int) override {}
    void setProgress(int) override {}
    bool askOffset(OffsetInputValues&) override { return false; }
    void hide() override {}
    void markClosed(bool) override {}

private:
    std::u16string name_;
};

} // namespace data

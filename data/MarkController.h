#pragma once
// The logic of the "Mark Point" dialog: takes fixes from the GPS state as they arrive, judges them
// with the quality masks, takes the first good fix or the mean of PointsAveraged good fixes,
// moves the result by the offset, and stores it as a waypoint and/or exports it to the data
// exchange file. The dialog window implements MarkView and forwards its buttons here.

#include <string>

#include "data/MarkState.h"
#include "data/WaypointEditing.h"

namespace engine {
class GpsEngine;
}

namespace data {

class MarkView;
class WaypointViews;

inline constexpr const char* kMarkNameTooLong = kMsgNameTooLong;

// The number of fixes an average may take: at least one (an average of none would never end),
// at most a day of fixes at one a second.
inline constexpr int kMinPointsAveraged = 1;
inline constexpr int kMaxPointsAveraged = 86400;

class MarkController {
public:
    // views (may be null) are told when a stored point changes the waypoint lists.
    MarkController(engine::GpsEngine& engine, MarkView& view, WaypointViews* views = nullptr);

    // Resets the state and the dialog for a new mark, and without averaging judges the current
    // fix at once. storeAllowed: the store has room (the caller has told the user when not).
    void open(bool storeAllowed);
    // The update step, on every refresh of the GPS state while the dialog is open. Takes the
    // engine lock (the caller must not hold it) and releases it before a store, export or close.
    void update();

    void pressAverage();
    void pressStore();
    void pressExport();
    void pressCancel();
    void pressOffset();
    // The name field's text changed: at 30 characters the user is told that the rest goes; a
    // longer text is cut in the field.
    void nameEdited(const std::u16string& text);

    bool isOpen() const { return open_; }
    const MarkState& state() const { return state_; }

private:
    bool averagingSetting() const;
    int32_t averageLength() const;
    void startAverage();
    // Take the current fix as the point, or add it to the average (true when the average is
    // complete); the caller holds the engine lock.
    void takeSingleFix(bool withOffset);
    bool addToAverage(double ehe);
    void applyOffsetToFinal();
    void refreshPoint();
    void runPendingActions();
    void store();
    void exportPoint();
    void close();

    engine::GpsEngine& engine_;
    MarkView& view_;
    WaypointViews* views_;
    MarkState state_;
    bool open_ = false;
    bool askingOffset_ = false;
};

} // namespace data

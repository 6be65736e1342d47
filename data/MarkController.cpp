#include "data/MarkController.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>
#include <string_view>

#include "data/DataExchangeFile.h"
#include "data/MarkView.h"
#include "data/OffsetInput.h"
#include "data/WaypointFile.h"
#include "data/WaypointViews.h"
#include "engine/EngineFormat.h"
#include "engine/FixStatus.h"
#include "engine/GpsEngine.h"
#include "geodesy/Constants.h"
#include "geodesy/DatumTable.h"
#include "geodesy/MagneticModel.h"
#include "geodesy/Offset.h"

namespace data {

namespace {

constexpr std::size_t kStatusTextLength = 50;
constexpr const char* kStoreFull =
    "Maximum number of way points per file has been reached. Either create a new way point file "
    "or delete unused way points from the current file.";

// The texts here are ASCII.
[[gnu::format(printf, 1, 2)]] std::u16string format16(const char* format, ...) {
    char text[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const std::string_view s(text, static_cast<std::size_t>(std::clamp(n, 0, 127)));
    return std::u16string(s.begin(), s.end());
}

bool metricUnits(int32_t units) {
    return units == geodesy::Metric || units == geodesy::Meters;
}

std::u16string eheText(double ehe, int32_t units) {
    if (!(ehe > 0)) return u" < 0";
    return metricUnits(units) ? format16("%3.1f m ", ehe)
                              : format16("%3.1f ft", ehe * geodesy::kFeetPerMetre);
}

MarkTexts positionTexts(const engine::GpsEngine& engine, const MarkPosition& p, double pdop,
                        double ehe) {
    char16_t location[geodesy::kPositionTextSize] = {};
    char16_t elevation[geodesy::kAltitudeTextSize] = {};
    engine::formatPositionForDisplay(engine, p.latitude, p.longitude, p.altitude, location,
                                     elevation);
    return {location, elevation, format16("%3.1f", pdop), eheText(ehe, engine.settings.Units)};
}

} // namespace

MarkController::MarkController(engine::GpsEngine& engine, MarkView& view, WaypointViews* views)
    : engine_(engine), view_(view), views_(views) {}

bool MarkController::averagingSetting() const {
    return engine_.settings.PointAveraging != 0;
}

// A hand-written cv.ini may hold fewer than one fix: the average then takes one.
int32_t MarkController::averageLength() const {
    return std::max<int32_t>(kMinPointsAveraged, engine_.settings.PointsAveraged);
}

void MarkController::open(bool storeAllowed) {
    state_ = MarkState{};
    open_ = true;
    int nextSlot = engine::WaypointStore::kNoSlot;
    int count = 0;
    {
        std::lock_guard<std::mutex> lock(engine_.lock());
        nextSlot = engine_.waypoints.nextFreeSlot();
        count = engine_.waypoints.count();
    }
    state_.storeAllowed = storeAllowed && nextSlot != engine::WaypointStore::kNoSlot;
    view_.clearPoint();
    view_.setStoreEnabled(state_.storeAllowed);
    view_.setName(state_.storeAllowed ? format16("MarkID%d", nextSlot + 1) : u"MarkID");
    view_.showWaypointNumber(format16("%d", count + 1));
    view_.setButtonText(MarkButton::Offset, u"Offset");
    state_.remaining = averageLength();

    view_.showAveraging(averagingSetting());
    if (averagingSetting()) {
        view_.setProgressRange(averageLength());
        view_.setProgress(state_.fixCount);
        view_.showVerdict(u"");
        return;
    }
    std::lock_guard<std::mutex> lock(engine_.lock());
    char16_t verdict[96] = u"Masked:";
    const bool masked = engine::maskText(engine_, verdict, std::size(verdict)) ||
                        engine_.state.position.quality == 0;
    if (masked) {
        view_.showVerdict(verdict);
        state_.skipCount = 1;
        state_.lastTick = engine_.state.position.ggaTick;
    } else {
        view_.showVerdict(u"Valid");
        takeSingleFix(false);
    }
}

void MarkController::update() {
    // While "Offset Input" is up the point waits: completing it then would store or export it
    // before the offset being typed is taken.
    if (!open_ || askingOffset_) return;
    bool completed = false;
    {
        std::lock_guard<std::mutex> lock(engine_.lock());
        char16_t status[kStatusTextLength + 1] = {};
        engine::statusText(engine_, status, std::size(status));
        view_.showFixStatus(status);

        bool masked = false;
        if (!state_.positionReady) {
            char16_t verdict[96] = u"Masked:";
            masked = engine::maskText(engine_, verdict, std::size(verdict));
            if (averagingSetting() && !state_.averaging)
                view_.showVerdict(u"");
            else
                view_.showVerdict(masked ? verdict : u"Valid");
        }

        const engine::PositionRecord& fix = engine_.state.position;
        const double ehe = engine::estimatedHorizontalError(engine_);
        view_.showCurrent(positionTexts(engine_, {fix.latitude, fix.longitude, fix.altitude},
                                        engine_.state.dop.pdop, ehe));

        const bool newFix = fix.ggaTick != state_.lastTick && fix.quality != 0;
        if (newFix && !state_.positionReady) {
            if (!averagingSetting()) {
                if (masked) {
                    ++state_.skipCount;
                } else {
                    takeSingleFix(true);
                    completed = true;
                }
            } else if (state_.averaging) {
                if (masked)
                    ++state_.skipCount;
                else
                    completed = addToAverage(ehe);
            }
        }
        state_.lastTick = fix.ggaTick;
    }
    if (completed) runPendingActions();
}

void MarkController::takeSingleFix(bool withOffset) {
    const engine::PositionRecord& fix = engine_.state.position;
    state_.fixCount = 1;
    state_.measured = {fix.latitude, fix.longitude, fix.altitude};
    state_.final = state_.measured;
    state_.pdop = engine_.state.dop.pdop;
    state_.ehe = engine::estimatedHorizontalError(engine_);
    if (withOffset && state_.offsetOn) applyOffsetToFinal();
    state_.markTime = engine_.clock().localTime();
    state_.positionReady = true;
    refreshPoint();
}

bool MarkController::addToAverage(double ehe) {
    const engine::GpsState& gps = engine_.state;
    MarkState& s = state_;
    if (s.remaining == averageLength()) {
        s.markTime = engine_.clock().localTime();
        s.sumLatitude = s.sumLongitude = s.sumAltitude = s.sumPdop = s.sumEhe = 0;
    }
    ++s.fixCount;
    --s.remaining;
    s.sumLatitude += gps.position.latitude;
    s.sumLongitude += gps.position.longitude;
    s.sumAltitude += gps.position.altitude;
    s.sumPdop += gps.dop.pdop;
    s.sumEhe += ehe;
    s.measured = {s.sumLatitude / s.fixCount, s.sumLongitude / s.fixCount,
                  s.sumAltitude / s.fixCount};
    s.final = s.measured;
    s.pdop = s.sumPdop / s.fixCount;
    s.ehe = s.sumEhe / s.fixCount;
    refreshPoint();
    view_.setProgress(s.fixCount);
    if (s.remaining > 0) return false;
    view_.setButtonText(MarkButton::Average, u"Average");
    s.averaging = false;
    if (s.offsetOn) {
        applyOffsetToFinal();
        refreshPoint(); // the point shown is the moved one
    }
    s.positionReady = true;
    return true;
}

void MarkController::applyOffsetToFinal() {
    state_.final =
        geodesy::applyOffset(geodesy::datumTable(), engine_.settings.Datum, state_.measured,
                             state_.offsetDistance, state_.offsetSlope, state_.offsetDirection);
}

void MarkController::refreshPoint() {
    view_.showPoint(positionTexts(engine_, state_.final, state_.pdop, state_.ehe));
    if (state_.skipCount > 0 && !averagingSetting())
        view_.showVerdict(format16("Valid (Skip=%d)", state_.skipCount));
}

void MarkController::runPendingActions() {
    if (state_.storeRequested) {
        store();
        close();
    } else if (state_.exportRequested) {
        exportPoint();
    }
}

void MarkController::startAverage() {
    view_.setButtonText(MarkButton::Average, u"Averaging");
    MarkState& s = state_;
    s.averaging = true;
    s.positionReady = false;
    view_.setProgressRange(averageLength());
    view_.setProgress(0);
    s.fixCount = s.skipCount = 0;
    s.remaining = averageLength();
    s.sumLatitude = s.sumLongitude = s.sumAltitude = s.sumPdop = s.sumEhe = 0;
}

void MarkController::pressAverage() {
    if (open_ && averagingSetting()) startAverage();
}

void MarkController::pressStore() {
    if (!open_ || !state_.storeAllowed) return;
    if (state_.exportRequested) {
        state_.exportRequested = false;
        view_.setButtonText(MarkButton::Export, u"Export");
        state_.exported = false;
    }
    if (state_.positionReady && !state_.averaging) {
        store();
        close();
        return;
    }
    if (state_.fixCount == 0 && state_.skipCount == 0 && !state_.positionReady &&
        averagingSetting())
        startAverage();
    state_.storeRequested = true;
    view_.setButtonText(MarkButton::Store, u"Waiting");
}

void MarkController::pressExport() {
    if (!open_) return;
    if (state_.storeRequested) {
        state_.storeRequested = false;
        view_.setButtonText(MarkButton::Store, u"Store WPT");
    }
    if (state_.positionReady && !state_.averaging) {
        exportPoint();
        return;
    }
    if (state_.fixCount == 0 && state_.skipCount == 0 && !state_.positionReady &&
        averagingSetting())
        startAverage();
    state_.exportRequested = true;
    view_.setButtonText(MarkButton::Export, u"Waiting");
}

void MarkController::pressCancel() {
    if (open_) close();
}

void MarkController::pressOffset() {
    if (!open_) return;
    const engine::OffsetReference reference = engine::offsetReference(engine_);
    const MarkState before = state_;
    MarkState& s = state_;
    s.directionRef = reference.directionRef;
    s.declination = reference.declination;
    OffsetInputValues values =
        offsetInputShown(s.offsetDistance, s.offsetDirection, s.offsetSlope, engine_.settings.Units,
                         s.directionRef, s.declination);
    for (;;) {
        askingOffset_ = true;
        const bool entered = view_.askOffset(values);
        askingOffset_ = false;
        if (!entered) {
            // Cancel leaves the offset as it was.
            s.directionRef = before.directionRef;
            s.declination = before.declination;
            s.offsetDirection = before.offsetDirection;
            return;
        }
        const std::string refusal = offsetInputRefusal(values);
        if (refusal.empty()) break;
        engine_.prompter().message(refusal);
    }
    const OffsetTaken taken = offsetInputTaken(values);
    s.offsetDistance = taken.distance;
    s.offsetDirection = taken.direction;
    s.offsetSlope = taken.slope;
    s.offsetOn = taken.offsetOn;
    if (s.positionReady) {
        if (s.offsetOn) {
            applyOffsetToFinal();
            view_.setButtonText(MarkButton::Offset, u"Offset ON");
        } else {
            s.offsetDirection = 0;
            s.final = s.measured;
            view_.setButtonText(MarkButton::Offset, u"Offset");
        }
        refreshPoint();
    }
    if (!s.offsetOn) {
        s.declination = 0;
        s.directionRef = engine::kNoDirectionRef;
    }
}

void MarkController::nameEdited(const std::u16string& text) {
    if (!nameReachesLimit(text)) return;
    engine_.prompter().message(kMarkNameTooLong);
    if (text.size() > engine::kMaxEnteredNameLength) view_.setName(enteredWaypointName(text));
}

void MarkController::store() {
    std::u16string name = enteredWaypointName(view_.name());
    {
        std::lock_guard<std::mutex> lock(engine_.lock());
        engine::WaypointStore& store = engine_.waypoints;
        const int number = store.count() + 1;
        const int slot = store.append();
        if (slot == engine::WaypointStore::kNoSlot) {
            engine_.prompter().message(kStoreFull);
            return;
        }
        const MarkState& s = state_;
        engine::Waypoint& w = store.at(slot);
        w.number = static_cast<int16_t>(number);
        w.latitude = s.measured.latitude;
        w.longitude = s.measured.longitude;
        w.altitude = s.measured.altitude;
        w.pdop = static_cast<float>(s.pdop);
        w.ehe = static_cast<float>(s.ehe);
        w.offsetSlope = static_cast<float>(s.offsetSlope);
        w.offsetDirection = static_cast<float>(s.offsetDirection);
        w.offsetDistance = static_cast<float>(s.offsetDistance);
        w.offsetOn = s.offsetOn ? 1 : 0;
        w.directionRef = s.directionRef;
        w.declination = s.declination;
        w.time = s.markTime;
        w.positionCount = s.fixCount;
        if (name.empty()) name = format16("%d", number);
        setWaypointName(w, name);
        store.waypointsModified = true;
        if (!store.waypointFileOpen) store.newWaypointsUnsaved = true;
    }
    if (views_ != nullptr) views_->reloadWaypointLists();
    ensureWaypointFile(engine_, views_);
}

void MarkController::exportPoint() {
    const MarkState& s = state_;
    if (engine_.settings.DataExchange != 0) {
        ExchangeMark mark;
        mark.offsetOn = s.offsetOn;
        mark.measured = s.measured;
        mark.offsetDistance = s.offsetDistance;
        mark.offsetSlope = s.offsetSlope;
        // In the configured heading reference: magnetic directions carry the declination.
        mark.offsetDirection =
            engine_.settings.Heading == 'T' ? s.offsetDirection : s.offsetDirection + s.declination;
        mark.final = s.final;
        mark.time = s.markTime;
        mark.fixCount = s.fixCount;
        mark.ehe = s.ehe;
        mark.pdop = s.pdop;
        writeDataExchangeFile(engine_, mark);
    }
    if (engine_.settings.EXPTWPT != 0 && s.storeAllowed) store();
    state_.exported = true;
    close();
}

void MarkController::close() {
    view_.setButtonText(MarkButton::Store, u"Store WPT");
    view_.setButtonText(MarkButton::Export, u"Export");
    view_.setButtonText(MarkButton::Average, u"Average");
    open_ = false;
    view_.hide();
    view_.markClosed(state_.exported);
}

} // namespace data

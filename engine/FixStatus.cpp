#include "engine/FixStatus.h"

#include <cmath>

#include "engine/GpsEngine.h"
#include "platform/Clock.h"

namespace engine {

namespace {

// Satellites needed above a signal or elevation threshold.
constexpr int kMaskSatellites = 4;
constexpr int kLastMaskSlot = 37;

void copyText(const char16_t* text, char16_t* buffer, std::size_t capacity) {
    std::size_t n = 0;
    for (; text[n] != u'\0' && n + 1 < capacity; ++n)
        buffer[n] = text[n];
    buffer[n] = u'\0';
}

const char16_t* linkText(const GpsState& state, const LinkFlags& link, uint32_t nowTick) {
    if (link.autoConnecting) return u"COM auto cn";
    if (!link.portOpen) return u"COM discnt.";
    if (!link.commOk) return u"COM errors ";
    if (!link.dataSeen) return u"No COM actv.";
    // A position never received counts as stale, whatever the tick counter shows.
    uint32_t tick = state.position.ggaTick;
    if (tick == 0 || platform::ticksSince(nowTick, tick) > link.staleTimeoutMs)
        return u"No new data";
    return nullptr;
}

const char16_t* fixKindText(int quality, bool threeD) {
    switch (quality) {
    case 0:
        return u"No Fix     ";
    case 1:
        return threeD ? u"3D GPS  " : u"2D GPS";
    case 2:
        return threeD ? u"3D Diff" : u"2D Diff";
    case 3:
        return threeD ? u"3D PPS" : u"2D PPS";
    case 4:
    case 5:
        return threeD ? u"3D RTK" : u"2D RTK";
    default:
        return u"Undefined State";
    }
}

// Walks slots 1..37 and tells whether at least four used satellites reach the threshold on the
// chosen field (compared in single precision).
bool enoughSatellites(const GpsState& state, int16_t SatelliteInfo::*field, float threshold) {
    int counted = 0;
    for (int slot = 1; slot <= kLastMaskSlot && counted < kMaskSatellites; ++slot) {
        const SatelliteInfo& sat = state.satellites[slot];
        if (sat.used && static_cast<float>(sat.*field) >= threshold) ++counted;
    }
    return counted >= kMaskSatellites;
}

// A PDOP the mask cannot judge (a stale record's -1, zero, NaN, infinity) fails it, like one
// above the maximum. Compared in single precision.
bool pdopWithin(float pdop, float maximum) {
    return std::isfinite(pdop) && pdop > 0.0f && pdop <= maximum;
}

// EHE is compared in double precision; a negative or non-finite EHE fails the mask.
bool eheWithin(double ehe, float maximum) {
    return std::isfinite(ehe) && ehe >= 0.0 && ehe <= static_cast<double>(maximum);
}

bool anyMaskSet(const Settings& s) {
    return s.MaskEHE || s.MaskElev || s.MaskPDOP || s.MaskSNR || s.MaskDGPS || s.Mask3D;
}

int maskReason(const GpsState& state, const Settings& s) {
    if (anyMaskSet(s)) {
        if (s.Mask3D && state.dop.fixMode != 3) return MaskNo3D;
        if (s.MaskPDOP && !pdopWithin(state.dop.pdop, s.MaxPDOP)) return MaskPdopHigh;
        if (s.MaskDGPS && state.position.quality != 2) return MaskNoDgps;
        if (s.MaskSNR && !enoughSatellites(state, &SatelliteInfo::snr, s.MinSNR)) return MaskLowSnr;
        if (s.MaskElev && !enoughSatellites(state, &SatelliteInfo::elevation, s.MinElev))
            return MaskLowElevation;
        // Without a fix EHE is -1.0 and the test below reports "No Fix" instead.
        if (s.MaskEHE && state.position.quality != 0 &&
            !eheWithin(estimatedHorizontalError(state), s.MaxEHE))
            return MaskEheHigh;
    }
    if (state.position.quality == 0) return MaskNoFix;
    return MaskPassed;
}

} // namespace

const char16_t* maskReasonText(int code) {
    static constexpr const char16_t* kTexts[] = {u"",         u"No 3D",   u"PDOP high",
                                                 u"No DGPS",  u"low SNR", u"low sat Elev.",
                                                 u"EHE high", u"No Fix"};
    if (code < 0 || code >= static_cast<int>(sizeof kTexts / sizeof kTexts[0])) return u"";
    return kTexts[code];
}

bool statusText(const GpsState& state, const LinkFlags& link, uint32_t nowTick, char16_t* buffer,
                std::size_t capacity) {
    if (buffer == nullptr || capacity < kStatusTextMinCapacity) return false;
    const char16_t* text = linkText(state, link, nowTick);
    if (text == nullptr) text = fixKindText(state.position.quality, state.dop.fixMode == 3);
    copyText(text, buffer, capacity);
    return true;
}

double estimatedHorizontalError(const GpsState& state) {
    double k = 0.0;
    switch (state.position.quality) {
    case 1:
        k = state.dop.fixMode == 3 ? 5.3 : 8.0;
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        k = 1.6;
        break;
    default:
        return -1.0;
    }
    // A stale DOP record holds -1, a receiver may send "nan": no error can be estimated then.
    const double hdop = state.dop.gsaHdop;
    if (!std::isfinite(hdop) || hdop < 0.0) return -1.0;
    return hdop * k * 2.0;
}

bool maskCode(const GpsState& state, const Settings& settings, int& code) {
    code = maskReason(state, settings);
    return code != MaskPassed;
}

bool maskText(const GpsState& state, const Settings& settings, char16_t* buffer,
              std::size_t capacity) {
    int code = MaskPassed;
    if (!maskCode(state, settings, code)) return false;
    if (buffer == nullptr || capacity == 0) return true;
    std::size_t used = 0;
    while (used < capacity && buffer[used] != u'\0')
        ++used;
    if (used == capacity) { // no terminator within capacity: keep what fits, terminated
        buffer[capacity - 1] = u'\0';
        return true;
    }
    copyText(maskReasonText(code), buffer + used, capacity - used);
    return true;
}

bool statusText(const GpsEngine& engine, char16_t* buffer, std::size_t capacity) {
    return statusText(engine.state, engine.link, engine.clock().tickCount(), buffer, capacity);
}

double estimatedHorizontalError(const GpsEngine& engine) {
    return estimatedHorizontalError(engine.state);
}

bool maskCode(const GpsEngine& engine, int& code) {
    return maskCode(engine.state, engine.settings, code);
}

bool maskText(const GpsEngine& engine, char16_t* buffer, std::size_t capacity) {
    return maskText(engine.state, engine.settings, buffer, capacity);
}

} // namespace engine

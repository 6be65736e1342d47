#pragma once
// Status text, estimated horizontal error (EHE) and the quality mask test. Pure functions over
// the GPS state, the link flags and the settings; the engine forms read them from the engine,
// whose lock the caller holds.

#include <cstddef>
#include <cstdint>

#include "engine/GpsState.h"
#include "engine/LinkFlags.h"
#include "engine/Settings.h"

namespace engine {

class GpsEngine;

// Reason codes of the mask test.
enum MaskReason : int {
    MaskPassed = 0,
    MaskNo3D = 1,
    MaskPdopHigh = 2,
    MaskNoDgps = 3,
    MaskLowSnr = 4,
    MaskLowElevation = 5,
    MaskEheHigh = 6,
    MaskNoFix = 7,
};

// The text of a reason code ("No 3D" ... "No Fix"); empty for MaskPassed or an unknown code.
const char16_t* maskReasonText(int code);

inline constexpr std::size_t kStatusTextMinCapacity = 20;

// Writes the status text (link state first, then the kind of fix) NUL-terminated into buffer.
// Returns false, writing nothing, when capacity is below kStatusTextMinCapacity.
bool statusText(const GpsState& state, const LinkFlags& link, uint32_t nowTick, char16_t* buffer,
                std::size_t capacity);

// EHE in metres, or -1.0 when there is no usable fix or the HDOP is stale (negative) or not a
// finite number.
double estimatedHorizontalError(const GpsState& state);

// The mask test: true when the fix is masked, with the reason in code.
bool maskCode(const GpsState& state, const Settings& settings, int& code);

// The same test; when masked, appends the reason text to the NUL-terminated content of buffer,
// cut to fit capacity (the result stays NUL-terminated).
bool maskText(const GpsState& state, const Settings& settings, char16_t* buffer,
              std::size_t capacity);

// Engine forms.
bool statusText(const GpsEngine& engine, char16_t* buffer, std::size_t capacity);
double estimatedHorizontalError(const GpsEngine& engine);
bool maskCode(const GpsEngine& engine, int& code);
bool maskText(const GpsEngine& engine, char16_t* buffer, std::size_t capacity);

} // namespace engine

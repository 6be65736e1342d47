#pragma once
// The acquisition state of the mark point dialog: one instance, reset each time the dialog opens.

#include <cstdint>

#include "engine/Waypoint.h"
#include "geodesy/Offset.h"
#include "platform/Clock.h"

namespace data {

using MarkPosition = geodesy::OffsetPosition; // WGS 84 degrees and metres

struct MarkState {
    bool storeAllowed = false;    // the store has room for the point
    bool averaging = false;       // an average is being collected
    bool positionReady = false;   // the point is complete
    bool storeRequested = false;  // "Store WPT" waits for the point
    bool exportRequested = false; // "Export" waits for the point
    bool exported = false;        // the point was exported (sent with the close notification)
    int32_t fixCount = 0;         // good fixes taken
    int32_t skipCount = 0;        // fixes the masks rejected
    int32_t remaining = 0;        // fixes still to average
    uint32_t lastTick = 0;        // ggaTick of the last fix looked at
    // Averaging sums.
    double sumLatitude = 0;
    double sumLongitude = 0;
    double sumAltitude = 0;
    double sumPdop = 0;
    double sumEhe = 0;
    MarkPosition measured; // the fix or the mean
    MarkPosition final;    // measured moved by the offset when offsetOn, else equal to it
    double pdop = 0;
    double ehe = 0;
    double offsetDistance = 0;  // slope distance, metres
    double offsetSlope = 0;     // degrees, positive upwards
    double offsetDirection = 0; // degrees clockwise from true north
    bool offsetOn = false;
    int16_t directionRef = engine::kNoDirectionRef;
    float declination = 0;           // the heading correction in force when the offset was entered
    platform::SystemTime markTime{}; // of the fix, or of the first fix of the average
};

} // namespace data

#pragma once
// The current GPS state. Each part has exactly the layout of the parser's working record of the
// same name, so the 200 ms refresh is a plain whole-record copy of each part.

#include <cstdint>
#include <type_traits>

namespace engine {

inline constexpr int kSatelliteSlots = 42; // slot 0 and 37..41 stay empty
inline constexpr int kFirstSbasSlot = 33;
inline constexpr int kLastSbasSlot = 36;
inline constexpr int kUsedSlotsCapacity = 38;

inline constexpr const char16_t* kFixTextNoFix = u"No Fix";
inline constexpr const char16_t* kFixTextGps = u"x_GPS";
inline constexpr const char16_t* kFixTextDgps = u"DGPS";
inline constexpr const char16_t* kFixTextOther = u"Ck GPS ";

// From $GPGGA.
struct PositionRecord {
    uint32_t ggaTick = 0;
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    char altitudeUnit = 0;
    uint16_t utcHour = 0;
    uint16_t utcMinute = 0;
    uint16_t utcSecond = 0;
    int16_t quality = 0;
    int16_t satellitesUsed = 0;
    float hdop = -1.0f;
    float geoidSeparation = 0;
    char geoidUnit = 0;
    float diffAge = -1.0f;
    const char16_t* fixText = kFixTextNoFix;
};

// From $GPGSA, plus the satellite count of $GPGSV.
struct DopRecord {
    uint32_t gsaTick = 0;
    uint16_t gsaSelection = 0;
    uint16_t fixMode = 1;
    uint16_t satellitesInView = 0;
    uint16_t usedSlots[kUsedSlotsCapacity] = {};
    float pdop = 0;
    float gsaHdop = 0;
    float vdop = 0;
};

struct SatelliteInfo {
    uint32_t lastSeenTick = 0;
    int16_t prn = 0; // GPS PRN for slots 1..32, the slot number for SBAS slots, 0 = empty
    int16_t azimuth = 0;
    int16_t elevation = 0;
    int16_t snr = 0;
    int16_t used = 0;
    int16_t inView = 0;
};

// A satellite in view of another constellation than GPS and SBAS (from $GLGSV, $GAGSV, $GBGSV,
// $BDGSV, $GQGSV, $GIGSV and the matching $GNGSV and $GNGSA), kept beside the GPS and SBAS slots.
inline constexpr int kOtherSatelliteSlots = 64;
struct OtherSatellite {
    uint32_t lastSeenTick = 0;
    char system = 0; // 'R' GLONASS, 'E' Galileo, 'C' BeiDou, 'J' QZSS, 'I' NavIC; 0 = empty slot
    int16_t prn = 0; // the number within its constellation, as shown: R7, E12, C23, J1, I3
    int16_t azimuth = 0;
    int16_t elevation = 0;
    int16_t snr = 0;
    int16_t used = 0;
    int16_t inView = 0;
};

// From $GPVTG or a valid $GPRMC.
struct MotionRecord {
    uint32_t motionTick = 0;
    float trackTrue = 0;
    float trackMagnetic = 0;
    float speed = 0; // statute miles per hour
    char speedUnit = 0;
};

struct MagVarRecord {
    char magVarDir = 0; // 'E', 'W', or 0 when unknown
    float magVar = 0;   // degrees, never negative
};

struct GpsState {
    PositionRecord position;
    DopRecord dop;
    SatelliteInfo satellites[kSatelliteSlots];
    OtherSatellite otherSatellites[kOtherSatelliteSlots];
    MotionRecord motion;
    MagVarRecord magVar;
};

static_assert(std::is_trivially_copyable_v<GpsState>);

} // namespace engine

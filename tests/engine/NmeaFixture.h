#pragma once
// A fixture for the parser tests: an engine on a manual clock, sentences built with their
// checksum, and the records written out in one line each so a test compares them with a literal.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/NmeaText.h"

namespace enginetest {

using testsupport::nmea;

inline char shown(char c) {
    return c != 0 ? c : '-';
}

// "lat lon altitude+unit q<quality> n<used> h<hdop> g<separation+unit> d<age> fix hhmmss"
inline std::string text(const engine::PositionRecord& p) {
    std::string fix;
    for (const char16_t* c = p.fixText; *c != 0; ++c)
        fix += static_cast<char>(*c);
    char b[200];
    std::snprintf(b, sizeof b, "%.9g %.9g %.9g%c q%d n%d h%g g%g%c d%g %s %02u%02u%02u", p.latitude,
                  p.longitude, p.altitude, shown(p.altitudeUnit), p.quality, p.satellitesUsed,
                  p.hdop, p.geoidSeparation, shown(p.geoidUnit), p.diffAge, fix.c_str(), p.utcHour,
                  p.utcMinute, p.utcSecond);
    return b;
}

// "<selection><fix mode> v<in view> [used slots] pdop hdop vdop"
inline std::string text(const engine::DopRecord& d) {
    std::string used;
    for (int i = 0; i < engine::kUsedSlotsCapacity && d.usedSlots[i] != 0; ++i)
        used += (i ? "," : "") + std::to_string(d.usedSlots[i]);
    char b[200];
    std::snprintf(b, sizeof b, "%c%u v%u [%s] %g %g %g", shown(static_cast<char>(d.gsaSelection)),
                  d.fixMode, d.satellitesInView, used.c_str(), d.pdop, d.gsaHdop, d.vdop);
    return b;
}

// "true magnetic speed+unit"
inline std::string text(const engine::MotionRecord& m) {
    char b[100];
    std::snprintf(b, sizeof b, "%g %g %g%c", m.trackTrue, m.trackMagnetic, m.speed,
                  shown(m.speedUnit));
    return b;
}

inline std::string text(const engine::MagVarRecord& v) {
    char b[40];
    std::snprintf(b, sizeof b, "%g%c", v.magVar, shown(v.magVarDir));
    return b;
}

// "prn azimuth/elevation/snr u<used> v<in view>"
inline std::string text(const engine::SatelliteInfo& s) {
    char b[100];
    std::snprintf(b, sizeof b, "%d %d/%d/%d u%d v%d", s.prn, s.azimuth, s.elevation, s.snr, s.used,
                  s.inView);
    return b;
}

class NmeaFixture : public ::testing::Test {
protected:
    void SetUp() override { dgps::resetParser(); }

    void feed(std::string_view bytes) {
        engine.receiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    void send(std::string_view body) { feed(nmea(body)); }

    // The state as the screens see it after the next refresh.
    const engine::GpsState& refreshed() {
        EXPECT_TRUE(engine.refresh());
        return engine.state;
    }

    // An empty read: drains nothing, but applies the staleness rules as every read does.
    void drain() { feed(""); }

    platform::ManualClock clock{100000};
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
};

inline const char* kExampleGga = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";

} // namespace enginetest

#pragma once
// A fixture for the parser tests: an engine on a manual clock, and sentences built with their
// checksum so the tests read like the receiver's output.

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

// The engine forms of the formatters and the heading correction: they read the engine's settings,
// state and decimal year.

#include "engine/EngineFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/GpsEngine.h"
#include "geodesy/DatumTable.h"
#include "geodesy/MagneticModel.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

namespace {

class EngineFormat : public ::testing::Test {
protected:
    void SetUp() override {
        // Other tests may leave the process-wide tables unloaded; load them for each test.
        std::string dir = testsupport::sourcePath("share/");
        ASSERT_EQ(geodesy::datumTable().loadEllipsoids(dir.c_str()), 0u);
        ASSERT_EQ(geodesy::datumTable().loadDatums(dir.c_str()), 0u);
        char buffer[1024];
        std::snprintf(buffer, sizeof buffer, "%s", dir.c_str());
        ASSERT_TRUE(geodesy::magneticModel().loadMagneticModel(buffer, sizeof buffer, 12));
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
};

TEST_F(EngineFormat, DistanceSpeedAndPositionFollowTheSettings) {
    char16_t distance[32], speed[32];
    engine.settings.Units = geodesy::Nautical;
    engine.state.motion.speed = 10.0f;
    ASSERT_TRUE(engine::formatDistance(engine, distance, 1852.0) &&
                engine::formatSpeed(engine, speed));
    EXPECT_EQ(std::u16string(distance) + speed, u" 1.0 nm 8.7 knt");
    engine.settings.Units = geodesy::Meters;
    engine.settings.Format = geodesy::FormatUTM;
    char zone[32], first[32], second[32], altitude[32];
    engine::formatPositionForOutput(engine, 0, 0, 3, 100, zone, first, second, altitude);
    EXPECT_EQ(std::string(zone) + first + altitude, "31N*500000.00*E100.0*m");
    char16_t position[64];
    std::snprintf(engine.settings.Datum, sizeof engine.settings.Datum, "ADI-M");
    engine::formatPositionForDisplay(engine, 9.0, 38.7, 2000, position, distance);
    EXPECT_EQ(std::u16string(distance), u" 2001.7 m") << "shifted to the configured datum";
}

TEST_F(EngineFormat, HeadingCorrectionReadsTheStateAndShowsARefusedModel) {
    engine.settings.Heading = 'A';
    engine.state.magVar.magVar = 3.5f;
    engine.state.magVar.magVarDir = 'W';
    EXPECT_DOUBLE_EQ(engine::headingCorrection(engine), 3.5);
    engine.settings.Heading = 'W';
    engine.state.position.latitude = 80;
    engine.decimalYear = 2025.0f;
    EXPECT_NEAR(engine::headingCorrection(engine), -1.28, 0.01);
    EXPECT_TRUE(prompter.messages().empty());
    engine.decimalYear = 2031.0f;
    EXPECT_EQ(engine::headingCorrection(engine), 0.0);
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>{"WMM.COF File outdated for WMM2K Calculations or incorrect "
                                       "system time. Please update the file or set time."});
}

} // namespace

// The engine form of the heading correction: it reads the engine's settings, state and decimal
// year, and shows the model's refusal through the engine's prompter.

#include "engine/EngineFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/GpsEngine.h"
#include "geodesy/MagneticModel.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

namespace {

class EngineFormat : public ::testing::Test {
protected:
    void SetUp() override {
        // Other tests may leave the process-wide model unloaded; load it for each test.
        std::string dir = testsupport::sourcePath("share/");
        char buffer[1024];
        std::snprintf(buffer, sizeof buffer, "%s", dir.c_str());
        ASSERT_TRUE(geodesy::magneticModel().loadMagneticModel(buffer, sizeof buffer, 12));
    }

    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};
};

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

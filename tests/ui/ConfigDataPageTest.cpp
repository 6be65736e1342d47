// The "Data" page: the mark and output switches into the settings, the number of fixes to
// average (refused unless it is a whole number the mark can use), the wedge's warning and the
// memory exchange's toggle.

#include <gtest/gtest.h>

#include "data/InputRange.h"
#include "data/MarkController.h"
#include "ui/CCnfSys.h"
#include "ui/ConfigPageFixture.h"
#include "ui/NumberEntry.h"

namespace {

class ConfigDataPage : public ::testing::Test, public ConfigPageFixture {
protected:
    CCnfSys page{context};
};

TEST_F(ConfigDataPage, BoxesAndTheNumberReachTheSettingsOnApply) {
    using S = engine::Settings;
    const struct {
        const char* box;
        int32_t S::*field;
    } boxes[] = {
        {"Point Averaging", &S::PointAveraging},
        {"Data Exchange File", &S::DataExchange},
        {"Export button saves to waypt file", &S::EXPTWPT},
        {"Memory Exchange", &S::MemExchange},
        {"Keyboard wedge", &S::KWDG},
    };
    for (const auto& b : boxes)
        click(page, b.box);
    typeInto(page, "Num of Points", " 25 ");
    EXPECT_EQ(fieldText(page, "Num of Points"), QStringLiteral("25"));
    for (const auto& b : boxes)
        EXPECT_EQ(settings().*b.field, 0) << b.box; // nothing before the sheet is confirmed
    page.apply();
    for (const auto& b : boxes)
        EXPECT_EQ(settings().*b.field, 1) << b.box;
    EXPECT_EQ(settings().PointsAveraged, 25);
    EXPECT_EQ(gps.engine.settingsChanged, 1);
}

TEST_F(ConfigDataPage, NumberOfPointsRefusalsKeepTheLastTakenNumber) {
    const std::string range = data::numberRangeRefusal(1, 86400);
    const struct {
        const char* text;
        std::string message;
    } cases[] = {
        {"", ui::kEnterInteger},
        {"1,5", ui::kEnterInteger},
        {"abc", ui::kEnterInteger},
        {"2.5", ui::kEnterInteger},
        {"0", range},
        {"-3", range},
        {"86401", range},
    };
    typeInto(page, "Num of Points", "40");
    for (const auto& c : cases) {
        gps.prompter.clear();
        typeInto(page, "Num of Points", c.text);
        EXPECT_EQ(messages(), std::vector<std::string>{c.message}) << c.text;
        EXPECT_EQ(fieldText(page, "Num of Points"), QStringLiteral("40")) << c.text;
    }
    // The bounds themselves are taken.
    for (int bound : {data::kMinPointsAveraged, data::kMaxPointsAveraged}) {
        typeInto(page, "Num of Points", std::to_string(bound).c_str());
        page.apply();
        EXPECT_EQ(settings().PointsAveraged, bound);
    }
}

TEST_F(ConfigDataPage, WedgeWarnsOnceWhenTickedAndMemoryExchangeIsMarked) {
    click(page, "Keyboard wedge");
    click(page, "Keyboard wedge");
    EXPECT_EQ(messages(), std::vector<std::string>{kWedgeWait});
    EXPECT_FALSE(context.memExchangeToggled);
    click(page, "Memory Exchange");
    EXPECT_TRUE(context.memExchangeToggled);
}

} // namespace

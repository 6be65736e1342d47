// The "Data" page: its switches and number into the settings, the refusals of the number of
// fixes to average, the wedge's warning and the memory exchange's mark.

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

TEST_F(ConfigDataPage, SwitchesAndNumberReachTheSettingsOnApply) {
    using S = engine::Settings;
    // Each box clicked once: the value it then gives (the other constellations start shown).
    const std::tuple<const char*, int32_t S::*, int32_t> boxes[] = {
        {"Point Averaging", &S::PointAveraging, 1},
        {"Data Exchange File", &S::DataExchange, 1},
        {"Export button saves to waypt file", &S::EXPTWPT, 1},
        {"Memory Exchange", &S::MemExchange, 1},
        {"Keyboard wedge", &S::KWDG, 1},
        {"Show other constellations", &S::ShowOtherSatellites, 0}};
    for (const auto& [box, field, value] : boxes)
        click(page, box);
    typeInto(page, "Num of Points", " 25 ");
    EXPECT_EQ(settings.PointAveraging, 0); // nothing before the sheet is confirmed
    page.apply();
    for (const auto& [box, field, value] : boxes)
        EXPECT_EQ(settings.*field, value) << box;
    EXPECT_EQ(settings.PointsAveraged, 25);
    EXPECT_TRUE(context.memExchangeToggled);
    // The wedge warned once, when it was ticked.
    click(page, "Keyboard wedge");
    EXPECT_EQ(messages(), std::vector<std::string>{kWedgeWait});
}

TEST_F(ConfigDataPage, NumberOfPointsRefusalsKeepTheLastTakenNumber) {
    const std::string range = data::numberRangeRefusal(1, 86400);
    const std::pair<const char*, std::string> cases[] = {{"", ui::kEnterInteger},
                                                         {"1,5", ui::kEnterInteger},
                                                         {"abc", ui::kEnterInteger},
                                                         {"0", range},
                                                         {"86401", range}};
    typeInto(page, "Num of Points", "40");
    for (const auto& [text, message] : cases) {
        gps.prompter.clear();
        typeInto(page, "Num of Points", text);
        EXPECT_EQ(messages(), std::vector<std::string>{message}) << text;
        EXPECT_EQ(fieldText(page, "Num of Points"), QStringLiteral("40")) << text;
    }
    page.apply();
    EXPECT_EQ(settings.PointsAveraged, 40);
}

} // namespace

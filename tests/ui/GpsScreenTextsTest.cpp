// The GPS screen's EHE text in each unit system.

#include "ui/GpsScreenTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(GpsScreenTexts, EheIsInMetresOrFeetAndBlankWithoutOne) {
    const struct {
        double metres;
        int units;
        const char16_t* text;
    } cases[] = {
        {4.25, 1, u"EHE: 4.2 m "},  {4.25, 4, u"EHE: 4.2 m "},  {4.25, 0, u"EHE: 13.9 ft"},
        {4.25, 2, u"EHE: 13.9 ft"}, {4.25, 3, u"EHE: 13.9 ft"}, {123.45, 1, u"EHE: 123.5 m "},
        {0.0, 1, u"EHE:       "},   {-1.0, 0, u"EHE:       "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::eheText(c.metres, c.units), c.text) << c.metres << " " << c.units;
}

} // namespace

#include <gtest/gtest.h>

#include <string>

#include "data/OffsetInput.h"

namespace {

TEST(MarkOffsetInput, ShowsTheStoredOffsetInTheUnitsAndReferenceOfTheUser) {
    struct Case {
        double distance, direction;
        int32_t units;
        int16_t ref;
        double shownDistance, shownDirection;
        const char *unit, *label;
    };
    const Case cases[] = {
        {10, 110, 0, 1, 32.81, 100, "ft", "Ref:Mag North. Dec.Angl= 10.00"},
        {10, 0.5, 4, 1, 10, 0.5, "m ", "Ref:Mag North. Dec.Angl= 10.00"},
        {10, 0.6, 1, 1, 10, -9.4, "m ", "Ref:Mag North. Dec.Angl= 10.00"},
        {1.234, 45, 1, -1, 1.23, 45, "m ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.direction);
        const auto v = data::offsetInputShown(c.distance, c.direction, 3, c.units, c.ref, -10.0f);
        EXPECT_DOUBLE_EQ(v.distance, c.shownDistance);
        EXPECT_NEAR(v.direction, c.shownDirection, 1e-9);
        EXPECT_EQ(v.unitLabel, c.unit);
        EXPECT_EQ(v.referenceLabel, c.label);
    }
}

} // namespace

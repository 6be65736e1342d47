// The hot keys' choice: which keys are offered, and the two functions never sharing a key.

#include "data/HotKeyChoice.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using data::HotKeyAssignment;
using data::HotKeyFunction;

std::vector<int> codes(const HotKeyAssignment& k) {
    return {k.markKey, k.markKeyF, k.wedgeKey, k.wedgeKeyF};
}

TEST(HotKeyChoice, OfferedKeysAndTheirPositions) {
    EXPECT_EQ(data::offeredHotKeys(false).size(), 4u);
    EXPECT_EQ(data::offeredHotKeys(true).size(), 7u);
    const struct {
        int key;
        bool library;
        int position;
    } cases[] = {{193, false, 0}, {196, false, 3}, {197, false, -1}, {45, false, -1},
                 {197, true, 4},  {46, true, 6},   {233, true, -1},  {0, true, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(data::hotKeyPosition(c.key, c.library), c.position) << c.key << c.library;
}

TEST(HotKeyChoice, TheTwoFunctionsNeverShareAKey) {
    const struct {
        const char* what;
        HotKeyAssignment before;
        HotKeyFunction function;
        int key;
        bool library;
        std::vector<int> after; // MarkKey, MarkKeyF, KWDGKey, KWDGKeyF
    } cases[] = {
        {"free key, no library: second code kept",
         {193, 233, 195, 235},
         HotKeyFunction::Mark,
         194,
         false,
         {194, 233, 195, 235}},
        {"free key, library: its second code",
         {193, 233, 195, 235},
         HotKeyFunction::Wedge,
         45,
         true,
         {193, 233, 45, 45}},
        {"wedge takes the mark key: swap",
         {193, 233, 195, 235},
         HotKeyFunction::Wedge,
         193,
         true,
         {195, 235, 193, 233}},
        {"mark takes the wedge key without library: swap with codes",
         {194, 1, 196, 2},
         HotKeyFunction::Mark,
         196,
         false,
         {196, 2, 194, 1}},
        {"a code not offered moves to the other function",
         {0, 7, 193, 233},
         HotKeyFunction::Wedge,
         0,
         true,
         {193, 233, 0, 7}},
        {"own key again: nothing changes",
         {193, 233, 195, 235},
         HotKeyFunction::Mark,
         193,
         true,
         {193, 233, 195, 235}},
    };
    for (const auto& c : cases) {
        HotKeyAssignment keys = c.before;
        data::chooseHotKey(keys, c.function, c.key, c.library);
        EXPECT_EQ(codes(keys), c.after) << c.what;
    }
}

} // namespace

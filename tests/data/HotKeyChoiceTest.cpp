// The hot keys' choice: the two functions never share a key.

#include "data/HotKeyChoice.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr auto Mark = data::HotKeyFunction::Mark;
constexpr auto Wedge = data::HotKeyFunction::Wedge;

TEST(HotKeyChoice, TheTwoFunctionsNeverShareAKey) {
    // Keys as MarkKey, MarkKeyF, KWDGKey, KWDGKeyF.
    const struct {
        std::vector<int> before;
        data::HotKeyFunction function;
        int key;
        bool library;
        std::vector<int> after;
    } cases[] = {
        {{193, 233, 195, 235}, Mark, 194, false, {194, 233, 195, 235}}, // second code kept
        {{193, 233, 195, 235}, Wedge, 45, true, {193, 233, 45, 45}},    // the key's second code
        {{193, 233, 195, 235}, Wedge, 193, true, {195, 235, 193, 233}}, // swap
        {{194, 1, 196, 2}, Mark, 196, false, {196, 2, 194, 1}},         // swap with second codes
        {{0, 7, 193, 233}, Wedge, 0, true, {193, 233, 0, 7}},           // a code not offered
        {{193, 233, 195, 235}, Mark, 193, true, {193, 233, 195, 235}},  // its own key again
    };
    for (const auto& c : cases) {
        data::HotKeyAssignment k{c.before[0], c.before[1], c.before[2], c.before[3]};
        data::chooseHotKey(k, c.function, c.key, c.library);
        EXPECT_EQ(std::vector<int>({k.markKey, k.markKeyF, k.wedgeKey, k.wedgeKeyF}), c.after)
            << c.key;
    }
}

} // namespace

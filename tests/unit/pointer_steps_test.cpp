#include "ui/pointer_steps.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

// Deltas in order, and the notches each completes.
TEST(PointerSteps, WheelPartsAddUpAndATurnTheOtherWayStartsAfresh) {
    const struct {
        std::vector<int32_t> deltas, notches;
    } cases[] = {
        {{120, -120, 240}, {1, -1, 2}},
        {{40, 40, 40, 40}, {0, 0, 1, 0}},
        {{100, -120}, {0, -1}},        // not 0: the +100 is dropped
        {{-60, 30, 120}, {0, 0, 1}},   // +30 drops the -60, then 150 is one
        {{-200, -40}, {-1, -1}},
        {{INT32_MAX, INT32_MIN}, {INT32_MAX / 120, INT32_MIN / 120}},
    };
    for (const auto& c : cases) {
        int32_t partial = 0;
        for (size_t i = 0; i < c.deltas.size(); ++i) {
            EXPECT_EQ(wheel_notches(&partial, c.deltas[i]), c.notches[i]) << i;
            EXPECT_LT(partial < 0 ? -partial : partial, 120);
        }
    }
}

TEST(PointerSteps, ADragStartsPastTheRectangle) {
    EXPECT_FALSE(past_drag_limit(0, 0, 4, 4));
    EXPECT_FALSE(past_drag_limit(-4, 4, 4, 4));
    EXPECT_TRUE(past_drag_limit(5, 0, 4, 4));
    EXPECT_TRUE(past_drag_limit(0, -5, 4, 4));
    EXPECT_TRUE(past_drag_limit(INT32_MIN, 0, 4, 4));
}

}  // namespace

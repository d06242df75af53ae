// Geometry of the sizing loop: edge choice by arrow keys, edge moves and the
// tracking-size bounds.
#include <gtest/gtest.h>

#include "ui/sizing.h"

namespace {

const SizeRect rect = {100, 50, 400, 250};

TEST(SizingGeometry, ArrowKeysPickEdgesAndCornersAndPlaceTheCursor) {
    struct Case {
        int32_t edge, key;
        bool chosen;
        int32_t new_edge, x, y, cursor;
    };
    const Case cases[] = {
        {EDGE_NONE, SIZE_KEY_LEFT, true, EDGE_LEFT, 100, 77, CURSOR_SIZE_WE},
        {EDGE_NONE, SIZE_KEY_UP, true, EDGE_TOP, 333, 48, CURSOR_SIZE_NS},
        {EDGE_NONE, SIZE_KEY_RIGHT, true, EDGE_RIGHT, 398, 77, CURSOR_SIZE_WE},
        {EDGE_NONE, SIZE_KEY_DOWN, true, EDGE_BOTTOM, 333, 248, CURSOR_SIZE_NS},
        {EDGE_TOP, SIZE_KEY_LEFT, true, EDGE_TOP_LEFT, 102, 52, CURSOR_SIZE_NWSE},
        {EDGE_BOTTOM, SIZE_KEY_LEFT, true, EDGE_BOTTOM_LEFT, 100, 248, CURSOR_SIZE_NESW},
        {EDGE_RIGHT, SIZE_KEY_UP, true, EDGE_TOP_RIGHT, 398, 50, CURSOR_SIZE_NESW},
        {EDGE_LEFT, SIZE_KEY_UP, true, EDGE_TOP_LEFT, 102, 52, CURSOR_SIZE_NWSE},
        {EDGE_TOP, SIZE_KEY_RIGHT, true, EDGE_TOP_RIGHT, 398, 50, CURSOR_SIZE_NESW},
        {EDGE_BOTTOM, SIZE_KEY_RIGHT, true, EDGE_BOTTOM_RIGHT, 398, 248, CURSOR_SIZE_NWSE},
        {EDGE_RIGHT, SIZE_KEY_DOWN, true, EDGE_BOTTOM_RIGHT, 398, 248, CURSOR_SIZE_NWSE},
        {EDGE_LEFT, SIZE_KEY_DOWN, true, EDGE_BOTTOM_LEFT, 100, 248, CURSOR_SIZE_NESW},
        // Along the chosen edge's axis, or on a corner, the key moves instead.
        {EDGE_LEFT, SIZE_KEY_LEFT, false, EDGE_LEFT, 333, 77, 0},
        {EDGE_LEFT, SIZE_KEY_RIGHT, false, EDGE_LEFT, 333, 77, 0},
        {EDGE_TOP, SIZE_KEY_UP, false, EDGE_TOP, 333, 77, 0},
        {EDGE_BOTTOM_RIGHT, SIZE_KEY_LEFT, false, EDGE_BOTTOM_RIGHT, 333, 77, 0},
        {EDGE_NONE, 65, false, EDGE_NONE, 333, 77, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edge " << c.edge << " key " << c.key);
        EdgeChoice got = choose_size_edge(c.edge, c.key, rect, 333, 77);
        EXPECT_EQ(got.chosen, c.chosen);
        EXPECT_EQ(got.edge, c.new_edge);
        if (c.chosen) {
            EXPECT_EQ(got.x, c.x);
            EXPECT_EQ(got.y, c.y);
            EXPECT_EQ(got.cursor, c.cursor);
        }
    }
    int32_t x = 10, y = 20;
    step_size_cursor(SIZE_KEY_LEFT, &x, &y);
    step_size_cursor(SIZE_KEY_DOWN, &x, &y);
    step_size_cursor(SIZE_KEY_DOWN, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 40);
}

TEST(SizingGeometry, EdgesFollowThePointerWithinTheTrackingSizes) {
    const SizeLimits limits = {120, 80, 500, 300};
    struct Case {
        int32_t edge, x, y;
        SizeRect expected;
    };
    const Case cases[] = {
        {EDGE_RIGHT, 450, 0, {100, 50, 452, 250}},
        {EDGE_RIGHT, 150, 0, {100, 50, 220, 250}},     // narrower than 120: held at the minimum
        {EDGE_RIGHT, 900, 0, {100, 50, 600, 250}},     // wider than 500: held at the maximum
        {EDGE_LEFT, 60, 0, {60, 50, 400, 250}},
        {EDGE_LEFT, 390, 0, {280, 50, 400, 250}},
        {EDGE_LEFT, -500, 0, {-100, 50, 400, 250}},
        {EDGE_TOP, 0, 20, {100, 20, 400, 250}},
        {EDGE_TOP, 0, 240, {100, 170, 400, 250}},
        {EDGE_BOTTOM, 0, 400, {100, 50, 400, 350}},  // 300 high at most
        {EDGE_BOTTOM, 0, 60, {100, 50, 400, 130}},
        {EDGE_TOP_LEFT, 52, 32, {50, 30, 400, 250}},
        {EDGE_TOP_RIGHT, 420, 30, {100, 30, 422, 250}},
        {EDGE_BOTTOM_LEFT, 90, 260, {90, 50, 400, 262}},
        {EDGE_BOTTOM_RIGHT, 130, 70, {100, 50, 220, 130}},
        {EDGE_NONE, 0, 0, {100, 50, 400, 250}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edge " << c.edge << " to " << c.x << "," << c.y);
        SizeRect r = rect;
        move_size_edge(&r, c.edge, c.x, c.y, limits);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }

    // Extreme coordinates cannot overflow the width computation.
    SizeRect r = {INT32_MIN + 5, 0, 100, 100};
    move_size_edge(&r, EDGE_RIGHT, INT32_MAX - 5, 50, {1, 1, 1000, 1000});
    EXPECT_EQ(int64_t{r.right} - r.left, 1000);
}

}  // namespace

#include "app/model/window_layout.h"

#include <gtest/gtest.h>

namespace {

bool overlap(const LayoutRect& a, const LayoutRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Every control inside the client above the status bar, none overlapping
// another but the radius spin inside its frame, the pictures square.
void expect_sound(const WindowLayout& l) {
    SCOPED_TRACE(testing::Message() << l.dpi << " dpi, client " << l.client_width << " x " << l.client_height);
    EXPECT_GE(l.shown, MIN_SHOWN_SIZE);
    EXPECT_LE(l.status_top + scale_length(20, l.dpi), l.client_height);
    for (int i = 0; i < LAYOUT_CONTROL_COUNT; ++i) {
        const LayoutRect& r = l.controls[i];
        EXPECT_TRUE(r.width > 0 && r.height > 0 && r.x >= 0 && r.y >= 0 && r.x + r.width <= l.client_width &&
                    r.y + r.height <= l.status_top)
            << i;
        for (int j = i + 1; j < LAYOUT_CONTROL_COUNT; ++j)
            EXPECT_EQ(overlap(r, l.controls[j]), i == LAYOUT_RADIUS_FRAME && j == LAYOUT_RADIUS_SPIN) << i << " " << j;
    }
    for (int picture : {LAYOUT_LEFT_PICTURE, LAYOUT_RIGHT_PICTURE})
        EXPECT_TRUE(l.controls[picture].width == l.shown && l.controls[picture].height == l.shown);
}

TEST(WindowLayout, At96DpiWithRoomItIsTodaysWindow) {
    // The designed window: 1330 x 680, two 600-pixel pictures.
    const LayoutRect today[LAYOUT_CONTROL_COUNT] = {
        {10, 10, 600, 600},   {720, 10, 600, 600},  {720, 620, 90, 30},  {620, 50, 90, 50},  {960, 620, 90, 30},
        {1210, 620, 100, 30}, {620, 110, 40, 500},  {670, 110, 40, 500}, {840, 620, 90, 30}, {10, 620, 30, 30},
        {170, 620, 30, 30},   {110, 620, 30, 30},   {270, 620, 30, 30},  {340, 620, 30, 30}, {440, 620, 30, 30},
        {1080, 620, 100, 30}, {630, 70, 70, 20},    {50, 630, 50, 20},   {210, 630, 50, 20}, {380, 630, 50, 20},
    };
    for (const WindowLayout& l : {opening_layout(96, 1600, 1000, 16, 62), layout_for_client(96, 1330, 680)}) {
        EXPECT_EQ(l.client_width, 1330);
        EXPECT_EQ(l.client_height, 680);
        for (int i = 0; i < LAYOUT_CONTROL_COUNT; ++i) {
            const LayoutRect& r = l.controls[i];
            EXPECT_TRUE(r.x == today[i].x && r.y == today[i].y && r.width == today[i].width &&
                        r.height == today[i].height)
                << i;
        }
    }
}

TEST(WindowLayout, OpeningWindowFitsEveryWorkAreaAtEveryDpi) {
    const struct {
        int32_t width, height;
    } work_areas[] = {{1366, 728}, {1280, 680}, {1920, 1040}, {2560, 1400}, {3840, 2120}, {800, 560}};
    for (int32_t dpi : {96, 120, 144, 168, 192, 288})
        for (const auto& work : work_areas) {
            const int32_t frame_width = scale_length(16, dpi), frame_height = scale_length(59, dpi);
            const WindowLayout l = opening_layout(dpi, work.width, work.height, frame_width, frame_height);
            expect_sound(l);
            // 600 wherever it fits, else the largest that fits, else the least.
            auto fits = [&](const WindowLayout& w) {
                return w.client_width + frame_width <= work.width && w.client_height + frame_height <= work.height;
            };
            EXPECT_TRUE(fits(l) || l.shown == min_shown_size(dpi)) << dpi << " " << work.width;
            EXPECT_TRUE(l.shown == DESIGN_SHOWN_SIZE || !fits(layout_for_shown(dpi, l.shown + 1))) << dpi;
        }
}

TEST(WindowLayout, ResizedClientsStaySoundAndPicturesTakeTheRoom) {
    for (int32_t dpi : {96, 144, 192}) {
        int32_t min_width = 0, min_height = 0;
        min_client_size(dpi, &min_width, &min_height);
        int32_t last = 0;
        for (int32_t grow = 0; grow < 2400; grow += 37) {
            const WindowLayout l = layout_for_client(dpi, min_width + grow, min_height + grow / 2);
            expect_sound(l);
            EXPECT_GE(l.shown, last);
            last = l.shown;
        }
        // Pictures of a side from the smallest up give back that side.
        for (int32_t shown = min_shown_size(dpi); shown < 1200; shown += 41)
            EXPECT_EQ(layout_for_shown(dpi, shown).shown, shown) << dpi;
    }
}

TEST(WindowLayout, PointerLengthsInCanvasPixels) {
    // A drag across the whole picture is one side of the square at any size.
    for (int32_t shown : {240, 400, 599, 600, 601, 900, 1777}) {
        EXPECT_EQ(shown_to_canvas(shown, shown), 600) << shown;
        EXPECT_EQ(shown_to_canvas(-shown, shown), -600) << shown;
        EXPECT_EQ(shown_to_canvas(0, shown), 0) << shown;
        for (int32_t x = -shown; x < shown; ++x)
            ASSERT_LE(shown_to_canvas(x, shown), shown_to_canvas(x + 1, shown)) << shown << " " << x;
    }
}

TEST(WindowLayout, PlacedInsideTheWorkArea) {
    const LayoutRect work{100, 0, 1366, 728};
    const LayoutRect centred = place_in_work_area({0, 0, 1000, 700}, work, true);
    const LayoutRect back = place_in_work_area({3000, -50, 1000, 700}, work, false);  // off the screens
    EXPECT_TRUE(centred.x == 283 && centred.y == 14 && back.x == 466 && back.y == 0 && back.width == 1000);
}

}  // namespace

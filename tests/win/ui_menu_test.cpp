// Menu bars of toolkit windows: the client keeps its size however tall the
// bar, item states, and a chosen item arriving as EVENT_MENU.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/menu.h"
#include "ui_test_support.h"

namespace {

class MenuBar : public ::testing::Test {
protected:
    static void SetUpTestSuite() { start_toolkit(); }
    void TearDown() override {
        if (window) close_window(window);
        pump_events(20);
    }
    int64_t window = 0;
};

RECT frame_of(int64_t window) {
    RECT r;
    GetWindowRect(reinterpret_cast<HWND>(window_handle(window)), &r);
    return r;
}

TEST_F(MenuBar, ClientKeepsItsSizeEvenWhenTheBarWrapsAndTheFrameItsCentre) {
    for (const int width : {400, 150}) {  // one line of titles; several lines
        // The first centred on the screen, the second near its top.
        const uint32_t flags = WINDOW_DEFAULT_FLAGS | (width == 400 ? WINDOW_CENTER_SCREEN : 0);
        window = open_window(AUTO_ID, 10, 10, width, 150, "menu", flags);
        ASSERT_NE(window, 0);
        const RECT before = frame_of(window);
        const int64_t bar = create_menu_bar();
        for (const char* title : {"&File", "&Options", "&Help", "&View"}) {
            const int64_t popup = create_popup_menu();
            ASSERT_TRUE(append_menu_item(popup, 5, "Item\tCtrl+I"));
            ASSERT_TRUE(append_menu_popup(bar, popup, title));
        }
        const int outer_before = window_height(window, WINDOW_OUTER);
        ASSERT_TRUE(set_window_menu(window, bar));
        EXPECT_EQ(window_menu(window), bar);
        EXPECT_EQ(window_width(window), width) << width;
        EXPECT_EQ(window_height(window), 150) << width;
        EXPECT_GT(window_height(window, WINDOW_OUTER), outer_before + 10) << width;
        // The narrow window's bar takes two lines, which the adjustment
        // for one line would get wrong.
        if (width == 150) {
            EXPECT_GT(window_height(window, WINDOW_OUTER) - outer_before, GetSystemMetrics(SM_CYMENU) + 5);
        }
        // The frame grew about its centre, but no title bar went above the
        // screen's top.
        const RECT after = frame_of(window);
        EXPECT_EQ(after.left + after.right, before.left + before.right) << width;
        if (width == 400) {
            EXPECT_LE(std::abs((after.top + after.bottom) - (before.top + before.bottom)), 1);
            EXPECT_LE(std::abs(2 * after.top + (after.bottom - after.top) - GetSystemMetrics(SM_CYSCREEN)), 2);
        } else {
            EXPECT_EQ(after.top, 0);
        }
        close_window(window);
        window = 0;
    }
    EXPECT_FALSE(set_window_menu(0, create_menu_bar()));
    EXPECT_FALSE(append_menu_item(0, 1, "x"));
    EXPECT_FALSE(append_menu_popup(create_menu_bar(), 0, "x"));
}

TEST_F(MenuBar, ItemStatesAndAChosenItem) {
    window = open_window(AUTO_ID, 10, 10, 300, 100, "menu", WINDOW_DEFAULT_FLAGS);
    const int64_t bar = create_menu_bar(), popup = create_popup_menu(), sub = create_popup_menu();
    append_menu_item(popup, 11, "&Tick", MENU_ITEM_CHECK);
    append_menu_separator(popup);
    for (uint16_t c = 21; c <= 23; ++c) append_menu_item(sub, c, "size", MENU_ITEM_RADIO);
    append_menu_popup(popup, sub, "&Sizes");
    append_menu_popup(bar, popup, "&Options");
    ASSERT_TRUE(set_window_menu(window, bar));

    EXPECT_FALSE(menu_item_checked(bar, 11));
    check_menu_item(bar, 11, true);
    EXPECT_TRUE(menu_item_checked(bar, 11));
    // A radio group deep in a submenu, found from the bar.
    check_menu_radio(bar, 21, 23, 22);
    check_menu_radio(bar, 21, 23, 23);
    EXPECT_FALSE(menu_item_checked(bar, 21));
    EXPECT_FALSE(menu_item_checked(bar, 22));
    EXPECT_TRUE(menu_item_checked(bar, 23));
    check_menu_radio(bar, 21, 23, 99);  // no such item: nothing changes
    EXPECT_TRUE(menu_item_checked(bar, 23));

    EXPECT_TRUE(menu_item_enabled(bar, 11));
    enable_menu_item(bar, 11, false);
    EXPECT_FALSE(menu_item_enabled(bar, 11));
    enable_menu_item(bar, 11, true);
    EXPECT_TRUE(menu_item_enabled(bar, 11));
    EXPECT_FALSE(menu_item_enabled(bar, 99));
    EXPECT_STREQ(menu_item_text(bar, 11), "&Tick");

    // What choosing an item sends its window.
    pump_events(30);
    PostMessageA(reinterpret_cast<HWND>(window_handle(window)), WM_COMMAND, MAKEWPARAM(22, 0), 0);
    const std::vector<TakenEvent> menu = only(pump_events(60), {EVENT_MENU});
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].object, 22);
    EXPECT_EQ(menu[0].window, window);
}

}  // namespace

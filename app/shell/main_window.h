// The tool's only window, its status bar and 20 gadgets, and the dispatcher
// the main loop calls with every event code.
#pragma once

#include <cstdint>

// Client size of the main window at 96 DPI where the screen has room for it.
constexpr int32_t MAIN_WINDOW_WIDTH = 1330;
constexpr int32_t MAIN_WINDOW_HEIGHT = 680;

// Opens the window hidden (x, y, width and height are its first place,
// before the layout sets it), gives it its colour, status bar 0 with the
// six labelled fields, the gadgets in their fixed order and the menu bar;
// then sizes it for its monitor's DPI and work area (app/model/window_layout.h),
// centres it there and shows it.  The handles go into the application state.
void build_main_window(int32_t x, int32_t y, int32_t width, int32_t height);

// 1 to go on, 0 to end the program (only for EVENT_CLOSE_WINDOW).
int64_t handle_event(int32_t code);

// Lays the gadgets out again for the client's size and the window's DPI
// (new fonts and status fields when that changed).
void on_window_sized();

// A spin's text changed (type EVENT_TYPE_CHANGE; other types do nothing):
// its number goes, unclamped, into the spin's variable.
void on_spin_change(int64_t gadget, int64_t type);

// Asks for a background colour (cancel keeps the old one) and renders.
void on_back_color();

// The state variable a spin gadget writes (radius, step X, Y or XY), or
// null for any other gadget handle, 0 included.
int64_t* spin_variable(int64_t gadget);

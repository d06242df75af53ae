// Toolkit internals shared by the window, keyboard, sizing and gadget files.
// Includes <windows.h>: only for the toolkit's _win.cpp files.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/registry.h"
#include "ui/window.h"

struct WindowRecord {
    HWND handle;  // 0: the record is free
    ACCEL* accelerator_entries;
    HACCEL accelerator_table;
    int32_t accelerator_count;
    int32_t background_color;  // -1: the class background
    HBRUSH background_brush;
    int32_t sized_state;  // 1 while minimised or maximised
    int32_t min_width, min_height;  // the smallest outer size the user may drag; 0: the system's
};

constexpr WORD COMMAND_FOCUS_NEXT = 0xFA01;
constexpr WORD COMMAND_FOCUS_PREVIOUS = 0xFA02;
constexpr int64_t MENU_CONTROL_ID = -10000;  // a control whose commands count as menu commands
constexpr UINT MESSAGE_TRAY = 12501;

constexpr const char* WINDOW_ID_PROPERTY = "Qz_WindowID";
constexpr const char* FOCUS_PROPERTY = "Qz_Focus";

ObjectRegistry* window_registry();
WindowRecord* find_window_record(int64_t id);
HINSTANCE module_instance();

// Keyboard navigation.
void show_keyboard_cues(HWND window);
void hide_keyboard_cues(HWND window);
void move_focus(int direction);  // 0 forward, 1 backward

// The sizing loop: sees every message of a toolkit window first.
void init_sizing_state();
void end_sizing_state();
LRESULT sizing_hook(HWND window, UINT message, WPARAM w, LPARAM l);

// The system gives wheel messages to the focus; one over an image gadget that
// tracks the pointer is handed to that gadget instead (the loop calls this
// before dispatching).
void route_mouse_wheel(MSG* msg);

// Gadget machinery hooks used by the window procedure.
LRESULT gadget_parent_message(HWND control, HWND parent, UINT message, WPARAM w, LPARAM l);
void use_gadget_list(HWND window);

// The current gadget list: the window into which gadgets are created.
// open_window makes a new window the current list unless its flags hold
// WINDOW_NO_GADGET_LIST.
#pragma once

#include <cstdint>

int64_t current_gadget_list();               // the window handle, or 0
void use_gadget_list_window(int64_t window);  // makes a window the current list

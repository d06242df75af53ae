// Carrying out the main window's commands (app/model/command_table.h): menu
// items and keyboard shortcuts.
#pragma once

#include <cstdint>

// Carries out one command of the main window (a menu item, or a shortcut
// when from_shortcut); unknown numbers do nothing.  Returns 0 when the
// command ends the program (File > Exit), else 1: handle_event passes it on
// to the main loop.
int64_t on_command(int64_t command, bool from_shortcut = false);

// The main window's keyboard shortcuts, added to its accelerator table once
// the window is built.
void add_main_window_shortcuts();

// Ctrl+C: the window's accelerator table takes the key before a focused edit
// sees it, so an edit holding a selection gets its own copy of the text;
// otherwise the cut-out is copied (as the menu's Copy always does).  What
// copy_cutout returns, or 1 for the text.
int64_t on_copy();

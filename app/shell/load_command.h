// Pictures arriving: the Load button's dialog, a file dropped on the main
// window, and a paste from the clipboard (Ctrl+V, or a menu's Paste).
#pragma once

// The open pattern list of "Load", whole: the lone "*.cur" after the icon
// pair shifts every later description and pattern by one.
extern const char* const LOAD_PATTERN;

// Asks for a picture and loads it; the status bar shows its size and the
// crop square, the left image gadget the crop.  Cancel changes nothing.
void on_load();

// What Load does with the chosen file: loads it (or the black fallback)
// and shows its size, the square and the crop.
void load_picture_file(const char* file);

// A dropped file: loaded exactly as if chosen in the Load dialog, then
// rendered.  Null does nothing.
void on_dropped_file(const char* file);

// Takes the best picture the clipboard offers (see paste_order) as the new
// source: the status bar, the initial square, the crop and the cut-out as
// after a load.  With nothing usable the picture stays as it is and a
// focused edit (a spin's text) gets the clipboard's text; false then.
bool on_paste();

// Pictures that arrive without the Load dialog: a file dropped on the main
// window, and a paste from the clipboard (Ctrl+V, or a menu's Paste).
#pragma once

#include <cstddef>
#include <cstdint>

// A dropped file: loaded exactly as if chosen in the Load dialog, then
// rendered.  Null does nothing.
void on_dropped_file(const char* file);

// Takes the best picture the clipboard offers (see paste_order) as the new
// source: the status bar, the initial square, the crop and the cut-out as
// after a load.  With nothing usable the picture stays as it is and a
// focused edit (a spin's text) gets the clipboard's text; false then.
bool on_paste();

// Decodes an encoded picture (PNG, or any other format the platform's
// decoder knows) held in memory into a new 24-bit image, drawn 1:1 over
// black as a file load draws it; 0 when it cannot be decoded.
int64_t decode_picture_bytes(const uint8_t* data, size_t size);

// The handlers of the Load button and the six crop buttons.
#pragma once

#include <cstdint>

// The open pattern list of "Load", whole: the lone "*.cur" after the icon
// pair shifts every later description and pattern by one.
extern const char* const LOAD_PATTERN;

// Asks for a picture and loads it; the status bar shows its size and the
// crop square, the left image gadget the crop.  Cancel changes nothing.
void on_load();

// What Load does with the chosen file: loads it (or the black fallback)
// and shows its size, the square and the crop.
void load_picture_file(const char* file);

// One press of the crop button with this gadget handle (any other value
// does nothing); a press whose test passes shows the new square.
void on_crop_button(int64_t gadget);

// Status fields 0 and 1 (the source size) and 2 to 5 (the crop square).
void show_source_size();
void show_crop_square();

// Shows the crop image in the left gadget, with the size-all cursor over it
// while a picture is loaded.
void show_crop_image();

// An event of the left image gadget (its type): drags, wheel notches and the
// double click change the square live.
void on_left_image_event(int64_t type);
// Escape: a drag in progress ends with the square where it began.
void cancel_crop_drag();
// Replaces a drag's sampled preview by the exact crop and its render, so
// that what a shortcut saves or copies in the middle of a drag is exact.
void settle_crop_preview();

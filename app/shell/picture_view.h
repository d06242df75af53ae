// The left picture, which shows the crop square scaled to the canvas, and
// the status fields of the picture and its square.
#pragma once

#include <cstdint>

// Status field 6: why the picture is black or in part (empty when it is not).
constexpr int32_t PROBLEM_FIELD = 6;

// Status fields 0 and 1 (the source size) with field 6, and 2 to 5 (the crop square).
void show_source_size();
void show_crop_square();

// Shows the crop image in the left gadget, with the size-all cursor over it
// while a picture is loaded.
void show_crop_image();

// Both pictures shown at this side from now on (the crop and output images
// themselves at 600, else both drawn afresh at that side).
void set_shown_size(int32_t size);

// Takes the crop image off the screen before it is freed (the left gadget
// shows nothing until the next crop is set).
void release_crop_display();

// One press of the crop button with this gadget handle (any other value
// does nothing); a press whose test passes shows the new square.
void on_crop_button(int64_t gadget);

// An event of the left image gadget (its type): drags, wheel notches and the
// double click change the square live.
void on_left_image_event(int64_t type);
// Escape: a drag in progress ends with the square where it began.
void cancel_crop_drag();
// A new picture (a load, a paste, a drop): a drag in progress ends where it
// is, so that neither its later moves nor Escape reach the new square.
void end_crop_drag();
// A square placed in the middle of a drag (a crop press, the face search):
// the drag goes on from it, as after a wheel notch.
void rebase_crop_drag();
// Replaces a drag's sampled preview by the exact crop and its render, so
// that what a shortcut saves or copies in the middle of a drag is exact.
void settle_crop_preview();

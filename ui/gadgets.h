// Gadgets: controls inside a toolkit window, created into the current gadget
// list (ui/gadget_list.h), known by a gadget id and driven through uniform
// operations.  User actions arrive as EVENT_GADGET with the gadget id as
// object (event_gadget) and a kind-specific type (event_type):
//
//   button    0 clicked
//   image     0 clicked, 1 right click, 2 double click, 3 right double
//             click, 14002 drag start; one that tracks the pointer reports
//             the drag types below instead of 14002
//   trackbar  0 on every scroll notification
//   spin      4 up arrow, 5 down arrow, the edit's notification codes
//             (768 = EVENT_TYPE_CHANGE for a text change, 1024, 256, 512 ...)
//
// Changing a gadget from the program (state, text) never queues an event.
#pragma once

#include <cstdint>
#include <string>

#include "core/registry.h"  // AUTO_ID, IGNORE_ARG
#include "ui/events.h"

constexpr int64_t GADGET_TYPE_DRAG_START = 14002;
constexpr int64_t GADGET_TYPE_DOUBLE_CLICK = 2;  // an image gadget's left double click
constexpr int64_t GADGET_TYPE_SPIN_UP = 4;

// An image gadget that tracks the pointer (track_image_gadget_pointer)
// reports a drag with the left button from press to release, holding the
// mouse capture meanwhile, and the wheel over it.  The event data is a point
// (event_point_x, event_point_y) in the gadget's client pixels:
constexpr int64_t GADGET_TYPE_DRAG_BEGIN = 14010;  // the press point
constexpr int64_t GADGET_TYPE_DRAG_MOVE = 14011;   // the pointer's offset from it; only the newest move waits
constexpr int64_t GADGET_TYPE_DRAG_END = 14012;    // the offset at the release
constexpr int64_t GADGET_TYPE_DRAG_LOST = 14013;   // the last offset, when the capture was taken away
constexpr int64_t GADGET_TYPE_WHEEL = 14014;       // the pointer; the notches come from take_image_gadget_wheel
constexpr int64_t GADGET_TYPE_SPIN_DOWN = 5;

// Kind numbers.
constexpr int32_t GADGET_BUTTON = 1;
constexpr int32_t GADGET_FRAME = 7;
constexpr int32_t GADGET_IMAGE = 9;
constexpr int32_t GADGET_TRACKBAR = 17;
constexpr int32_t GADGET_SPIN = 26;

// Flags.
constexpr uint32_t IMAGE_GADGET_BORDER = 0x1;        // WS_DLGFRAME
constexpr uint32_t IMAGE_GADGET_CLIENT_EDGE = 0x200;  // WS_EX_CLIENTEDGE
constexpr uint32_t TRACKBAR_TICKS = 0x1;
constexpr uint32_t TRACKBAR_VERTICAL = 0x2;
constexpr uint32_t SPIN_READ_ONLY = 0x1;
constexpr uint32_t SPIN_NUMERIC = 0x2;
constexpr uint32_t FRAME_CLIENT_EDGE = 1, FRAME_STATIC_EDGE = 2, FRAME_BORDER = 3;

// Attribute and colour selectors.
constexpr int32_t GADGET_MINIMUM = 1, GADGET_MAXIMUM = 2;
constexpr int32_t GADGET_FRONT_COLOR = 1, GADGET_BACK_COLOR = 2;

// Start-up (after the window library) and shutdown (before it).
void init_gadget_library();
void end_gadget_library();

// Creators: a number returns the control's HWND, AUTO_ID the new gadget's
// handle (which is its id); 0 on failure.  x, y are client coordinates of the
// current gadget list window; width and height are outer sizes.
// The image is a bitmap handle (an HBITMAP's value), 0 for none; the gadget
// borrows it: the caller keeps it alive while it is shown.
int64_t image_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, int64_t image,
                     uint32_t flags = 0);
int64_t button_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, const char* text,
                      uint32_t flags = 0);
int64_t frame_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, const char* text,
                     uint32_t flags = 0);
int64_t trackbar_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, int32_t minimum,
                        int32_t maximum, uint32_t flags = 0);
int64_t spin_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, int32_t minimum,
                    int32_t maximum, uint32_t flags = 0);
void gadget_tooltip(int64_t gadget, const char* text);
// The font gadgets made from now on get (an HFONT's value; 0 for the
// system's default GUI font).  The caller keeps it alive while it is used.
void set_gadget_font(int64_t font);

// Pointer tracking of image gadgets (other gadgets ignore these calls).
void track_image_gadget_pointer(int64_t gadget, bool on);
// The cursor over the gadget: GADGET_CURSOR_DEFAULT (the window's) or
// GADGET_CURSOR_SIZE_ALL.  Any image gadget can take one.
constexpr int32_t GADGET_CURSOR_DEFAULT = 0;
constexpr int32_t GADGET_CURSOR_SIZE_ALL = 1;
void set_image_gadget_cursor(int64_t gadget, int32_t cursor);
// Whole wheel notches since the last call, positive for turns away from the
// user (partial deltas add up until they make a notch).
int32_t take_image_gadget_wheel(int64_t gadget);
// Ends a drag in progress without an event (the program cancels it itself)
// and lets go of the capture.
void end_image_gadget_drag(int64_t gadget);

// The point a pointer event carries in its data.
inline int32_t event_point_x() {
    return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event_data())));
}
inline int32_t event_point_y() {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(event_data())) >> 32));
}

// The state is a 32-bit signed value for every kind but the image, whose
// state is its bitmap handle: that travels whole, so a handle survives
// whatever its width (a 32-bit handle widened with its sign works too).
void set_gadget_state(int64_t gadget, int64_t value);
int64_t get_gadget_state(int64_t gadget);
void set_gadget_text(int64_t gadget, const char* text);
std::string get_gadget_text(int64_t gadget);
void resize_gadget(int64_t gadget, int32_t x, int32_t y, int32_t width, int32_t height);  // IGNORE_ARG keeps
void free_gadget(int64_t gadget);  // -1 frees every gadget

void hide_gadget(int64_t gadget, int32_t hide);
int64_t get_gadget_attribute(int64_t gadget, int32_t which);
void set_gadget_attribute(int64_t gadget, int32_t which, int64_t value);
void set_gadget_color(int64_t gadget, int32_t which, int64_t color);  // -1: the system colour
int64_t get_gadget_color(int64_t gadget, int32_t which);
// The size the gadget needs; false when the kind cannot tell.
bool gadget_required_size(int64_t gadget, int32_t* width, int32_t* height);

int64_t gadget_handle(int64_t gadget);  // the main control's HWND, or 0
int32_t gadget_kind(int64_t gadget);    // the kind number, or 0

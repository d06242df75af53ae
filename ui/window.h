// Top-level toolkit windows and the event loop.  The program opens windows,
// creates gadgets in them and loops on wait_window_event, which returns a
// queued toolkit event first (see ui/events.h), else the number of the one
// window message it dispatched, else 0 when nothing arrived in time.
//
// Window handles travel as 64-bit integers (an HWND's value).
#pragma once

#include <cstdint>

#include "core/registry.h"  // AUTO_ID, IGNORE_ARG
#include "ui/events.h"

// The answer by which a message handler passes a message on to the default
// window procedure.
constexpr int64_t NOT_HANDLED = static_cast<int64_t>(0xFFFFFFFFD0D0D0D1ull);

// open_window flags; every other bit is a Win32 window style.
constexpr uint32_t WINDOW_CENTER_SCREEN = 0x00000001;
constexpr uint32_t WINDOW_CENTER_PARENT = 0x00000002;
constexpr uint32_t WINDOW_TOOL = 0x00000004;
constexpr uint32_t WINDOW_NO_GADGET_LIST = 0x00000008;
constexpr uint32_t WINDOW_HIDDEN = 0x10000000;
constexpr uint32_t WINDOW_DEFAULT_FLAGS = 0x00C80000;  // WS_CAPTION | WS_SYSMENU

// window_width / window_height modes.
constexpr int WINDOW_CLIENT = 1;
constexpr int WINDOW_OUTER = 0;

// Start-up, in this order: event posting (the hidden window of cross-thread
// posting and the queue), the window library, then (after the gadget library)
// the common controls and COM.  Shutdown: end_window_library closes every
// window, then end_event_posting.
void init_event_posting();
void end_event_posting();
void init_window_library();
void end_window_library();
void init_common_controls();

// The hidden window and the registered message through which another thread
// hands an event to the GUI thread: lParam points to a record from the
// runtime heap holding the code (32-bit) at offset 8 and the object, window,
// type and data (64-bit each) at 16, 24, 32 and 40; the receiver frees it.
// Only records made by post_event_from_thread and not yet received are
// taken; the message with any other value is ignored.
int64_t post_event_window();
uint32_t post_event_message();
// From any thread of this process: queues the event on the GUI thread (when
// it next dispatches messages).  False when it could not be posted.
bool post_event_from_thread(int32_t code, int64_t object, int64_t window, int64_t type, void* data = nullptr);

// x or y may be IGNORE_ARG; width and height are the client size; title may
// be null.  Returns the new window's handle for AUTO_ID (also its id), the
// HWND for a number, 0 on failure.
int64_t open_window(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, const char* title,
                    uint32_t flags = WINDOW_DEFAULT_FLAGS, int64_t parent = 0);
void close_window(int64_t id);  // -1 closes every window
int64_t window_handle(int64_t id);

// Adds a keyboard shortcut to the window's accelerator table: while the
// window is active, the virtual key with the modifiers (ACCEL_SHIFT,
// ACCEL_CONTROL, ACCEL_ALT) arrives as EVENT_MENU with event_menu() equal to
// command, whichever control has the focus.  false when the window is not a
// toolkit window, the command is one the toolkit keeps, or the table cannot
// be made.
constexpr uint8_t ACCEL_SHIFT = 0x04;
constexpr uint8_t ACCEL_CONTROL = 0x08;
constexpr uint8_t ACCEL_ALT = 0x10;
// A focused edit keeps the key for itself (Ctrl+Left, a word back): the
// shortcut works wherever else the focus is.
constexpr uint8_t ACCEL_NOT_IN_EDIT = 0x40;
// Shortcuts arrive with event_type() EVENT_TYPE_SHORTCUT, menu items with 0.
constexpr int64_t EVENT_TYPE_SHORTCUT = 1;
bool add_window_accelerator(int64_t id, uint8_t modifiers, uint16_t key, uint16_t command);
// Whether files dropped on the window arrive as EVENT_DROP_FILES.  false
// when the window is not a toolkit window.
bool accept_dropped_files(int64_t id, bool accept);
// The first name in a dropped-file list (an HDROP, as a drop or the
// clipboard hands it over), in the system code page, on the runtime heap
// (free it with runtime_free); null when the list names no file.
char* first_dropped_file(int64_t list);
int32_t window_width(int64_t id, int mode = WINDOW_CLIENT);
int32_t window_height(int64_t id, int mode = WINDOW_CLIENT);
void set_window_color(int64_t id, int64_t color);  // 0x00BBGGRR, -1 for the class background
// The smallest outer size the user may size the window to (0, 0: the system's).
void set_window_min_size(int64_t id, int32_t width, int32_t height);
// The window's DPI: its monitor's where the system tells it per window
// (Windows 10 1607 on), else the screen's; 96 for no window.
int32_t window_dpi(int64_t id);

// timeout in milliseconds: -1 waits without limit, 0 does not wait.
int32_t wait_window_event(int32_t timeout);

// The toolkit window id of a window handle: its own "Qz_WindowID" or that of
// its nearest ancestor; -1 when there is none.
int64_t window_id_of(int64_t hwnd);

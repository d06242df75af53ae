// The toolkit's event queue: one first-in, first-out queue of events for the
// GUI thread.  Window and gadget handlers post events while a message is being
// dispatched; wait_window_event takes them out one at a time, and the program
// reads the fields of the event last taken with event_gadget, event_menu and
// event_type.
//
// Portable: no platform call.  The hidden window through which another thread
// hands over an event lives in event_window_win.cpp.
#pragma once

#include <cstdint>

// Codes equal to a window message number reuse that number.
constexpr int32_t EVENT_WINDOW_MOVED = 3;
constexpr int32_t EVENT_WINDOW_SIZED = 5;
constexpr int32_t EVENT_REPAINT = 15;
constexpr int32_t EVENT_CLOSE_WINDOW = 16;
constexpr int32_t EVENT_GADGET = 13100;
constexpr int32_t EVENT_MENU = 13101;
constexpr int32_t EVENT_TRAY = 13102;
constexpr int32_t EVENT_WINDOW_ACTIVATED = 13104;
constexpr int32_t EVENT_WINDOW_MINIMIZED = 13107;
constexpr int32_t EVENT_WINDOW_MAXIMIZED = 13108;
constexpr int32_t EVENT_WINDOW_RESTORED = 13109;
constexpr int32_t EVENT_TIMER = 13110;
constexpr int32_t EVENT_RIGHT_CLICK = 13111;
constexpr int32_t EVENT_LEFT_CLICK = 13112;
constexpr int32_t EVENT_LEFT_DOUBLE_CLICK = 13113;
constexpr int32_t EVENT_WINDOW_DEACTIVATED = 13114;
// The window moved to a monitor of another scaling: the event's type is the
// new DPI.  The window takes the size and place the system suggests right
// after, which raises EVENT_WINDOW_SIZED.
constexpr int32_t EVENT_WINDOW_DPI_CHANGED = 13115;

// Gadget event types.
constexpr int64_t EVENT_TYPE_CHANGE = 768;  // a spin's text changed (the edit's EN_CHANGE)

// Events with a code below this limit merge with an identical event at the
// queue's tail.
constexpr int32_t EVENT_COALESCE_LIMIT = 0x10001;

// Files dropped on a window that accepts them: object is how many, data the
// first one's name (in the system code page), released by the queue.  Above
// the limit: two drops stay two events, each with its own name.
constexpr int32_t EVENT_DROP_FILES = 0x10002;

using EventRelease = void (*)(void* data);
using EventCallback = void (*)();

struct EventRecord {
    EventRecord* next;
    int32_t code;
    int64_t object;   // gadget id, command id or window id; else 0
    int64_t window;   // id of the owning toolkit window, -1 for none
    int64_t type;
    void* data;
    EventRelease release;
};

// Records come from blocks of a fixed number and go back to a free list, so
// posting and taking allocate nothing once the pool has grown to the longest
// queue seen.
constexpr int EVENT_POOL_BLOCK = 64;
struct EventPoolBlock {
    EventPoolBlock* next;
    EventRecord records[EVENT_POOL_BLOCK];
};
struct CallbackTable;

struct EventQueue {
    EventPoolBlock* blocks;  // the pool's blocks, for the final release
    EventRecord* free_records;
    EventRecord* head;
    EventRecord* tail;
    int32_t suspend_count;
    int32_t current_code;
    int64_t current_window;
    int64_t current_object;
    int64_t current_type;
    void* current_data;
    EventRelease current_release;
    CallbackTable* callbacks;
};

// Start-up and shutdown of the queue (the state block and the callback
// table).  The queue is also made on first use.
void init_event_queue();
void end_event_queue();
EventQueue* event_queue();

void post_event(int32_t code, int64_t object, int64_t window, int64_t type, void* data = nullptr,
                EventRelease release = nullptr);
int32_t take_next_event();

void suspend_events();
void resume_events();

// Removes the queued events matching every given field; -1 matches any value.
void purge_events(int32_t code, int64_t object, int64_t window, int64_t type);
void purge_window_events(int64_t window);
void purge_gadget_events(int64_t gadget);

// Fields of the event last taken.
int64_t event_gadget();
int64_t event_menu();
int64_t event_type();
int64_t event_window();
void* event_data();
// Resets the current code, as after a raw message.
void clear_current_event();
int32_t current_event_code();

// Number of events waiting in the queue.
int64_t queued_event_count();

// Bound callbacks: run after an event is queued when one of its lookup keys
// (window:object:type, window:object:-1, window:-1:-1, -1:-1:-1, -1:object:type,
// each prefixed by the code) names them.  Nothing in the program binds one.
bool bind_event_callback(int32_t code, int64_t window, int64_t object, int64_t type, EventCallback callback);

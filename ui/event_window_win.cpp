// The hidden window through which another thread hands an event to the GUI
// thread's queue.
#include "core/memory.h"
#include "ui/window_internal.h"

namespace {

HWND post_window = nullptr;
UINT post_message = 0;

constexpr const char* post_class = "PostEventClass";

struct CrossThreadEvent {  // the record lParam points to
    CrossThreadEvent* next;  // in the list of records not yet received
    int32_t code;
    int32_t padding;
    int64_t object, window, type;
    void* data;
};
static_assert(offsetof(CrossThreadEvent, code) == 8 && offsetof(CrossThreadEvent, object) == 16 &&
              offsetof(CrossThreadEvent, window) == 24 && offsetof(CrossThreadEvent, type) == 32 &&
              offsetof(CrossThreadEvent, data) == 40);

// Records that post_event_from_thread handed over and the GUI thread has not
// yet received.  The window and message are visible to every process, so a
// message is taken only for a record of this list: any other value (a
// foreign address, a live block of ours that is something else, a record
// already received) is never read or freed.
CrossThreadEvent* pending = nullptr;
SRWLOCK pending_lock = SRWLOCK_INIT;

// Takes the record out of the list; false when it is not there.
bool take_pending(LPARAM value) {
    bool found = false;
    AcquireSRWLockExclusive(&pending_lock);
    for (CrossThreadEvent** p = &pending; *p; p = &(*p)->next) {
        if (reinterpret_cast<LPARAM>(*p) == value) {
            *p = (*p)->next;
            found = true;
            break;
        }
    }
    ReleaseSRWLockExclusive(&pending_lock);
    return found;
}

LRESULT CALLBACK post_window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == post_message && post_message != 0 && take_pending(l)) {
        auto* record = reinterpret_cast<CrossThreadEvent*>(l);
        post_event(record->code, record->object, record->window, record->type, record->data, nullptr);
        runtime_free(record);
    }
    return DefWindowProcA(window, message, w, l);
}

}  // namespace

void init_event_posting() {
    init_event_queue();
    if (post_window) return;
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = post_window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = post_class;
    RegisterClassA(&wc);
    post_message = RegisterWindowMessageA("Qz_PostEventMessage");
    post_window = CreateWindowExA(0, post_class, "", WS_CAPTION, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
}

bool post_event_from_thread(int32_t code, int64_t object, int64_t window, int64_t type, void* data) {
    HWND target = post_window;
    if (!target || !post_message) return false;
    auto* record = static_cast<CrossThreadEvent*>(runtime_alloc(sizeof(CrossThreadEvent)));
    if (!record) return false;
    record->code = code;
    record->object = object;
    record->window = window;
    record->type = type;
    record->data = data;
    AcquireSRWLockExclusive(&pending_lock);
    record->next = pending;
    pending = record;
    ReleaseSRWLockExclusive(&pending_lock);
    if (PostMessageA(target, post_message, 0, reinterpret_cast<LPARAM>(record))) return true;
    if (take_pending(reinterpret_cast<LPARAM>(record))) runtime_free(record);
    return false;
}

void end_event_posting() {
    if (post_window) DestroyWindow(post_window);
    post_window = nullptr;
    // Records whose messages went with the window.
    AcquireSRWLockExclusive(&pending_lock);
    CrossThreadEvent* left = pending;
    pending = nullptr;
    ReleaseSRWLockExclusive(&pending_lock);
    while (left) {
        CrossThreadEvent* next = left->next;
        runtime_free(left);
        left = next;
    }
    UnregisterClassA(post_class, GetModuleHandleA(nullptr));
    end_event_queue();
}

int64_t post_event_window() { return reinterpret_cast<intptr_t>(post_window); }
uint32_t post_event_message() { return post_message; }

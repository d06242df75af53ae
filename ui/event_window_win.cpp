// The hidden window through which another thread hands an event to the GUI
// thread's queue.
#include "core/memory.h"
#include "ui/window_internal.h"

namespace {

HWND post_window = nullptr;
UINT post_message = 0;

constexpr const char* post_class = "PostEventClass";

struct CrossThreadEvent {  // the record lParam points to
    int64_t reserved;
    int32_t code;
    int32_t padding;
    int64_t object, window, type;
    void* data;
};
static_assert(offsetof(CrossThreadEvent, code) == 8 && offsetof(CrossThreadEvent, object) == 16 &&
              offsetof(CrossThreadEvent, window) == 24 && offsetof(CrossThreadEvent, type) == 32 &&
              offsetof(CrossThreadEvent, data) == 40);

LRESULT CALLBACK post_window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    // The window and message are visible to every process: only a record
    // that really is a live block of our runtime heap is read and freed.
    if (message == post_message && post_message != 0 && runtime_block_valid(reinterpret_cast<void*>(l))) {
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

void end_event_posting() {
    if (post_window) DestroyWindow(post_window);
    post_window = nullptr;
    UnregisterClassA(post_class, GetModuleHandleA(nullptr));
    end_event_queue();
}

int64_t post_event_window() { return reinterpret_cast<intptr_t>(post_window); }
uint32_t post_event_message() { return post_message; }

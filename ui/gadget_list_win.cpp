// The current gadget list: the window that receives new gadgets.
#include <cinttypes>
#include <cstdio>

#include "core/memory.h"
#include "ui/gadget_list.h"
#include "ui/window_internal.h"

namespace {

HWND current_list = nullptr;

// Kept on each window that has been the current list.  The list stack is
// never pushed by this program; its fields keep the record's layout.
struct GadgetStack {
    HWND window;
    HWND saved_list;
    void* saved_stack;
    int32_t depth;
    int32_t capacity;
    WNDPROC previous_proc;
};

void property_name(char* out, size_t size) {
    std::snprintf(out, size, "Qz_GadgetStack_%" PRId64, static_cast<int64_t>(reinterpret_cast<intptr_t>(module_instance())));
}

LRESULT CALLBACK list_window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    char name[64];
    property_name(name, sizeof name);
    auto* stack = static_cast<GadgetStack*>(GetPropA(window, name));
    WNDPROC previous = stack ? stack->previous_proc : nullptr;
    if (message == WM_NCDESTROY && stack) {
        if (current_list == window) current_list = nullptr;
        RemovePropA(window, name);
        runtime_free(stack->saved_stack);
        runtime_free(stack);
    }
    return previous ? CallWindowProcA(previous, window, message, w, l) : DefWindowProcA(window, message, w, l);
}

}  // namespace

void use_gadget_list(HWND window) {
    if (!window) return;
    char name[64];
    property_name(name, sizeof name);
    if (!GetPropA(window, name)) {
        auto* stack = static_cast<GadgetStack*>(runtime_alloc(sizeof(GadgetStack)));
        if (!stack) return;
        stack->window = window;
        stack->saved_list = current_list;
        SetPropA(window, name, stack);
        stack->previous_proc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list_window_proc)));
    }
    current_list = window;
}

int64_t current_gadget_list() { return reinterpret_cast<intptr_t>(current_list); }

void use_gadget_list_window(int64_t window) { use_gadget_list(reinterpret_cast<HWND>(window)); }

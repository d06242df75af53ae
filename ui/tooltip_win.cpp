// The tooltip window shared by every gadget, made at the first tooltip.
#include "ui/gadget_internal.h"

namespace {

HWND tooltip_window = nullptr;

// Keeps the tip above everything whenever it paints.
LRESULT CALLBACK tooltip_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_PAINT) SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return previous ? CallWindowProcA(previous, window, message, w, l) : DefWindowProcA(window, message, w, l);
}

}  // namespace

void gadget_tooltip(int64_t gadget, const char* text) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g) return;
    if (!tooltip_window) {
        tooltip_window = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, 0x80000003, CW_USEDEFAULT,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                         module_instance(), nullptr);
        if (!tooltip_window) return;
        LONG_PTR previous = SetWindowLongPtrA(tooltip_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(tooltip_proc));
        SetWindowLongPtrA(tooltip_window, GWLP_USERDATA, previous);
    }
    TOOLINFOA info = {};
    static_assert(sizeof info == 72);
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(g->handle);
    info.uId = reinterpret_cast<UINT_PTR>(g->handle);
    info.lpszText = const_cast<char*>(text ? text : "");
    SendMessageA(tooltip_window, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageA(tooltip_window, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

int64_t tooltip_handle() { return reinterpret_cast<intptr_t>(tooltip_window); }

void end_tooltips() {
    if (tooltip_window) DestroyWindow(tooltip_window);
    tooltip_window = nullptr;
}

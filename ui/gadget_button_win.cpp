// Buttons (kind 1) and frames (kind 7).
#include "ui/gadget_internal.h"

namespace {

WNDPROC frame_static_proc = nullptr;  // the STATIC procedure under the bordered frames

int64_t button_get_state(GadgetRecord* g) { return SendMessageA(g->handle, BM_GETCHECK, 0, 0) & 1; }

void button_set_state(GadgetRecord* g, int64_t value) {
    SendMessageA(g->handle, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void button_required_size(GadgetRecord* g, int32_t* width, int32_t* height) {
    char text[512];
    const int length = GetWindowTextA(g->handle, text, sizeof text);
    SIZE extent = {0, 0};
    if (HDC dc = GetDC(g->handle)) {
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(g->handle, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32A(dc, text, length, &extent);
        SelectObject(dc, old);
        ReleaseDC(g->handle, dc);
    }
    *width = extent.cx + 2 * GetSystemMetrics(SM_CXEDGE) + 10;
    *height = extent.cy + 2 * GetSystemMetrics(SM_CYEDGE);
    if (*height < 24) *height = 24;
}

const GadgetKind* button_kind() {
    static GadgetKind kind;
    if (!kind.kind) {
        kind.kind = GADGET_BUTTON;
        kind.size = sizeof kind;
        kind.get_state = button_get_state;
        kind.set_state = button_set_state;
        kind.required_size = button_required_size;
    }
    return &kind;
}

void frame_resize(GadgetRecord* g, int32_t x, int32_t y, int32_t width, int32_t height) {
    generic_resize(g, x, y, width, height);
    RECT r = rect_in_parent(g->handle);
    InvalidateRect(GetParent(g->handle), &r, TRUE);
}

const GadgetKind* frame_kind() {
    static GadgetKind kind;
    if (!kind.kind) {
        kind.kind = GADGET_FRAME;
        kind.size = sizeof kind;
        kind.resize = frame_resize;
    }
    return &kind;
}

// The bordered frames draw nothing but their border.
LRESULT CALLBACK frame_proc(HWND control, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_PAINT) {
        ValidateRect(control, nullptr);
        return 0;
    }
    return CallWindowProcA(frame_static_proc, control, message, w, l);
}

}  // namespace

int64_t button_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, const char* text,
                      uint32_t flags) {
    return create_gadget(id, button_kind(), 0, "Button", text, flags | 0x50030000, x, y, width, height);
}

int64_t frame_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, const char* text,
                     uint32_t flags) {
    if (flags == 0) return create_gadget(id, frame_kind(), 0, "Button", text, 0x50020007, x, y, width, height);
    DWORD ex_style = 0, style = 0x50020001;
    if (flags == FRAME_CLIENT_EDGE) ex_style = WS_EX_CLIENTEDGE;
    else if (flags == FRAME_STATIC_EDGE) ex_style = WS_EX_STATICEDGE;
    else style |= WS_BORDER;
    return create_gadget(id, frame_kind(), ex_style, "Static", nullptr, style, x, y, width, height, frame_proc,
                         &frame_static_proc);
}

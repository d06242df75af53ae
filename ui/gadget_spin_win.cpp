// The spin (kind 26): an edit control with an up-down control as its buddy.
// The edit is the gadget's main control; the up-down carries the gadget's id
// as its control id and "Qz_ID", so its notifications find the gadget too.
#include "ui/gadget_internal.h"
#include "ui/theme.h"

namespace {

constexpr const char* ID_PROPERTY = "Qz_ID";

HWND updown(GadgetRecord* g) { return reinterpret_cast<HWND>(static_cast<intptr_t>(g->field4)); }
int32_t back_color(GadgetRecord* g) { return static_cast<int32_t>(g->field1); }
int32_t front_color(GadgetRecord* g) { return static_cast<int32_t>(g->field2); }
HBRUSH back_brush(GadgetRecord* g) { return reinterpret_cast<HBRUSH>(static_cast<intptr_t>(g->field3)); }

int64_t spin_get_state(GadgetRecord* g) {
    BOOL error = FALSE;
    return static_cast<int32_t>(SendMessageA(updown(g), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
}

void spin_set_state(GadgetRecord* g, int64_t value) {
    SendMessageA(updown(g), UDM_SETPOS32, 0, static_cast<LPARAM>(static_cast<int32_t>(value)));
}

void spin_set_text(GadgetRecord* g, const char* text) {
    SetWindowTextA(g->handle, text);
    // Whatever the change made the spin's own two controls post is handled
    // now, while posting is suspended, so that none of it turns into an event
    // later.  Input and every other window's messages stay queued; a quit
    // request (which a filtered look takes too) is put back.
    MSG msg;
    for (HWND control : {g->handle, updown(g)}) {
        while (PeekMessageA(&msg, control, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    clear_current_event();
}

int32_t updown_width(int32_t height) { return height / 2 > 18 ? height / 2 : 18; }

void spin_resize(GadgetRecord* g, int32_t x, int32_t y, int32_t width, int32_t height) {
    const RECT r = rect_in_parent(g->handle);
    if (x == IGNORE_ARG) x = r.left;
    if (y == IGNORE_ARG) y = r.top;
    if (height == IGNORE_ARG) height = r.bottom - r.top;
    const int32_t u = updown_width(height);
    if (width == IGNORE_ARG) width = (r.right - r.left) + u;
    const int32_t edit_width = width - u + (themed_flag() ? 1 : 2);
    MoveWindow(g->handle, x, y, edit_width, height, TRUE);
    MoveWindow(updown(g), x + width - u, y, u, height, TRUE);
    RedrawWindow(g->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
    RedrawWindow(updown(g), nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}

int32_t spin_get_width(GadgetRecord* g) {
    RECT r;
    GetWindowRect(g->handle, &r);
    return (r.right - r.left) + (r.bottom - r.top) / 2;
}

void spin_hide(GadgetRecord* g, int32_t hide) {
    ShowWindow(g->handle, hide ? SW_HIDE : SW_SHOW);
    ShowWindow(updown(g), hide ? SW_HIDE : SW_SHOW);
}

int64_t spin_get_attribute(GadgetRecord* g, int32_t which) {
    int32_t min = 0, max = 0;
    SendMessageA(updown(g), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&min), reinterpret_cast<LPARAM>(&max));
    if (which == GADGET_MINIMUM) return min;
    if (which == GADGET_MAXIMUM) return max;
    return 0;
}

void spin_set_attribute(GadgetRecord* g, int32_t which, int64_t value) {
    int32_t min = 0, max = 0;
    SendMessageA(updown(g), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&min), reinterpret_cast<LPARAM>(&max));
    if (which == GADGET_MINIMUM) min = static_cast<int32_t>(value);
    else if (which == GADGET_MAXIMUM) max = static_cast<int32_t>(value);
    else return;
    SendMessageA(updown(g), UDM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
}

void spin_set_color(GadgetRecord* g, int32_t which, int64_t color) {
    const int32_t c = static_cast<int32_t>(color);
    if (which == GADGET_FRONT_COLOR) {
        g->field2 = c;
    } else if (which == GADGET_BACK_COLOR) {
        release_color_brush(back_brush(g));
        g->field1 = c;
        g->field3 = c == -1 ? 0 : reinterpret_cast<intptr_t>(take_color_brush(c));
    } else {
        return;
    }
    RedrawWindow(g->handle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}

int64_t spin_get_color(GadgetRecord* g, int32_t which) {
    if (which == GADGET_FRONT_COLOR) return front_color(g);
    if (which == GADGET_BACK_COLOR) return back_color(g);
    return -1;
}

void spin_free(GadgetRecord* g) {
    release_color_brush(back_brush(g));
    g->field3 = 0;
    if (HWND u = updown(g)) {
        RemovePropA(u, ID_PROPERTY);
        DestroyWindow(u);
    }
    g->field4 = 0;
}

void spin_required_size(GadgetRecord* g, int32_t* width, int32_t* height) {
    SIZE extent = {0, 0};
    if (HDC dc = GetDC(g->handle)) {
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(g->handle, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32A(dc, "Hg", 2, &extent);
        SelectObject(dc, old);
        ReleaseDC(g->handle, dc);
    }
    *width = 2 * GetSystemMetrics(SM_CXEDGE) + 50;
    *height = extent.cy + 2 * GetSystemMetrics(SM_CYEDGE);
    if (*height < 20) *height = 20;
}

LRESULT color_edit(GadgetRecord* g, HDC dc) {
    if (front_color(g) == -1 && back_color(g) == -1) return NOT_HANDLED;
    if (front_color(g) != -1) SetTextColor(dc, static_cast<COLORREF>(front_color(g)));
    if (back_color(g) == -1) {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkColor(dc, static_cast<COLORREF>(back_color(g)));
    return reinterpret_cast<LRESULT>(back_brush(g));
}

LRESULT spin_parent_message(GadgetRecord* g, HWND, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(l);
        if (header->code != static_cast<UINT>(UDN_DELTAPOS)) return NOT_HANDLED;
        const int delta = reinterpret_cast<NMUPDOWN*>(l)->iDelta;
        if (delta > 0) raise_gadget_event(header->hwndFrom, GADGET_TYPE_SPIN_UP);
        else if (delta < 0) raise_gadget_event(header->hwndFrom, GADGET_TYPE_SPIN_DOWN);
        return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        return reinterpret_cast<HWND>(l) == updown(g) ? 0 : NOT_HANDLED;
    case WM_CTLCOLOREDIT:
        return color_edit(g, reinterpret_cast<HDC>(w));
    case WM_CTLCOLORSTATIC: {
        if (!IsWindowEnabled(updown(g))) return NOT_HANDLED;
        HDC dc = reinterpret_cast<HDC>(w);
        if (front_color(g) == -1 && back_color(g) == -1) {
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        }
        return color_edit(g, dc);
    }
    default:
        return NOT_HANDLED;
    }
}

const GadgetKind* spin_kind() {
    static GadgetKind kind;
    if (!kind.kind) {
        kind.kind = GADGET_SPIN;
        kind.size = sizeof kind;
        kind.parent_message = spin_parent_message;
        kind.free = spin_free;
        kind.get_state = spin_get_state;
        kind.set_state = spin_set_state;
        kind.set_text = spin_set_text;
        kind.resize = spin_resize;
        kind.get_width = spin_get_width;
        kind.hide = spin_hide;
        kind.get_attribute = spin_get_attribute;
        kind.set_attribute = spin_set_attribute;
        kind.set_color = spin_set_color;
        kind.get_color = spin_get_color;
        kind.required_size = spin_required_size;
    }
    return &kind;
}

WNDPROC spin_gadget_proc = nullptr;  // the toolkit gadget procedure under the spin's top layer

// Enabling or disabling the edit does the same to its arrows.
LRESULT CALLBACK spin_edit_proc(HWND edit, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_ENABLE) {
        GadgetRecord* g = find_gadget(GetWindowLongPtrA(edit, GWLP_ID));
        if (g && g->handle == edit && updown(g)) EnableWindow(updown(g), static_cast<BOOL>(w));
    }
    return CallWindowProcA(spin_gadget_proc, edit, message, w, l);
}

}  // namespace

int64_t spin_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, int32_t minimum, int32_t maximum,
                    uint32_t flags) {
    const GadgetKind* kind = spin_kind();
    detect_theme();
    if (!gadget_registry()) return 0;
    HWND parent = gadget_list_window();
    const DWORD edit_style = (flags & SPIN_READ_ONLY) ? 0x50010802 : 0x50010002;
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", edit_style, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(-1)), module_instance(), nullptr);
    if (!edit) return 0;
    const bool automatic = id == AUTO_ID;
    GadgetRecord* g = take_gadget_record(&id);
    if (!g) {
        DestroyWindow(edit);
        return 0;
    }
    DWORD updown_style = 0x508000A4;
    if (flags & SPIN_NUMERIC) updown_style |= UDS_SETBUDDYINT;
    HWND arrows = CreateWindowExA(0, UPDOWN_CLASSA, "", updown_style, 0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), module_instance(), nullptr);
    g->field4 = reinterpret_cast<intptr_t>(arrows);
    if (arrows) {
        SetWindowLongPtrA(arrows, GWLP_ID, static_cast<LONG_PTR>(id));  // a 64-bit id does not fit the menu field
        SetPropA(arrows, ID_PROPERTY, reinterpret_cast<HANDLE>(static_cast<intptr_t>(id)));
        SendMessageA(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
        SendMessageA(arrows, UDM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
    }
    g->field1 = -1;
    g->field2 = -1;
    const int64_t result = attach_gadget(g, id, automatic, edit, kind);
    spin_resize(g, x, y, width, height);
    WNDPROC below = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(spin_edit_proc)));
    if (!spin_gadget_proc) spin_gadget_proc = below;
    return result;
}

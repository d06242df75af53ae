// The image gadget (kind 9): a static control that shows a borrowed bitmap or
// icon, blended over the window when the bitmap has alpha, and reports clicks,
// double clicks and the start of a drag.  A gadget the program asks to track
// the pointer reports whole drags and the wheel instead, and can show a
// cursor of its own.
#include "core/memory.h"
#include "image/image.h"
#include "ui/gadget_internal.h"
#include "ui/pointer_steps.h"

namespace {

WNDPROC static_proc = nullptr;  // the STATIC class procedure under every image gadget
int drag_x = 0, drag_y = 0;     // SM_CXDRAG, SM_CYDRAG, read at the first image gadget
bool drag_read = false;
bool right_double_click = false;  // the release after a right double click raises nothing

HGDIOBJ as_object(int64_t v) { return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(v)); }

GadgetRecord* image_record(HWND control) {
    GadgetRecord* g = find_gadget(GetWindowLongPtrA(control, GWLP_ID));
    return g && g->handle == control ? g : nullptr;
}

// What a gadget that tracks the pointer keeps, in its record's `reserved`.
struct PointerState {
    bool tracking;
    bool dragging;
    bool moved;        // the drag has left the drag rectangle
    int32_t cursor;
    POINT press;       // where the drag began, in the gadget's client coordinates
    POINT offset;      // the pointer's last offset from there
    int32_t partial;   // wheel delta short of a whole notch
    int32_t notches;   // whole notches not yet taken by the program
};

PointerState* pointer_state(GadgetRecord* g) { return reinterpret_cast<PointerState*>(g->reserved); }

PointerState* make_pointer_state(GadgetRecord* g) {
    if (!g->reserved) g->reserved = reinterpret_cast<intptr_t>(runtime_alloc(sizeof(PointerState)));
    return pointer_state(g);
}

void* packed_point(LONG x, LONG y) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(x)) |
                                   static_cast<uintptr_t>(static_cast<uint32_t>(y)) << 32);
}

void post_pointer_event(HWND control, int64_t type, POINT p) {
    post_event(EVENT_GADGET, GetWindowLongPtrA(control, GWLP_ID), window_id_of(reinterpret_cast<intptr_t>(control)),
               type, packed_point(p.x, p.y));
}

// Only the newest move of a drag waits in the queue: an older one would
// only be overtaken.
void post_drag_move(HWND control, POINT offset) {
    purge_events(EVENT_GADGET, GetWindowLongPtrA(control, GWLP_ID), -1, GADGET_TYPE_DRAG_MOVE);
    post_pointer_event(control, GADGET_TYPE_DRAG_MOVE, offset);
}

POINT client_point(LPARAM l) { return POINT{static_cast<int16_t>(LOWORD(l)), static_cast<int16_t>(HIWORD(l))}; }

// The pointer messages of a tracking gadget; false for those that take the
// ordinary course.
bool track_pointer(HWND control, PointerState* p, UINT message, WPARAM w, LPARAM l, LRESULT* result) {
    switch (message) {
    case WM_LBUTTONDOWN:
        p->dragging = true;
        p->moved = false;
        p->press = client_point(l);
        p->offset = POINT{0, 0};
        SetCapture(control);
        post_pointer_event(control, GADGET_TYPE_DRAG_BEGIN, p->press);
        return false;  // the static control still reports its click
    case WM_MOUSEMOVE: {
        if (!p->dragging) return false;
        const POINT at = client_point(l);
        const POINT offset{at.x - p->press.x, at.y - p->press.y};
        // A click's jitter is no move: the drag starts past the system's
        // drag rectangle, and follows the pointer from the press on.
        if (!p->moved && !past_drag_limit(offset.x, offset.y, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG))) {
            *result = 0;
            return true;
        }
        p->moved = true;
        p->offset = offset;
        // A newer move already waiting will report for this one.
        MSG newer;
        if (!PeekMessageA(&newer, control, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE | PM_NOYIELD))
            post_drag_move(control, p->offset);
        *result = 0;
        return true;
    }
    case WM_LBUTTONUP: {
        if (!p->dragging) return false;
        const POINT at = client_point(l);
        const POINT offset{at.x - p->press.x, at.y - p->press.y};
        if (p->moved || past_drag_limit(offset.x, offset.y, GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG)))
            p->offset = offset;
        p->dragging = false;  // first: releasing the capture is no loss
        ReleaseCapture();
        purge_events(EVENT_GADGET, GetWindowLongPtrA(control, GWLP_ID), -1, GADGET_TYPE_DRAG_MOVE);
        post_pointer_event(control, GADGET_TYPE_DRAG_END, p->offset);
        *result = 0;
        return true;
    }
    case WM_CAPTURECHANGED:
        if (p->dragging) {
            p->dragging = false;
            post_pointer_event(control, GADGET_TYPE_DRAG_LOST, p->offset);
        }
        return false;
    case WM_MOUSEWHEEL: {
        // Precise wheels and touchpads send parts of a notch: they add up.
        const int32_t whole = wheel_notches(&p->partial, GET_WHEEL_DELTA_WPARAM(w));
        if (whole) {
            p->notches += whole;
            POINT at{static_cast<int16_t>(LOWORD(l)), static_cast<int16_t>(HIWORD(l))};
            ScreenToClient(control, &at);
            post_pointer_event(control, GADGET_TYPE_WHEEL, at);
        }
        *result = 0;
        return true;
    }
    default:
        return false;
    }
}

// Redraws the window's area under the gadget, so that what shows through a
// blended image (or where an image was) is the window's background.
void invalidate_parent_area(GadgetRecord* g) {
    if (GetObjectType(as_object(g->field1)) == OBJ_BITMAP && !g->field2) return;
    HWND control = g->handle;
    HWND window = reinterpret_cast<HWND>(window_handle(window_id_of(reinterpret_cast<intptr_t>(control))));
    if (!window) window = GetParent(control);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(window, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool image_size(int64_t image, int* width, int* height) {
    HGDIOBJ object = as_object(image);
    BITMAP bm;
    if (GetObjectType(object) == OBJ_BITMAP) {
        if (!GetObjectA(object, sizeof bm, &bm)) return false;
    } else {
        ICONINFO info;
        if (!GetIconInfo(reinterpret_cast<HICON>(object), &info)) return false;
        const BOOL got = GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (!got) return false;
        if (!info.hbmColor) bm.bmHeight /= 2;  // a monochrome icon's mask holds both halves
    }
    *width = bm.bmWidth;
    *height = bm.bmHeight;
    return true;
}

LRESULT set_image(GadgetRecord* g, int64_t image) {
    g->field1 = image;
    if (g->field2) free_premultiplied_copy(g->field2);
    g->field2 = 0;
    if (image && bitmap_has_alpha(image)) g->field2 = make_premultiplied_copy(image);
    invalidate_parent_area(g);
    if (image) {
        int width, height;
        if (image_size(image, &width, &height)) {
            const LONG_PTR style = GetWindowLongPtrA(g->handle, GWL_STYLE);
            const LONG_PTR ex_style = GetWindowLongPtrA(g->handle, GWL_EXSTYLE);
            if ((ex_style & WS_EX_CLIENTEDGE) || (style & WS_DLGFRAME)) {
                width += 4;
                height += 4;
            }
            SetWindowPos(g->handle, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        }
        if (!g->field2) {
            InvalidateRect(g->handle, nullptr, FALSE);
            UpdateWindow(g->handle);
        }
    }
    return static_cast<LRESULT>(image);
}

void paint(GadgetRecord* g, HDC dc) {
    if (!g->field1) return;
    if (g->field2) {
        draw_alpha_bitmap(reinterpret_cast<intptr_t>(dc), 0, 0, 0, 0, g->field2, 255);
        return;
    }
    const UINT type = GetObjectType(as_object(g->field1)) == OBJ_BITMAP ? DST_BITMAP : DST_ICON;
    DrawStateA(dc, nullptr, nullptr, static_cast<LPARAM>(g->field1), 0, 0, 0, 0, 0, type);
}

LRESULT CALLBACK image_proc(HWND control, UINT message, WPARAM w, LPARAM l) {
    GadgetRecord* g = image_record(control);
    if (!g) return CallWindowProcA(static_proc, control, message, w, l);
    if (PointerState* p = pointer_state(g)) {
        LRESULT result = 0;
        if (p->tracking && track_pointer(control, p, message, w, l, &result)) return result;
        if (message == WM_SETCURSOR && p->cursor == GADGET_CURSOR_SIZE_ALL && LOWORD(l) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, IDC_SIZEALL));
            return TRUE;
        }
        if (p->tracking && (message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE || message == WM_LBUTTONUP))
            return CallWindowProcA(static_proc, control, message, w, l);
    }
    switch (message) {
    case STM_SETIMAGE:
    case STM_SETICON:
        return set_image(g, static_cast<int64_t>(message == STM_SETICON ? w : l));
    case STM_GETIMAGE:
    case STM_GETICON:
        return static_cast<LRESULT>(g->field1);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(control, &ps);
        paint(g, dc);
        EndPaint(control, &ps);
        return 0;
    }
    case WM_PRINT:
    case WM_PRINTCLIENT:
        paint(g, reinterpret_cast<HDC>(w));
        return 0;
    case WM_ENABLE:
        // A blended image goes over the window's background again, as when
        // it is set, not over its own last frame.
        if (g->field2) invalidate_parent_area(g);
        else RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return 0;
    case WM_MOVE:
        invalidate_parent_area(g);
        break;
    case WM_LBUTTONDOWN:
        g->field3 = 1;
        g->field4 = static_cast<int64_t>(l & 0xFFFFFFFF);
        SetCapture(control);
        break;
    case WM_MOUSEMOVE:
        if (g->field3) {
            const int x = static_cast<int16_t>(LOWORD(l)), y = static_cast<int16_t>(HIWORD(l));
            const int px = static_cast<int16_t>(g->field4 & 0xFFFF), py = static_cast<int16_t>((g->field4 >> 16) & 0xFFFF);
            if (x - px > drag_x || px - x > drag_x || y - py > drag_y || py - y > drag_y) {
                g->field3 = 0;
                ReleaseCapture();
                raise_gadget_event(control, GADGET_TYPE_DRAG_START);
            }
        }
        break;
    case WM_LBUTTONUP:
        if (g->field3) {
            g->field3 = 0;
            ReleaseCapture();
        }
        break;
    case WM_LBUTTONDBLCLK:
        raise_gadget_event(control, 2);
        return 0;
    case WM_RBUTTONUP:
        if (right_double_click) right_double_click = false;
        else raise_gadget_event(control, 1);
        return 0;
    case WM_RBUTTONDBLCLK:
        raise_gadget_event(control, 3);
        right_double_click = true;
        return 0;
    default:
        break;
    }
    return CallWindowProcA(static_proc, control, message, w, l);
}

int64_t image_get_state(GadgetRecord* g) { return SendMessageA(g->handle, STM_GETIMAGE, IMAGE_BITMAP, 0); }

void image_set_state(GadgetRecord* g, int64_t value) {
    SendMessageA(g->handle, STM_SETIMAGE, IMAGE_BITMAP, static_cast<LPARAM>(value));
}

void image_free(GadgetRecord* g) {
    if (g->field2) free_premultiplied_copy(g->field2);
    g->field2 = 0;
    if (PointerState* p = pointer_state(g)) {
        if (p->dragging && GetCapture() == g->handle) {
            p->dragging = false;
            ReleaseCapture();
        }
        runtime_free(p);
    }
    g->reserved = 0;
}

GadgetRecord* image_gadget_record(int64_t gadget) {
    GadgetRecord* g = find_gadget(gadget);
    return g && g->kind == image_kind() ? g : nullptr;
}

void image_required_size(GadgetRecord* g, int32_t* width, int32_t* height) {
    RECT r;
    GetWindowRect(g->handle, &r);
    *width = r.right - r.left;
    *height = r.bottom - r.top;
}

}  // namespace

const GadgetKind* image_kind() {
    static GadgetKind kind;
    if (!kind.kind) {
        kind.kind = GADGET_IMAGE;
        kind.size = sizeof kind;
        kind.free = image_free;
        kind.get_state = image_get_state;
        kind.set_state = image_set_state;
        kind.required_size = image_required_size;
    }
    return &kind;
}

int64_t image_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, int64_t image, uint32_t flags) {
    if (!drag_read) {
        drag_x = GetSystemMetrics(SM_CXDRAG);
        drag_y = GetSystemMetrics(SM_CYDRAG);
        drag_read = true;
    }
    DWORD style = WS_CHILD | WS_VISIBLE | SS_NOTIFY;
    DWORD ex_style = 0;
    if (flags & IMAGE_GADGET_CLIENT_EDGE) ex_style = WS_EX_CLIENTEDGE;
    else if (flags & IMAGE_GADGET_BORDER) style |= WS_DLGFRAME;
    const int64_t result =
        create_gadget(id, image_kind(), ex_style, "STATIC", nullptr, style, x, y, width, height, image_proc, &static_proc);
    if (!result) return 0;
    HWND control = id == AUTO_ID ? reinterpret_cast<HWND>(gadget_handle(result)) : reinterpret_cast<HWND>(result);
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, static_cast<LPARAM>(image));
    return result;
}

void track_image_gadget_pointer(int64_t gadget, bool on) {
    GadgetRecord* g = image_gadget_record(gadget);
    if (!g) return;
    PointerState* p = on ? make_pointer_state(g) : pointer_state(g);
    if (!p) return;
    if (!on) end_image_gadget_drag(gadget);
    p->tracking = on;
}

void set_image_gadget_cursor(int64_t gadget, int32_t cursor) {
    GadgetRecord* g = image_gadget_record(gadget);
    PointerState* p = g ? make_pointer_state(g) : nullptr;
    if (!p || p->cursor == cursor) return;
    p->cursor = cursor;
    // The pointer may rest over the gadget already: show the change now.
    POINT at;
    if (GetCursorPos(&at) && WindowFromPoint(at) == g->handle && GetCapture() == nullptr)
        SendMessageA(g->handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(g->handle), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

int32_t take_image_gadget_wheel(int64_t gadget) {
    GadgetRecord* g = image_gadget_record(gadget);
    PointerState* p = g ? pointer_state(g) : nullptr;
    if (!p) return 0;
    const int32_t notches = p->notches;
    p->notches = 0;
    return notches;
}

void end_image_gadget_drag(int64_t gadget) {
    GadgetRecord* g = image_gadget_record(gadget);
    PointerState* p = g ? pointer_state(g) : nullptr;
    if (!p || !p->dragging) return;
    p->dragging = false;
    purge_events(EVENT_GADGET, GetWindowLongPtrA(g->handle, GWLP_ID), -1, GADGET_TYPE_DRAG_MOVE);
    if (GetCapture() == g->handle) ReleaseCapture();
}

void route_mouse_wheel(MSG* msg) {
    if (msg->message != WM_MOUSEWHEEL) return;
    const POINT at{static_cast<int16_t>(LOWORD(msg->lParam)), static_cast<int16_t>(HIWORD(msg->lParam))};
    HWND under = WindowFromPoint(at);
    if (!under || under == msg->hwnd || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId()) return;
    GadgetRecord* g = image_record(under);
    PointerState* p = g && g->kind == image_kind() ? pointer_state(g) : nullptr;
    if (p && p->tracking) msg->hwnd = under;
}

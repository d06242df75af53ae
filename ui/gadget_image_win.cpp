// The image gadget (kind 9): a static control that shows a borrowed bitmap or
// icon, blended over the window when the bitmap has alpha, and reports clicks,
// double clicks and the start of a drag.
#include "image/image.h"
#include "ui/gadget_internal.h"

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

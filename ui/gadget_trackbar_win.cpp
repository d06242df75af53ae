// The trackbar (kind 17).  A vertical trackbar's state is mirrored so that
// its top end is the maximum.
#include "ui/gadget_internal.h"

namespace {

bool vertical(GadgetRecord* g) { return GetWindowLongPtrA(g->handle, GWL_STYLE) & TBS_VERT; }

int64_t trackbar_get_state(GadgetRecord* g) {
    const LRESULT position = SendMessageA(g->handle, TBM_GETPOS, 0, 0);
    if (!vertical(g)) return position;
    return SendMessageA(g->handle, TBM_GETRANGEMAX, 0, 0) - position + SendMessageA(g->handle, TBM_GETRANGEMIN, 0, 0);
}

void trackbar_set_state(GadgetRecord* g, int64_t value) {
    if (vertical(g)) {
        const int64_t max = SendMessageA(g->handle, TBM_GETRANGEMAX, 0, 0);
        const int64_t min = SendMessageA(g->handle, TBM_GETRANGEMIN, 0, 0);
        value = max - value + min;
    }
    SendMessageA(g->handle, TBM_SETPOS, TRUE, static_cast<LPARAM>(value));
}

int64_t trackbar_get_attribute(GadgetRecord* g, int32_t which) {
    if (which == GADGET_MINIMUM) return SendMessageA(g->handle, TBM_GETRANGEMIN, 0, 0);
    if (which == GADGET_MAXIMUM) return SendMessageA(g->handle, TBM_GETRANGEMAX, 0, 0);
    return 0;
}

void trackbar_set_attribute(GadgetRecord* g, int32_t which, int64_t value) {
    if (which != GADGET_MINIMUM && which != GADGET_MAXIMUM) return;
    const int64_t state = trackbar_get_state(g);
    SendMessageA(g->handle, which == GADGET_MINIMUM ? TBM_SETRANGEMIN : TBM_SETRANGEMAX, TRUE,
                 static_cast<LPARAM>(value));
    trackbar_set_state(g, state);
}

LRESULT trackbar_parent_message(GadgetRecord* g, HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_HSCROLL || message == WM_VSCROLL) raise_gadget_event(g->handle, 0);
    return NOT_HANDLED;
}

const GadgetKind* trackbar_kind() {
    static GadgetKind kind;
    if (!kind.kind) {
        kind.kind = GADGET_TRACKBAR;
        kind.size = sizeof kind;
        kind.parent_message = trackbar_parent_message;
        kind.get_state = trackbar_get_state;
        kind.set_state = trackbar_set_state;
        kind.get_attribute = trackbar_get_attribute;
        kind.set_attribute = trackbar_set_attribute;
    }
    return &kind;
}

}  // namespace

int64_t trackbar_gadget(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, int32_t minimum,
                        int32_t maximum, uint32_t flags) {
    if (!gadget_registry()) return 0;
    HWND control = CreateWindowExA(0, TRACKBAR_CLASSA, "", flags | 0x50010000, x, y, width, height,
                                   gadget_list_window(), nullptr, module_instance(), nullptr);
    if (!control) return 0;
    if (minimum < 0) minimum = 0;
    if (maximum < 0) maximum = 0;
    const bool automatic = id == AUTO_ID;
    GadgetRecord* g = take_gadget_record(&id);
    if (!g) {
        DestroyWindow(control);
        return 0;
    }
    const int64_t result = attach_gadget(g, id, automatic, control, trackbar_kind());
    SendMessageA(control, TBM_SETRANGEMIN, FALSE, minimum);
    SendMessageA(control, TBM_SETRANGEMAX, FALSE, maximum);
    trackbar_set_state(g, 0);
    return result;
}

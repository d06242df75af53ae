// Gadget machinery: the registry, creation with subclassing, the gadget
// procedure and its clean-up, parent-message dispatch, the uniform operations.
#include <cstring>

#include "core/memory.h"
#include "ui/brush_cache.h"
#include "ui/gadget_internal.h"
#include "ui/gadget_list.h"

namespace {

constexpr const char* ID_PROPERTY = "Qz_ID";

struct GadgetLibrary {
    ObjectRegistry* registry;
    HFONT font;
    BrushCache brushes;
};

GadgetLibrary* library = nullptr;
CRITICAL_SECTION brush_lock;
bool lock_ready = false;

void free_gadget_callback(int64_t id) { free_gadget(id); }

int64_t make_brush(int32_t color) { return reinterpret_cast<intptr_t>(CreateSolidBrush(static_cast<COLORREF>(color))); }
void delete_brush(int64_t brush) { DeleteObject(reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(brush))); }

GadgetLibrary* gadget_library() {
    if (!library) init_gadget_library();
    return library;
}

LRESULT CALLBACK gadget_proc(HWND control, UINT message, WPARAM w, LPARAM l) {
    const int64_t id = GetWindowLongPtrA(control, GWLP_ID);
    if (id == -1) return DefWindowProcA(control, message, w, l);
    GadgetRecord* g = find_gadget(id);
    if (!g || g->handle != control) return DefWindowProcA(control, message, w, l);
    const WNDPROC previous = g->previous_proc;
    LRESULT result = CallWindowProcA(previous, control, message, w, l);
    if (message == WM_NCDESTROY) {
        // The record may have been looked up again meanwhile; take it afresh.
        g = find_gadget(id);
        if (g && g->handle == control) {
            if (g->kind && g->kind->free) g->kind->free(g);
            RemovePropA(control, ID_PROPERTY);
            SetWindowLongPtrA(control, GWLP_ID, -1);
            purge_gadget_events(id);
            release_object(library->registry, id);
        }
    }
    return result;
}

GadgetRecord* record_of_control(HWND control) {
    if (!control || !library) return nullptr;
    const int64_t id = GetWindowLongPtrA(control, GWLP_ID);
    if (reinterpret_cast<intptr_t>(GetPropA(control, ID_PROPERTY)) != id) return nullptr;
    GadgetRecord* g = find_gadget(id);
    // The control must be the gadget's own (its main control or the spin's
    // up-down), not some other control that happens to share the number.
    if (!g || (g->handle != control && g->field4 != reinterpret_cast<intptr_t>(control))) return nullptr;
    return g;
}

}  // namespace

void init_gadget_library() {
    if (library) return;
    if (!lock_ready) {
        InitializeCriticalSection(&brush_lock);
        lock_ready = true;
    }
    library = static_cast<GadgetLibrary*>(make_state_block(sizeof(GadgetLibrary), nullptr));
    if (!library) return;
    library->font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    library->registry = new_registry(sizeof(GadgetRecord), 50, free_gadget_callback);
    library->brushes.make = make_brush;
    library->brushes.remove = delete_brush;
    INITCOMMONCONTROLSEX icc = {sizeof icc, 0xB48};
    InitCommonControlsEx(&icc);
}

void end_gadget_library() {
    end_tooltips();
}

ObjectRegistry* gadget_registry() { return gadget_library() ? library->registry : nullptr; }

GadgetRecord* find_gadget(int64_t id) { return static_cast<GadgetRecord*>(find_object(gadget_registry(), id)); }

HWND gadget_list_window() { return reinterpret_cast<HWND>(current_gadget_list()); }

HFONT gadget_font() { return gadget_library() ? library->font : nullptr; }

void set_gadget_font(int64_t font) {
    if (!gadget_library()) return;
    library->font = font ? reinterpret_cast<HFONT>(static_cast<intptr_t>(font))
                         : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

GadgetRecord* take_gadget_record(int64_t* id) {
    auto* g = static_cast<GadgetRecord*>(take_object(gadget_registry(), *id));
    if (g && *id == AUTO_ID) *id = record_handle(g);
    return g;
}

int64_t attach_gadget(GadgetRecord* g, int64_t id, bool automatic, HWND control, const GadgetKind* kind) {
    g->handle = control;
    g->kind = kind;
    g->previous_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gadget_proc)));
    SetWindowLongPtrA(control, GWLP_ID, static_cast<LONG_PTR>(id));
    SetPropA(control, ID_PROPERTY, reinterpret_cast<HANDLE>(static_cast<intptr_t>(id)));
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(gadget_font()), TRUE);
    return automatic ? id : reinterpret_cast<intptr_t>(control);
}

int64_t create_gadget(int64_t id, const GadgetKind* kind, DWORD ex_style, const char* class_name, const char* text,
                      DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, WNDPROC replace_proc,
                      WNDPROC* replaced) {
    if (!gadget_library()) return 0;
    HWND control = CreateWindowExA(ex_style, class_name, text ? text : "", style, x, y, width, height,
                                   gadget_list_window(), reinterpret_cast<HMENU>(static_cast<intptr_t>(-1)),
                                   module_instance(), nullptr);
    if (!control) return 0;
    if (replace_proc) {
        auto old = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replace_proc)));
        if (replaced && !*replaced) *replaced = old;
    }
    const bool automatic = id == AUTO_ID;
    GadgetRecord* g = take_gadget_record(&id);
    if (!g) {
        DestroyWindow(control);
        return 0;
    }
    return attach_gadget(g, id, automatic, control, kind);
}

void raise_gadget_event(HWND control, int64_t type) {
    post_event(EVENT_GADGET, GetWindowLongPtrA(control, GWLP_ID), window_id_of(reinterpret_cast<intptr_t>(control)),
               type);
}

LRESULT gadget_parent_message(HWND control, HWND parent, UINT message, WPARAM w, LPARAM l) {
    GadgetRecord* g = record_of_control(control);
    if (!g || !g->kind || !g->kind->parent_message) return NOT_HANDLED;
    return g->kind->parent_message(g, parent, message, w, l);
}

HBRUSH take_color_brush(int32_t color) {
    if (!gadget_library()) return nullptr;
    EnterCriticalSection(&brush_lock);
    const int64_t brush = take_brush(&library->brushes, color);
    LeaveCriticalSection(&brush_lock);
    return reinterpret_cast<HBRUSH>(static_cast<intptr_t>(brush));
}

void release_color_brush(HBRUSH brush) {
    if (!library || !brush) return;
    EnterCriticalSection(&brush_lock);
    release_brush(&library->brushes, reinterpret_cast<intptr_t>(brush));
    LeaveCriticalSection(&brush_lock);
}

int32_t color_brush_count() {
    if (!library) return 0;
    EnterCriticalSection(&brush_lock);
    const int32_t n = cached_brush_count(&library->brushes);
    LeaveCriticalSection(&brush_lock);
    return n;
}

RECT rect_in_parent(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void generic_resize(GadgetRecord* g, int32_t x, int32_t y, int32_t width, int32_t height) {
    const GadgetKind* k = g->kind;
    if (x == IGNORE_ARG || y == IGNORE_ARG || width == IGNORE_ARG || height == IGNORE_ARG) {
        const RECT r = rect_in_parent(g->handle);
        if (x == IGNORE_ARG) x = k && k->get_x ? k->get_x(g) : r.left;
        if (y == IGNORE_ARG) y = k && k->get_y ? k->get_y(g) : r.top;
        if (width == IGNORE_ARG) width = k && k->get_width ? k->get_width(g) : r.right - r.left;
        if (height == IGNORE_ARG) height = k && k->get_height ? k->get_height(g) : r.bottom - r.top;
    }
    MoveWindow(g->handle, x, y, width, height, TRUE);
    if (k && k->kind == GADGET_BUTTON)
        RedrawWindow(g->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}

// Uniform operations.

void set_gadget_state(int64_t gadget, int64_t value) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g || !g->kind || !g->kind->set_state) return;
    // Every kind but the image takes a 32-bit value, widened with its sign.
    if (g->kind->kind != GADGET_IMAGE) value = static_cast<int32_t>(value);
    suspend_events();
    g->kind->set_state(g, value);
    resume_events();
}

int64_t get_gadget_state(int64_t gadget) {
    GadgetRecord* g = find_gadget(gadget);
    return g && g->kind && g->kind->get_state ? g->kind->get_state(g) : 0;
}

void set_gadget_text(int64_t gadget, const char* text) {
    if (!text) text = "";
    GadgetRecord* g = find_gadget(gadget);
    if (!g) return;
    suspend_events();
    if (g->kind && g->kind->set_text) g->kind->set_text(g, text);
    else SetWindowTextA(g->handle, text);
    resume_events();
}

std::string get_gadget_text(int64_t gadget) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g) return {};
    if (g->kind && g->kind->get_text) return g->kind->get_text(g);
    const int length = GetWindowTextLengthA(g->handle);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(g->handle, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void resize_gadget(int64_t gadget, int32_t x, int32_t y, int32_t width, int32_t height) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g) return;
    if (g->kind && g->kind->resize) g->kind->resize(g, x, y, width, height);
    else generic_resize(g, x, y, width, height);
}

void free_gadget(int64_t gadget) {
    if (!library) return;
    if (gadget == -1) {
        free_all_objects(library->registry);
        return;
    }
    GadgetRecord* g = find_gadget(gadget);
    if (!g) return;
    HWND control = g->handle;
    DestroyWindow(control);
    // A control that was not destroyed (another thread's, say) must not keep
    // a record that names it.
    if (find_gadget(gadget) && !IsWindow(control)) release_object(library->registry, gadget);
}

void hide_gadget(int64_t gadget, int32_t hide) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g) return;
    if (g->kind && g->kind->hide) g->kind->hide(g, hide);
    else ShowWindow(g->handle, hide ? SW_HIDE : SW_SHOW);
}

int64_t get_gadget_attribute(int64_t gadget, int32_t which) {
    GadgetRecord* g = find_gadget(gadget);
    return g && g->kind && g->kind->get_attribute ? g->kind->get_attribute(g, which) : 0;
}

void set_gadget_attribute(int64_t gadget, int32_t which, int64_t value) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g || !g->kind || !g->kind->set_attribute) return;
    suspend_events();
    g->kind->set_attribute(g, which, value);
    resume_events();
}

void set_gadget_color(int64_t gadget, int32_t which, int64_t color) {
    GadgetRecord* g = find_gadget(gadget);
    if (g && g->kind && g->kind->set_color) g->kind->set_color(g, which, color);
}

int64_t get_gadget_color(int64_t gadget, int32_t which) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g) return 0;
    return g->kind && g->kind->get_color ? g->kind->get_color(g, which) : -1;
}

bool gadget_required_size(int64_t gadget, int32_t* width, int32_t* height) {
    GadgetRecord* g = find_gadget(gadget);
    if (!g || !g->kind || !g->kind->required_size) return false;
    int32_t w = 0, h = 0;
    g->kind->required_size(g, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
    return true;
}

int64_t gadget_handle(int64_t gadget) {
    GadgetRecord* g = find_gadget(gadget);
    return g ? reinterpret_cast<intptr_t>(g->handle) : 0;
}

int32_t gadget_kind(int64_t gadget) {
    GadgetRecord* g = find_gadget(gadget);
    return g && g->kind ? g->kind->kind : 0;
}

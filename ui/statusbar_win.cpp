// Status bars over the platform's status window: creation, the two
// subclasses that keep the layout and clean up, texts and freeing.
#include <windows.h>
#include <commctrl.h>

#include "core/memory.h"
#include "ui/statusbar.h"
#include "ui/theme.h"

namespace {

struct StatusBarRecord {
    HWND handle;  // 0: the record is free
    StatusField* fields;
    int32_t count;
    int32_t capacity;
    int32_t cached_width, cached_height;  // the parent's client size at the last layout
};

struct StatusBarState {
    ObjectRegistry* registry;
    int64_t current;  // the status bar made last
    int32_t has_current;
};

StatusBarState* state = nullptr;

constexpr const char* ID_PROPERTY = "qz_statusbar_id";
constexpr const char* CALLBACK_PROPERTY = "qz_statusbar_callback";
constexpr UINT STATUS_CONTROL_ID = 0xE404040F;
constexpr int32_t MIN_HEIGHT = 18;

StatusBarRecord* find_status_bar(int64_t id) {
    return state ? static_cast<StatusBarRecord*>(find_object(state->registry, id)) : nullptr;
}

// The status bar a parent's "qz_statusbar_id" names, or null.
StatusBarRecord* parent_status_bar(HWND parent, int64_t* id) {
    HANDLE value = GetPropA(parent, ID_PROPERTY);
    if (!value) return nullptr;
    *id = reinterpret_cast<intptr_t>(value) - 1;
    return find_status_bar(*id);
}

// The record of a status window, by its parent's property first; failing
// that (a parent with a newer status bar) by looking through the registry.
StatusBarRecord* status_bar_of_window(HWND window, int64_t* id) {
    if (!state) return nullptr;
    if (HWND parent = GetParent(window)) {
        StatusBarRecord* record = parent_status_bar(parent, id);
        if (record && record->handle == window) return record;
    }
    ObjectRegistry* registry = state->registry;
    for (int64_t slot = 0; slot < registry->capacity; ++slot) {
        auto* record = static_cast<StatusBarRecord*>(registry->table[slot]);
        if (record && record->handle == window) {
            *id = slot;
            return record;
        }
    }
    for (RegistryNode* node = registry->automatic; node; node = node->next) {
        auto* record = reinterpret_cast<StatusBarRecord*>(node->record);
        if (record->handle == window) {
            *id = record_handle(node->record);
            return record;
        }
    }
    return nullptr;
}

void lay_out(StatusBarRecord* record) {
    RECT r;
    GetClientRect(record->handle, &r);
    int32_t usable_right = r.right;
    HWND parent = GetParent(record->handle);
    // The size grip takes the bottom-right corner of a sizeable window.
    if (parent && !IsZoomed(parent) && (GetWindowLongA(parent, GWL_STYLE) & WS_THICKFRAME))
        usable_right = r.right - r.bottom + 3;
    int32_t edges[STATUS_BAR_MAX_FIELDS];
    status_field_edges(record->fields, record->count, r.left, usable_right, edges);
    SendMessageA(record->handle, SB_SETPARTS, static_cast<WPARAM>(record->count), reinterpret_cast<LPARAM>(edges));
}

void parent_sized(HWND parent) {
    int64_t id;
    StatusBarRecord* record = parent_status_bar(parent, &id);
    if (!record) return;
    RECT client;
    GetClientRect(GetParent(record->handle), &client);
    if (client.right == record->cached_width && client.bottom == record->cached_height) return;
    SendMessageA(record->handle, WM_SIZE, 0, 0);  // the status window docks itself
    lay_out(record);
    InvalidateRect(record->handle, nullptr, FALSE);
    record->cached_width = client.right;
    record->cached_height = client.bottom;
}

LRESULT pass_on(HANDLE previous, HWND window, UINT message, WPARAM w, LPARAM l) {
    if (!previous) return DefWindowProcA(window, message, w, l);
    return CallWindowProcA(reinterpret_cast<WNDPROC>(previous), window, message, w, l);
}

// The outermost subclass of the parent window.
LRESULT CALLBACK parent_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    HANDLE previous = GetPropA(window, CALLBACK_PROPERTY);
    if (message == WM_SIZE && (w == SIZE_RESTORED || w == SIZE_MAXIMIZED)) parent_sized(window);
    else if (message == WM_NCDESTROY) RemovePropA(window, CALLBACK_PROPERTY);
    return pass_on(previous, window, message, w, l);
}

void forget_status_bar(HWND window) {
    int64_t id;
    StatusBarRecord* record = status_bar_of_window(window, &id);
    if (!record) return;
    RemovePropA(window, CALLBACK_PROPERTY);
    if (HWND parent = GetParent(window)) {
        int64_t named;
        if (parent_status_bar(parent, &named) == record) RemovePropA(parent, ID_PROPERTY);
    }
    runtime_free(record->fields);
    release_object(state->registry, id);
}

// The subclass of the status window.
LRESULT CALLBACK status_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    HANDLE previous = GetPropA(window, CALLBACK_PROPERTY);
    if (message == WM_NCDESTROY) forget_status_bar(window);
    return pass_on(previous, window, message, w, l);
}

void subclass(HWND window, WNDPROC procedure) {
    HANDLE previous = reinterpret_cast<HANDLE>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    SetPropA(window, CALLBACK_PROPERTY, previous);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

}  // namespace

void init_status_bars() {
    if (state) return;
    auto* block = static_cast<StatusBarState*>(make_state_block(sizeof(StatusBarState), nullptr));
    if (!block) return;
    block->registry = new_registry(sizeof(StatusBarRecord), 16, free_status_bar);
    if (!block->registry) {
        runtime_free(block);
        return;
    }
    state = block;
}

ObjectRegistry* status_bar_registry() { return state ? state->registry : nullptr; }

int64_t create_status_bar(int64_t id, int64_t parent_value) {
    detect_theme();
    init_status_bars();
    if (!state) return 0;
    HWND parent = reinterpret_cast<HWND>(static_cast<intptr_t>(parent_value));

    auto* record = static_cast<StatusBarRecord*>(take_object(state->registry, id));
    if (!record) return 0;
    if (id == AUTO_ID) id = record_handle(record);

    auto* fields = static_cast<StatusField*>(runtime_alloc(STATUS_FIELDS_FIRST * sizeof(StatusField)));
    if (!fields) {
        release_object(state->registry, id);
        return 0;
    }
    HWND window = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, nullptr, parent, STATUS_CONTROL_ID);
    if (!window) {
        runtime_free(fields);
        release_object(state->registry, id);
        return 0;
    }
    record->handle = window;
    record->fields = fields;
    record->count = 0;
    record->capacity = STATUS_FIELDS_FIRST;
    record->cached_width = record->cached_height = 0;

    if (!GetPropA(parent, CALLBACK_PROPERTY)) subclass(parent, parent_procedure);
    SetPropA(parent, ID_PROPERTY, reinterpret_cast<HANDLE>(static_cast<intptr_t>(id + 1)));
    subclass(window, status_procedure);

    SendMessageA(window, SB_SETMINHEIGHT, MIN_HEIGHT, 0);
    SendMessageA(window, WM_SIZE, 0, 0);
    state->current = id;
    state->has_current = 1;

    // The parent learns of the new bar as of a resize; a toolkit window
    // queues a sized event for it.
    RECT client;
    GetClientRect(parent, &client);
    SendMessageA(parent, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));

    StatusBarRecord* made = find_status_bar(id);  // the parent may have freed it meanwhile
    if (!made) return 0;
    return record_handle(made) == id ? id : reinterpret_cast<intptr_t>(made->handle);
}

void add_status_bar_field(int32_t width) {
    if (!state || !state->has_current) return;
    StatusBarRecord* record = find_status_bar(state->current);
    if (!record) return;
    if (!append_status_field(&record->fields, &record->count, &record->capacity, width)) return;
    lay_out(record);
}

void status_bar_text(int64_t id, int32_t field, const char* text, int32_t flags) {
    StatusBarRecord* record = find_status_bar(id);
    if (!record || field < 0 || field >= record->count || field == STATUS_SIMPLE_PART) return;
    record->fields[field].kind = STATUS_FIELD_TEXT;
    record->fields[field].flags = flags;

    uint32_t style = status_text_style(flags);
    char* form = status_text_form(text, flags, themed_flag());
    const char* sent = form ? form : (text ? text : "");
    SendMessageA(record->handle, SB_SETTEXTA, static_cast<WPARAM>(field) | style, reinterpret_cast<LPARAM>(sent));
    runtime_free(form);

    if (style == SBT_NOBORDERS) {
        // Without a border the old frame would stay on screen.
        RECT r;
        if (SendMessageA(record->handle, SB_GETRECT, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(&r)))
            InvalidateRect(record->handle, &r, TRUE);
    }
}

void set_status_bar_field_width(int64_t id, int32_t field, int32_t width) {
    StatusBarRecord* record = find_status_bar(id);
    if (!record || field < 0 || field >= record->count) return;
    record->fields[field].width = width;
    lay_out(record);
}

void free_status_bar(int64_t id) {
    if (!state) return;
    if (id == -1) {
        free_all_objects(state->registry);
        return;
    }
    StatusBarRecord* record = find_status_bar(id);
    if (!record) return;
    HWND window = record->handle;
    // The status window's WM_NCDESTROY releases the record.
    if (IsWindow(window)) DestroyWindow(window);
    record = find_status_bar(id);
    if (record && record->handle == window) {
        // The window was gone already or could not be destroyed from here.
        runtime_free(record->fields);
        release_object(state->registry, id);
    }
}

// Top-level toolkit windows: opening and closing, the class procedure that
// turns window messages into toolkit events, and wait_window_event.
#include <objbase.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cinttypes>
#include <cstdio>

#include "core/memory.h"
#include "ui/window_internal.h"

namespace {

struct WindowLibrary {
    ObjectRegistry* registry;
    HICON icon;
    HCURSOR cursor;
};

WindowLibrary* library = nullptr;

void close_window_callback(int64_t id) { close_window(id); }

WindowLibrary* window_library() {
    if (!library) init_window_library();
    return library;
}

void class_name(char* out, size_t size, int64_t id) { std::snprintf(out, size, "WindowClass_%" PRId64, id); }

void post_for(int64_t id, int32_t code, int64_t object, int64_t type = 0) {
    // Messages that arrive while a window is being made or destroyed carry no
    // id; an event naming no window would mean nothing to the program.
    if (id != -1) post_event(code, object, id, type);
}

LRESULT on_size(HWND window, WindowRecord* record, int64_t id, WPARAM w) {
    if (!GetPropA(window, WINDOW_ID_PROPERTY)) return 1;
    int32_t dummy = 0;
    int32_t& sized = record ? record->sized_state : dummy;
    switch (w) {
    case SIZE_MINIMIZED:
        sized = 1;
        post_for(id, EVENT_WINDOW_MINIMIZED, 0);
        break;
    case SIZE_MAXIMIZED:
        sized = 1;
        post_for(id, EVENT_WINDOW_MAXIMIZED, 0);
        post_for(id, EVENT_WINDOW_SIZED, 0);
        break;
    case SIZE_RESTORED:
        if (sized == 1) {
            sized = 0;
            post_for(id, EVENT_WINDOW_RESTORED, 0);
        }
        post_for(id, EVENT_WINDOW_SIZED, 0);
        break;
    default:
        post_for(id, EVENT_WINDOW_SIZED, 0);
        break;
    }
    return 0;
}

LRESULT on_activate(HWND window, int64_t id, WPARAM w) {
    if (LOWORD(w) != 0) {
        if (HWND focus = static_cast<HWND>(GetPropA(window, FOCUS_PROPERTY))) SetFocus(focus);
        post_for(id, EVENT_WINDOW_ACTIVATED, 0);
    } else {
        SetPropA(window, FOCUS_PROPERTY, GetFocus());
        hide_keyboard_cues(window);
        post_for(id, EVENT_WINDOW_DEACTIVATED, 0);
    }
    return 1;
}

LRESULT on_command(HWND window, int64_t id, WPARAM w, LPARAM l) {
    HWND control = reinterpret_cast<HWND>(l);
    if (control && gadget_parent_message(control, window, WM_COMMAND, w, l) != NOT_HANDLED) return 0;
    if (control) {
        const int64_t control_id = GetWindowLongPtrA(control, GWLP_ID);
        if (control_id != MENU_CONTROL_ID) post_for(id, EVENT_GADGET, control_id, HIWORD(w));
        else post_for(id, EVENT_MENU, LOWORD(w));
    } else if (HIWORD(w) == 0) {
        post_for(id, EVENT_MENU, static_cast<int64_t>(w));
    } else if (LOWORD(w) == COMMAND_FOCUS_NEXT) {
        move_focus(0);
    } else if (LOWORD(w) == COMMAND_FOCUS_PREVIOUS) {
        move_focus(1);
    } else {
        post_for(id, EVENT_MENU, LOWORD(w), HIWORD(w) == 1 ? EVENT_TYPE_SHORTCUT : 0);
    }
    return 0;
}

void release_runtime_block(void* block) { runtime_free(block); }

LRESULT on_drop_files(int64_t id, HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    char* name = count ? first_dropped_file(reinterpret_cast<intptr_t>(drop)) : nullptr;
    DragFinish(drop);
    if (name && id != -1) post_event(EVENT_DROP_FILES, count, id, 0, name, release_runtime_block);
    else if (name) runtime_free(name);
    return 0;
}

BOOL CALLBACK send_syscolorchange(HWND child, LPARAM) {
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

LRESULT handle_message(HWND window, UINT message, WPARAM w, LPARAM l) {
    LRESULT hooked = sizing_hook(window, message, w, l);
    if (hooked != NOT_HANDLED) return hooked;

    const int64_t id = window_id_of(reinterpret_cast<intptr_t>(window));
    WindowRecord* record = id == -1 ? nullptr : find_window_record(id);

    switch (message) {
    case WM_MOVE:
    case WM_CLOSE:
        if (record && record->handle == window) post_for(id, static_cast<int32_t>(message), id);
        return 0;
    case WM_SIZE:
        return on_size(window, record, id, w);
    case WM_ACTIVATE:
        return on_activate(window, id, w);
    case WM_ERASEBKGND: {
        LRESULT result = NOT_HANDLED;
        if (record && record->background_brush) {
            RECT client;
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(w), &client, record->background_brush);
            result = 1;
        }
        post_for(id, EVENT_REPAINT, 0);
        return result;
    }
    case WM_SYSCOLORCHANGE:
        if (record) EnumChildWindows(window, send_syscolorchange, 0);
        return NOT_HANDLED;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(l);
        if (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) limits->ptMinTrackSize.x = 1;
        if (record && record->handle == window && record->min_width > 0) {
            limits->ptMinTrackSize.x = record->min_width;
            limits->ptMinTrackSize.y = record->min_height;
        }
        return record ? 0 : NOT_HANDLED;
    }
    case WM_DPICHANGED: {
        if (!record || record->handle != window) return NOT_HANDLED;
        post_for(id, EVENT_WINDOW_DPI_CHANGED, 0, HIWORD(w));
        const RECT* r = reinterpret_cast<const RECT*>(l);
        SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(l);
        return header ? gadget_parent_message(header->hwndFrom, window, message, w, l) : NOT_HANDLED;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case 13120:
        return gadget_parent_message(reinterpret_cast<HWND>(l), window, message, w, l);
    case WM_COMMAND:
        return on_command(window, id, w, l);
    case WM_TIMER:
        if (!record) return NOT_HANDLED;
        post_for(id, EVENT_TIMER, static_cast<int64_t>(w));
        return 0;
    case WM_DROPFILES:
        return on_drop_files(id, reinterpret_cast<HDROP>(w));
    case WM_LBUTTONUP:
        post_for(id, EVENT_LEFT_CLICK, 0);
        return 0;
    case WM_LBUTTONDBLCLK:
        post_for(id, EVENT_LEFT_DOUBLE_CLICK, 0);
        return 0;
    case WM_RBUTTONUP:
        post_for(id, EVENT_RIGHT_CLICK, 0);
        return 0;
    case MESSAGE_TRAY: {
        int64_t type = -1;
        switch (l) {
        case WM_LBUTTONDOWN: type = 0; break;
        case WM_RBUTTONDOWN: type = 1; break;
        case WM_LBUTTONDBLCLK: type = 2; break;
        case WM_RBUTTONDBLCLK: type = 3; break;
        default: break;
        }
        if (type != -1) post_for(id, EVENT_TRAY, static_cast<int64_t>(w), type);
        PostMessageA(window, WM_NULL, 0, 0);
        return 0;
    }
    case WM_NCDESTROY:
        RemovePropA(window, FOCUS_PROPERTY);
        return 1;
    default:
        return NOT_HANDLED;
    }
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    LRESULT result = handle_message(window, message, w, l);
    SetLastError(0);
    if (result == NOT_HANDLED) return DefWindowProcA(window, message, w, l);
    return result;
}

void center_window(HWND window, uint32_t flags, HWND parent) {
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    int x, y;
    if (flags & WINDOW_CENTER_SCREEN) {
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        x = (sw - (w < sw ? w : sw)) / 2;
        y = (sh - (h < sh ? h : sh)) / 2;
    } else {
        HWND reference = parent ? parent : GetActiveWindow();
        if (!reference) return;  // nothing to centre on: keep the given position
        RECT ref;
        GetWindowRect(reference, &ref);
        x = ref.left + ((ref.right - ref.left) - w) / 2;
        y = ref.top + ((ref.bottom - ref.top) - h) / 2;
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Whether a window belongs to this process and is one of the toolkit's.
WindowRecord* toolkit_record(HWND window) {
    if (!window) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    auto value = reinterpret_cast<intptr_t>(GetPropA(window, WINDOW_ID_PROPERTY));
    if (value == 0) return nullptr;
    WindowRecord* record = find_window_record(value - 1);
    return record && record->handle == window ? record : nullptr;
}

}  // namespace

ObjectRegistry* window_registry() { return window_library() ? library->registry : nullptr; }

WindowRecord* find_window_record(int64_t id) {
    return static_cast<WindowRecord*>(find_object(window_registry(), id));
}

HINSTANCE module_instance() { return GetModuleHandleA(nullptr); }

void init_window_library() {
    if (library) return;
    library = static_cast<WindowLibrary*>(make_state_block(sizeof(WindowLibrary), nullptr));
    if (!library) return;
    library->registry = new_registry(sizeof(WindowRecord), 16, close_window_callback);
    init_sizing_state();
    library->icon = LoadIconA(module_instance(), MAKEINTRESOURCEA(1));
    library->cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
}

void end_window_library() {
    if (!library) return;
    close_window(-1);
    end_sizing_state();
    // The registry's records and table live on the runtime heap, which is
    // destroyed at exit; the library block goes now so that a later start-up
    // begins afresh.
    runtime_free(library);
    library = nullptr;
}

void init_common_controls() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, 0xB48};
    InitCommonControlsEx(&icc);
    CoInitialize(nullptr);
}

int64_t window_id_of(int64_t hwnd) {
    for (HWND w = reinterpret_cast<HWND>(hwnd); w; w = GetParent(w)) {
        auto value = reinterpret_cast<intptr_t>(GetPropA(w, WINDOW_ID_PROPERTY));
        if (value != 0) return value - 1;
    }
    return -1;
}

int64_t open_window(int64_t id, int32_t x, int32_t y, int32_t width, int32_t height, const char* title,
                    uint32_t flags, int64_t parent) {
    WindowLibrary* lib = window_library();
    if (!lib) return 0;
    auto* record = static_cast<WindowRecord*>(take_object(lib->registry, id));
    if (!record) return 0;
    if (id == AUTO_ID) id = record_handle(record);

    char name[64];
    class_name(name, sizeof name, id);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = module_instance();
    wc.hIcon = lib->icon;
    wc.hCursor = lib->cursor;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);

    const bool hidden = flags & WINDOW_HIDDEN;
    const bool own_list = !(flags & WINDOW_NO_GADGET_LIST);
    flags &= ~WINDOW_NO_GADGET_LIST;
    if ((flags & ~(WINDOW_CENTER_SCREEN | WINDOW_CENTER_PARENT | WINDOW_HIDDEN)) == 0) flags |= WS_CAPTION;
    DWORD style = flags & ~(WINDOW_CENTER_SCREEN | WINDOW_CENTER_PARENT | WINDOW_TOOL | WINDOW_HIDDEN);
    DWORD ex_style = 0;
    if (flags & WINDOW_TOOL) {
        ex_style |= WS_EX_TOOLWINDOW;
        style &= ~(WS_MINIMIZE | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
        style |= WS_CAPTION;
    }
    int show = SW_SHOW;
    if (style & WS_MAXIMIZE) show = SW_SHOWMAXIMIZED;
    else if (style & WS_MINIMIZE) show = SW_SHOWMINIMIZED;

    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, ex_style);

    const bool centred = flags & (WINDOW_CENTER_SCREEN | WINDOW_CENTER_PARENT);
    int px = x, py = y;
    if (x == IGNORE_ARG || (y == IGNORE_ARG && !centred)) px = py = CW_USEDEFAULT;

    HWND parent_window = reinterpret_cast<HWND>(parent);
    HWND window = CreateWindowExA(ex_style, name, title ? title : "", style, px, py, outer.right - outer.left,
                                  outer.bottom - outer.top, parent_window, nullptr, module_instance(), nullptr);
    if (!window) {
        UnregisterClassA(name, module_instance());
        release_object(lib->registry, id);
        return 0;
    }
    record->handle = window;
    SetPropA(window, WINDOW_ID_PROPERTY, reinterpret_cast<HANDLE>(static_cast<intptr_t>(id + 1)));

    if (centred) center_window(window, flags, parent_window);
    if (!hidden) ShowWindow(window, show);

    record->accelerator_count = 2;
    record->sized_state = (style & (WS_MINIMIZE | WS_MAXIMIZE)) ? 1 : 0;
    record->accelerator_entries = static_cast<ACCEL*>(runtime_alloc(2 * sizeof(ACCEL)));
    if (ACCEL* a = record->accelerator_entries) {
        a[0] = {FVIRTKEY | FNOINVERT, VK_TAB, COMMAND_FOCUS_NEXT};
        a[1] = {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, COMMAND_FOCUS_PREVIOUS};
        record->accelerator_table = CreateAcceleratorTableA(a, 2);
    }
    record->background_color = -1;
    record->background_brush = nullptr;
    record->min_width = record->min_height = 0;

    if (own_list) use_gadget_list(window);
    return id == record_handle(record) ? id : reinterpret_cast<intptr_t>(window);
}

void close_window(int64_t id) {
    if (!library) return;
    if (id == -1) {
        free_all_objects(library->registry);
        return;
    }
    WindowRecord* record = find_window_record(id);
    if (!record) return;
    HWND window = record->handle;
    if (HWND owner = GetWindow(window, GW_OWNER)) SetActiveWindow(owner);
    RemovePropA(window, WINDOW_ID_PROPERTY);
    DestroyWindow(window);
    char name[64];
    class_name(name, sizeof name, id);
    UnregisterClassA(name, module_instance());

    // The record may have been released meanwhile by a re-entrant close.
    record = find_window_record(id);
    if (record) {
        runtime_free(record->accelerator_entries);
        if (record->accelerator_table) DestroyAcceleratorTable(record->accelerator_table);
        if (record->background_brush) DeleteObject(record->background_brush);
    }
    purge_window_events(id);
    release_object(library->registry, id);
}

bool add_window_accelerator(int64_t id, uint8_t modifiers, uint16_t key, uint16_t command) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    if (!record || command == COMMAND_FOCUS_NEXT || command == COMMAND_FOCUS_PREVIOUS) return false;
    const int32_t count = record->accelerator_count;
    auto* entries = static_cast<ACCEL*>(runtime_alloc((count + 1) * sizeof(ACCEL)));
    if (!entries) return false;
    for (int32_t i = 0; i < count; ++i) entries[i] = record->accelerator_entries[i];
    // The stored entries keep ACCEL_NOT_IN_EDIT; the system's table gets
    // only the flags it knows.
    const BYTE virt = static_cast<BYTE>(FVIRTKEY | FNOINVERT | (modifiers & (FSHIFT | FCONTROL | FALT | ACCEL_NOT_IN_EDIT)));
    entries[count] = {virt, key, command};
    auto* plain = static_cast<ACCEL*>(runtime_alloc((count + 1) * sizeof(ACCEL)));
    if (plain)
        for (int32_t i = 0; i <= count; ++i) {
            plain[i] = entries[i];
            plain[i].fVirt &= static_cast<BYTE>(~ACCEL_NOT_IN_EDIT);
        }
    HACCEL table = plain ? CreateAcceleratorTableA(plain, count + 1) : nullptr;
    runtime_free(plain);
    if (!table) {
        runtime_free(entries);
        return false;
    }
    runtime_free(record->accelerator_entries);
    if (record->accelerator_table) DestroyAcceleratorTable(record->accelerator_table);
    record->accelerator_entries = entries;
    record->accelerator_table = table;
    record->accelerator_count = count + 1;
    return true;
}

bool accept_dropped_files(int64_t id, bool accept) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    if (!record) return false;
    DragAcceptFiles(record->handle, accept ? TRUE : FALSE);
    return true;
}

int64_t window_handle(int64_t id) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    return record ? reinterpret_cast<intptr_t>(record->handle) : 0;
}

int32_t window_width(int64_t id, int mode) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    if (!record) return 0;
    RECT r;
    if (mode == WINDOW_OUTER) GetWindowRect(record->handle, &r);
    else GetClientRect(record->handle, &r);
    return r.right - r.left;
}

int32_t window_height(int64_t id, int mode) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    if (!record) return 0;
    RECT r;
    if (mode == WINDOW_OUTER) GetWindowRect(record->handle, &r);
    else GetClientRect(record->handle, &r);
    return r.bottom - r.top;
}

void set_window_color(int64_t id, int64_t color) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    if (!record) return;
    const int32_t c = static_cast<int32_t>(color);
    if (c == record->background_color) return;
    if (record->background_brush) DeleteObject(record->background_brush);
    record->background_brush = c == -1 ? nullptr : CreateSolidBrush(static_cast<COLORREF>(c));
    record->background_color = c;
    RedrawWindow(record->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
}

void set_window_min_size(int64_t id, int32_t width, int32_t height) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    if (!record) return;
    record->min_width = width;
    record->min_height = height;
}

int32_t window_dpi(int64_t id) {
    WindowRecord* record = library ? find_window_record(id) : nullptr;
    if (!record) return 96;
    // Looked up by name: the exe must also start where it does not exist.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto for_window = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    UINT dpi = for_window ? for_window(record->handle) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi ? static_cast<int32_t>(dpi) : 96;
}

namespace {

// A key down that a shortcut marked ACCEL_NOT_IN_EDIT would take while an
// edit has the focus: the edit gets it.
bool kept_by_focused_edit(const WindowRecord* record, const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    char name[16] = {};
    HWND focus = GetFocus();
    if (!focus || !GetClassNameA(focus, name, sizeof name) || lstrcmpiA(name, "Edit") != 0) return false;
    BYTE held = 0;
    if (GetKeyState(VK_SHIFT) & 0x8000) held |= FSHIFT;
    if (GetKeyState(VK_CONTROL) & 0x8000) held |= FCONTROL;
    if (GetKeyState(VK_MENU) & 0x8000) held |= FALT;
    for (int32_t i = 0; i < record->accelerator_count; ++i) {
        const ACCEL& a = record->accelerator_entries[i];
        if ((a.fVirt & ACCEL_NOT_IN_EDIT) && a.key == msg.wParam && (a.fVirt & (FSHIFT | FCONTROL | FALT)) == held)
            return true;
    }
    return false;
}

}  // namespace

int32_t wait_window_event(int32_t timeout) {
    if (int32_t code = take_next_event()) return code;

    MSG msg;
    if (timeout == -1) {
        GetMessageA(&msg, nullptr, 0, 0);
    } else if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
        if (timeout == 0) return 0;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeout), 0x5FF) == WAIT_TIMEOUT)
            return 0;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) return 0;
    }

    HWND active = GetActiveWindow();
    WindowRecord* record = toolkit_record(active);
    bool translated = false;
    if (record) {
        if ((GetKeyState(VK_CONTROL) | GetKeyState(VK_SHIFT) | GetKeyState(VK_MENU)) & 0x8000)
            show_keyboard_cues(active);
        if (record->accelerator_table && !kept_by_focused_edit(record, msg) &&
            TranslateAcceleratorA(active, record->accelerator_table, &msg)) {
            show_keyboard_cues(active);
            translated = true;
        }
    }
    if (!translated) {
        route_mouse_wheel(&msg);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int32_t>(msg.message);
}

char* first_dropped_file(int64_t list) {
    auto drop = reinterpret_cast<HDROP>(list);
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0 || length > 32767) return nullptr;
    auto* wide = static_cast<wchar_t*>(runtime_alloc((length + 1) * sizeof(wchar_t)));
    if (!wide) return nullptr;
    char* name = nullptr;
    if (DragQueryFileW(drop, 0, wide, length + 1) == length) {
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        name = bytes > 0 ? static_cast<char*>(runtime_alloc(static_cast<size_t>(bytes))) : nullptr;
        if (name && WideCharToMultiByte(CP_ACP, 0, wide, -1, name, bytes, nullptr, nullptr) != bytes) {
            runtime_free(name);
            name = nullptr;
        }
    }
    runtime_free(wide);
    return name;
}

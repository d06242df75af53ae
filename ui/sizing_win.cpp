// The toolkit's own sizing loop, used instead of the platform's modal one:
// started by SC_SIZE, driven by mouse moves and arrow keys, ended by the loss
// of mouse capture.
#include "core/memory.h"
#include "ui/sizing.h"
#include "ui/window_internal.h"

namespace {

struct SizingState {
    int32_t sizing;
    HWND window;  // the one window being sized
    int32_t keyboard_mode;
    POINT saved_cursor;
    RECT rect;
    int32_t edge;
    MINMAXINFO limits;
};

SizingState* state = nullptr;

void set_named_cursor(int32_t id) {
    auto cursor = static_cast<HCURSOR>(
        LoadImageA(nullptr, MAKEINTRESOURCEA(id), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    SetCursor(cursor);
}

// Moves the chosen edge to a screen point and applies the new rectangle.
void size_to(HWND window, int32_t x, int32_t y) {
    SizeRect r = {state->rect.left, state->rect.top, state->rect.right, state->rect.bottom};
    const SizeLimits limits = {state->limits.ptMinTrackSize.x, state->limits.ptMinTrackSize.y,
                               state->limits.ptMaxTrackSize.x, state->limits.ptMaxTrackSize.y};
    move_size_edge(&r, state->edge, x, y, limits);
    state->rect = {r.left, r.top, r.right, r.bottom};
    SendMessageA(window, WM_SIZING, static_cast<WPARAM>(state->edge), reinterpret_cast<LPARAM>(&state->rect));
    RECT place = state->rect;
    if (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
    MoveWindow(window, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
}

LRESULT start_sizing(HWND window, WPARAM w) {
    BOOL full_drag = FALSE;
    SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &full_drag, 0);
    if (!full_drag) return NOT_HANDLED;

    state->sizing = 1;
    state->window = window;
    state->edge = static_cast<int32_t>(w & 0xF);
    GetWindowRect(window, &state->rect);
    MINMAXINFO& mm = state->limits;
    mm = {};
    mm.ptMaxSize = {GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    mm.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mm.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    if (!(GetKeyState(VK_LBUTTON) & 0x8000)) SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SetCapture(window);
    PostMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    if (state->edge == EDGE_NONE) {
        state->keyboard_mode = 1;
        GetCursorPos(&state->saved_cursor);
        set_named_cursor(CURSOR_SIZE_ALL);
    } else {
        state->keyboard_mode = 0;
    }
    return 0;
}

LRESULT arrow_key(HWND window, int32_t key) {
    POINT p;
    GetCursorPos(&p);
    const SizeRect r = {state->rect.left, state->rect.top, state->rect.right, state->rect.bottom};
    EdgeChoice choice = choose_size_edge(state->edge, key, r, p.x, p.y);
    if (choice.chosen) {
        state->edge = choice.edge;
        SetCursorPos(choice.x, choice.y);
        set_named_cursor(choice.cursor);
    } else {
        int32_t x = p.x, y = p.y;
        step_size_cursor(key, &x, &y);
        SetCursorPos(x, y);
        size_to(window, x, y);
    }
    return NOT_HANDLED;
}

}  // namespace

void init_sizing_state() {
    if (!state) state = static_cast<SizingState*>(make_state_block(sizeof(SizingState), nullptr));
}

void end_sizing_state() {
    runtime_free(state);
    state = nullptr;
}

LRESULT sizing_hook(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (!state) return NOT_HANDLED;
    if (!state->sizing) {
        if (message == WM_SYSCOMMAND && (w & 0xFFF0) == SC_SIZE) return start_sizing(window, w);
        return NOT_HANDLED;
    }
    if (window != state->window) return NOT_HANDLED;
    switch (message) {
    case WM_MOUSEMOVE: {
        state->keyboard_mode = 0;
        POINT p = {static_cast<int16_t>(LOWORD(l)), static_cast<int16_t>(HIWORD(l))};
        ClientToScreen(window, &p);
        size_to(window, p.x, p.y);
        return 0;
    }
    case WM_KEYDOWN:
        if (w == VK_RETURN || w == VK_ESCAPE) {
            ReleaseCapture();
            return 0;
        }
        if (w >= VK_LEFT && w <= VK_DOWN) return arrow_key(window, static_cast<int32_t>(w));
        return NOT_HANDLED;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        PostMessageA(window, WM_EXITSIZEMOVE, 0, 0);
        state->sizing = 0;
        if (state->keyboard_mode) SetCursorPos(state->saved_cursor.x, state->saved_cursor.y);
        return 0;
    default:
        return NOT_HANDLED;
    }
}

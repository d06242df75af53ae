// Keyboard navigation: the keyboard cues and the Tab / Shift+Tab moves over
// the active window's tab stops.
#include "ui/window_internal.h"

namespace {

constexpr WPARAM show_both = 0x30002;  // UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL
constexpr WPARAM hide_both = 0x30001;  // UIS_SET, the same two flags

struct TabWalk {
    HWND current;   // the focused control, or 0
    HWND previous;  // the candidate before the one being looked at
    HWND first, last;
    HWND target;
    int direction;
    bool found;  // the current control has been passed
    bool done;
};

bool is_candidate(HWND w) {
    return IsWindowEnabled(w) && IsWindowVisible(w) && (GetWindowLongPtrA(w, GWL_STYLE) & WS_TABSTOP);
}

BOOL CALLBACK visit(HWND w, LPARAM l) {
    auto* walk = reinterpret_cast<TabWalk*>(l);
    if (!is_candidate(w)) return TRUE;
    if (!walk->first) walk->first = w;
    walk->last = w;
    if (walk->done) return TRUE;
    if (walk->direction == 0) {
        if (walk->found) {
            walk->target = w;
            walk->done = true;
        } else if (w == walk->current) {
            walk->found = true;
        }
    } else if (w == walk->current) {
        walk->found = true;
        walk->target = walk->previous;  // 0 for the first candidate: wraps below
        walk->done = true;
    }
    walk->previous = w;
    return TRUE;
}

}  // namespace

void show_keyboard_cues(HWND window) {
    if (SendMessageA(window, WM_QUERYUISTATE, 0, 0) & 3) SendMessageA(window, WM_UPDATEUISTATE, show_both, 0);
}

void hide_keyboard_cues(HWND window) {
    if ((SendMessageA(window, WM_QUERYUISTATE, 0, 0) & 3) != 3) SendMessageA(window, WM_UPDATEUISTATE, hide_both, 0);
}

void move_focus(int direction) {
    HWND active = GetActiveWindow();
    if (!active) return;
    TabWalk walk = {};
    walk.direction = direction;
    HWND focus = GetFocus();
    walk.current = focus && IsChild(active, focus) ? focus : nullptr;
    EnumChildWindows(active, visit, reinterpret_cast<LPARAM>(&walk));
    if (!walk.first) return;

    HWND target = walk.target;
    if (direction == 0) {
        if (!walk.current) target = walk.first;
        else if (walk.found && !walk.done) target = walk.first;  // the last one: wrap around
        else if (!walk.found) target = nullptr;                  // not a tab stop: stay
    } else if (!target) {
        target = walk.last;
    }
    if (target) SetFocus(target);
}

// Helpers shared by the toolkit's window tests: start-up of the toolkit once
// per test program, and reading the events that come out of the loop.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "image/image.h"
#include "ui/events.h"
#include "ui/gadgets.h"
#include "ui/window.h"

struct TakenEvent {
    int32_t code;
    int64_t object, window, type;
    bool operator==(const TakenEvent&) const = default;
};

inline void PrintTo(const TakenEvent& e, std::ostream* os) {
    *os << "{" << e.code << ", obj " << e.object << ", win " << e.window << ", type " << e.type << "}";
}

inline void start_toolkit() {
    static bool started = false;
    if (started) return;
    started = true;
    load_alpha_blend();
    init_image_library();
    init_event_posting();
    init_window_library();
    init_gadget_library();
    init_common_controls();
}

// Runs the loop for about `ms` milliseconds and returns the toolkit events it
// gave (raw message numbers are left out).
inline std::vector<TakenEvent> pump_events(int ms = 60) {
    std::vector<TakenEvent> out;
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(GetTickCount() - end) < 0) {
        const int32_t code = wait_window_event(5);
        if (code != 0 && current_event_code() == code)
            out.push_back({code, event_gadget(), event_window(), event_type()});
    }
    while (int32_t code = take_next_event()) out.push_back({code, event_gadget(), event_window(), event_type()});
    return out;
}

// Takes what is queued now, dispatching nothing.
inline std::vector<TakenEvent> queued_events() {
    std::vector<TakenEvent> out;
    while (int32_t code = take_next_event()) out.push_back({code, event_gadget(), event_window(), event_type()});
    return out;
}

inline std::vector<TakenEvent> only(const std::vector<TakenEvent>& events, std::initializer_list<int32_t> codes) {
    std::vector<TakenEvent> out;
    for (const TakenEvent& e : events)
        for (int32_t c : codes)
            if (e.code == c) out.push_back(e);
    return out;
}

inline int count_code(const std::vector<TakenEvent>& events, int32_t code) {
    int n = 0;
    for (const TakenEvent& e : events) n += e.code == code;
    return n;
}

// Presses and releases keys through the system's input path.
inline void send_keys(const std::vector<WORD>& down_in_order) {
    std::vector<INPUT> inputs;
    for (WORD k : down_in_order) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = k;
        inputs.push_back(in);
    }
    for (auto it = down_in_order.rbegin(); it != down_in_order.rend(); ++it) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

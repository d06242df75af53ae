// How long wait_window_event takes to come back when nothing happens: the
// main loop calls it with 20 ms, and with 0 it must return at once.
#include <windows.h>

#include "timing.h"
#include "ui/window.h"

int main() {
    init_event_posting();
    init_window_library();
    init_common_controls();
    int64_t id = open_window(AUTO_ID, 0, 0, 200, 100, "bench", 0x00CA0000);
    // Let the window settle so the waits below find nothing to do.
    for (int i = 0; i < 50; ++i) wait_window_event(5);

    time_job("wait_window_event(20), idle", 50, [] {
        while (wait_window_event(20) != 0) {
        }
    });
    time_job("wait_window_event(0), idle", 2000, [] { wait_window_event(0); });
    time_job("post_event + wait_window_event(0)", 2000, [id] {
        post_event(EVENT_GADGET, 1, id, 0);
        wait_window_event(0);
    });
    close_window(id);
    end_window_library();
    end_event_posting();
    return 0;
}

// The tool's main window, built on a suite's first test and closed after its
// last (building and closing a top-level window costs seconds under Wine).
// Every test starts from the defaults with the window's handles as building
// left them.
#pragma once

#include <cstddef>
#include <cstring>

#include "app/model/command_table.h"
#include "app/model/state.h"
#include "app/shell/commands.h"
#include "app/shell/main_window.h"
#include "app_fixture.h"
#include "core/dynlib.h"
#include "ui/events.h"
#include "ui/statusbar.h"
#include "ui/window.h"
#include "ui_test_support.h"

class MainWindowFixture : public AppFixture {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        init_dynamic_libraries();
        init_status_bars();
    }
    static void TearDownTestSuite() {
        if (!built_once) return;
        close_window(built.window);
        free_status_bar(STATUS_BAR);
        while (take_next_event()) {
        }
        built_once = false;
    }
    // Builds the window (with the main window's shortcuts when asked) unless
    // this suite already did, and puts its handles into the state; true when
    // it was built just now.
    static bool use_main_window(bool shortcuts) {
        const bool fresh = !built_once;
        if (fresh) {
            build_main_window(0, 0, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
            if (shortcuts) add_main_window_shortcuts();
            built = app;
            built_once = true;
        }
        constexpr size_t handles_at = offsetof(AppState, window);
        std::memcpy(reinterpret_cast<char*>(&app) + handles_at, reinterpret_cast<const char*>(&built) + handles_at,
                    sizeof(AppState) - handles_at);
        return fresh;
    }

private:
    static inline AppState built;  // the handles as build_main_window left them
    static inline bool built_once = false;
};

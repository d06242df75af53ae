// The tool's entry point: start-up in its fixed order, the main loop, and
// shutdown.  No command line; the remembered settings are read before the
// window is built and written when they change.
#include <windows.h>

#include "app/model/settings_file.h"
#include "app/model/state.h"
#include "app/picture/gdiplus_codes.h"
#include "app/shell/commands.h"
#include "app/shell/main_window.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "core/dynlib.h"
#include "core/memory.h"
#include "image/image.h"
#include "ui/gadgets.h"
#include "ui/statusbar.h"
#include "ui/window.h"

namespace {

void start_libraries() {
    init_memory_allocator();
    load_alpha_blend();
    init_image_library();
    init_event_posting();
    init_window_library();
    init_gadget_library();
    init_dynamic_libraries();
    init_common_controls();  // with COM
    init_status_bars();
}

// Windows go before the images, whose bitmaps the image gadgets borrow.
void end_libraries() {
    end_dynamic_libraries();
    end_gadget_library();
    end_window_library();
    end_event_posting();
    free_all_images();
    unload_alpha_blend();
    end_memory_allocator();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    clear_app_state();
    GetModuleHandleA(nullptr);
    init_main_heap();
    start_libraries();
    set_pixel_format_table();
    register_png_encoder();
    register_jpeg_encoder();
    set_app_defaults();
    load_settings();
    allocate_pixel_buffers();
    build_main_window(0, 0, MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
    add_main_window_shortcuts();
    app.output_image = create_image(AUTO_ID, 600, 600, 32);

    app.running = 1;
    while (app.running) {
        const int32_t code = wait_window_event(20);
        app.running = handle_event(code);
        // A quiet moment: a changed setting goes to its file.
        if (code == 0) store_settings();
    }
    store_settings(true);

    end_libraries();
    end_main_heap();
    ExitProcess(static_cast<UINT>(app.exit_code));
}

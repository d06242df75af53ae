// The tool's entry point: start-up in its fixed order, the main loop, and
// shutdown.  A picture named on the command line ("Open with", or a file
// dropped on the program's icon) is loaded once the window is built; the
// remembered settings are read before and written when they change.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/model/settings_file.h"
#include "app/model/state.h"
#include "app/picture/gdiplus_codes.h"
#include "app/shell/batch_window.h"
#include "app/shell/commands.h"
#include "app/shell/load_command.h"
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

// The first argument after the program's name, in the code page of the
// program's 8-bit file calls; empty when there is none.
std::string first_argument() {
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string argument;
    if (list && count > 1 && *list[1]) {
        const int n = WideCharToMultiByte(CP_ACP, 0, list[1], -1, nullptr, 0, nullptr, nullptr);
        argument.resize(static_cast<size_t>(n > 1 ? n - 1 : 0));
        if (n > 1) WideCharToMultiByte(CP_ACP, 0, list[1], -1, argument.data(), n, nullptr, nullptr);
    }
    LocalFree(list);
    return argument;
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
    const std::string picture = first_argument();
    if (!picture.empty()) on_dropped_file(picture.c_str());

    app.running = 1;
    while (app.running) {
        const int32_t code = wait_window_event(20);
        app.running = handle_event(code);
        // A quiet moment: a changed setting goes to its file.
        if (code == 0) store_settings();
    }
    store_settings(true);
    end_batch();

    end_libraries();
    end_main_heap();
    ExitProcess(static_cast<UINT>(app.exit_code));
}

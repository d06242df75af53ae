// roundcut-cli: the batch from a command line.  A console program, so that
// cmd and PowerShell wait for it and its lines can be piped; Ctrl+C lets the
// pictures under way finish and starts no more.
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/batch/batch_options.h"
#include "app/batch/batch_platform.h"
#include "app/batch/batch_run.h"
#include "app/batch/output_names.h"
#include "app/model/settings_file.h"
#include "app/model/state.h"
#include "app/model/version.h"
#include "app/picture/gdiplus_codes.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "core/dynlib.h"
#include "core/memory.h"
#include "image/image.h"

namespace {

std::atomic<bool> cancelled{false};

BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    cancelled = true;
    return TRUE;
}

// A line to the console as text in any script, or as UTF-8 bytes to a pipe
// or file.
void print(HANDLE to, const std::string& line) {
    const std::string text = line + "\n";
    DWORD mode = 0, done = 0;
    if (GetConsoleMode(to, &mode)) {
        const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
        WriteConsoleW(to, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
    } else {
        WriteFile(to, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    }
}

std::vector<std::string> arguments() {
    int count = 0;
    wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 1; list && i < count; ++i) {
        const int n = WideCharToMultiByte(CP_ACP, 0, list[i], -1, nullptr, 0, nullptr, nullptr);
        std::string a(static_cast<size_t>(n > 1 ? n - 1 : 0), '\0');
        if (n > 1) WideCharToMultiByte(CP_ACP, 0, list[i], -1, a.data(), n, nullptr, nullptr);
        out.push_back(a);
    }
    LocalFree(list);
    return out;
}

// Options the command line left unset, from the window's remembered settings.
void take_settings(BatchOptions* o) {
    set_app_defaults();
    load_settings();
    if (!o->size_set) o->size = app.output_size;
    if (!o->radius_set) o->radius = app.radius;
    if (!o->colour_set) o->colour = app.background_colour;
    if (!o->inside_set) o->inside_alpha = app.inner_alpha;
    if (!o->outside_set) o->outside_alpha = app.outer_alpha;
    if (!o->smooth_set) o->smooth = app.smooth_edge;
}

int run(const std::vector<std::string>& args) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
    BatchOptions options;
    std::string error;
    switch (read_batch_arguments(args, &options, &error)) {
    case BATCH_HELP:
        print(out, BATCH_USAGE);
        return 0;
    case BATCH_VERSION:
        print(out, std::string("roundcut-cli ") + roundcut_version());
        return 0;
    case BATCH_USAGE_ERROR:
        print(err, "roundcut-cli: " + error + " (roundcut-cli --help tells more)");
        return 2;
    case BATCH_RUN:
        break;
    }
    if (options.use_settings) take_settings(&options);

    std::vector<std::string> pictures;
    for (const std::string& given : options.pictures) {
        std::vector<std::string> matched = expand_wildcards(given);
        // A pattern that matches nothing is reported like a missing file.
        if (matched.empty()) matched.push_back(given);
        pictures.insert(pictures.end(), matched.begin(), matched.end());
    }
    if (!make_folders(options.out)) {
        print(err, "roundcut-cli: cannot make the folder " + options.out);
        return 1;
    }
    const char* extension = options.format == BATCH_JPG ? "jpg" : "png";
    const std::vector<std::string> names = output_names(options.out, pictures, extension, options.overwrite, file_exists);
    std::vector<BatchItem> items;
    for (size_t i = 0; i < pictures.size(); ++i) items.push_back({pictures[i], names[i]});

    const BatchLook look{{options.radius, options.colour, options.inside_alpha, options.outside_alpha, options.smooth},
                         options.size, options.format, options.square};
    const auto start = std::chrono::steady_clock::now();
    SetConsoleCtrlHandler(on_console_event, TRUE);
    const std::string total = std::to_string(items.size());
    size_t written = 0, failed = 0;
    run_batch(items, look, options.jobs ? static_cast<int>(options.jobs) : processor_count(), &cancelled,
              [&](size_t i, const BatchResult& r) {
                  // Appended piece by piece: GCC 12 warns wrongly about "[" + a temporary.
                  std::string head(1, '[');
                  head += std::to_string(i + 1) + "/" + total + "] " + file_part(items[i].picture);
                  if (r.written) {
                      ++written;
                      if (!options.quiet) print(out, head + " -> " + items[i].output);
                  } else {
                      ++failed;
                      print(out, head + ": " + r.why);
                  }
              });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char summary[160];
    std::snprintf(summary, sizeof summary, "%zu pictures: %zu written, %zu failed%s, %.1f s", items.size(), written,
                  items.size() - written, cancelled ? " or not started (cancelled)" : "", seconds);
    print(out, summary);
    return written == items.size() ? 0 : 1;
}

}  // namespace

int main() {
    clear_app_state();
    init_main_heap();
    init_memory_allocator();
    load_alpha_blend();
    init_image_library();
    init_dynamic_libraries();
    set_pixel_format_table();
    register_png_encoder();
    register_jpeg_encoder();
    const int code = run(arguments());
    end_dynamic_libraries();
    free_all_images();
    unload_alpha_blend();
    end_memory_allocator();
    end_main_heap();
    return code;
}

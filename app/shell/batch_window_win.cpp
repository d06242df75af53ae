#include "app/shell/batch_window.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "app/batch/batch_platform.h"
#include "app/batch/batch_run.h"
#include "app/batch/output_names.h"
#include "app/model/settings.h"
#include "app/model/state.h"
#include "app/output/output_size.h"
#include "app/shell/load_command.h"
#include "ui/requester.h"
#include "ui/window.h"

namespace {

constexpr UINT PICTURE_DONE = WM_APP + 1;  // wParam: the picture's index
constexpr UINT BATCH_DONE = WM_APP + 2;
constexpr int CLOSE_BUTTON = 1;
const wchar_t* const WINDOW_CLASS = L"roundcut batch";

struct Batch {
    HWND window = nullptr, text = nullptr, bar = nullptr, report = nullptr, button = nullptr;
    std::vector<BatchItem> items;
    std::vector<BatchResult> results;  // as each picture ends
    std::vector<bool> ended;
    std::mutex lock;
    std::atomic<bool> cancel{false};
    std::thread worker;
    size_t done = 0;
    bool running = false;
} batch;

std::wstring wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 1 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
    return out;
}

void set_text(HWND control, const std::string& text) { SetWindowTextW(control, wide(text).c_str()); }

// "12 of 50: IMG_0012.HEIC", for the picture that just ended.
void show_progress(size_t index) {
    ++batch.done;
    SendMessageW(batch.bar, PBM_SETPOS, static_cast<WPARAM>(batch.done), 0);
    set_text(batch.text, std::to_string(batch.done) + " of " + std::to_string(batch.items.size()) + ": " +
                                 file_part(batch.items[index].picture));
}

// How many were written, then a line for each that was not.
void show_summary() {
    size_t written = 0;
    std::string failures;
    for (size_t i = 0; i < batch.items.size(); ++i) {
        if (batch.ended[i] && batch.results[i].written) {
            ++written;
            continue;
        }
        failures += file_part(batch.items[i].picture) + ": " +
                    (batch.ended[i] ? batch.results[i].why : std::string("not started (cancelled)")) + "\r\n";
    }
    const size_t total = batch.items.size();
    set_text(batch.text, std::to_string(total) + (total == 1 ? " picture: " : " pictures: ") + std::to_string(written) +
                                 " written, " + std::to_string(total - written) + " failed");
    set_text(batch.report, failures);
    ShowWindow(batch.report, failures.empty() ? SW_HIDE : SW_SHOW);
    SetWindowTextW(batch.button, L"Close");
}

void finish_worker() {
    if (batch.worker.joinable()) batch.worker.join();
    batch.running = false;
}

LRESULT CALLBACK batch_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case PICTURE_DONE:
        show_progress(static_cast<size_t>(w));
        return 0;
    case BATCH_DONE:
        finish_worker();
        show_summary();
        return 0;
    case WM_COMMAND:
        if (LOWORD(w) == CLOSE_BUTTON || LOWORD(w) == IDCANCEL) SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        // While pictures are under way the button (or the window's close
        // box, or Escape) cancels; they finish, then the summary shows.
        if (batch.running) {
            batch.cancel = true;
            SetWindowTextW(batch.button, L"Stopping...");
            EnableWindow(batch.button, FALSE);
            return 0;
        }
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        batch.window = nullptr;
        return 0;
    default: return DefWindowProcW(window, message, w, l);
    }
}

HWND child(const wchar_t* kind, const wchar_t* text, DWORD style, int x, int y, int width, int height, int id) {
    HWND control = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, batch.window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return control;
}

bool open_progress_window() {
    WNDCLASSEXW kind{};
    kind.cbSize = sizeof kind;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), WINDOW_CLASS, &kind)) {
        kind.cbSize = sizeof kind;
        kind.lpfnWndProc = batch_procedure;
        kind.hInstance = GetModuleHandleW(nullptr);
        kind.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        kind.lpszClassName = WINDOW_CLASS;
        if (!RegisterClassExW(&kind)) return false;
    }
    HWND owner = reinterpret_cast<HWND>(window_handle(app.window));
    RECT frame{0, 0, 440, 230};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    RECT over{};
    if (owner) GetWindowRect(owner, &over);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    batch.window = CreateWindowExW(WS_EX_DLGMODALFRAME, WINDOW_CLASS, L"Batch", style,
                                   owner ? (over.left + over.right - width) / 2 : CW_USEDEFAULT,
                                   owner ? (over.top + over.bottom - height) / 2 : CW_USEDEFAULT, width, height, owner,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!batch.window) return false;
    batch.text = child(L"STATIC", L"", SS_LEFTNOWORDWRAP, 12, 12, 416, 20, 0);
    batch.bar = child(PROGRESS_CLASSW, L"", 0, 12, 38, 416, 20, 0);
    batch.report = child(L"EDIT", L"", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER, 12, 66, 416, 118, 0);
    ShowWindow(batch.report, SW_HIDE);
    batch.button = child(L"BUTTON", L"Cancel", BS_PUSHBUTTON, 338, 192, 90, 28, CLOSE_BUTTON);
    SendMessageW(batch.bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(batch.items.size()));
    ShowWindow(batch.window, SW_SHOW);
    return true;
}

}  // namespace

bool start_batch(const std::vector<std::string>& pictures, const std::string& folder) {
    if (batch.running || pictures.empty()) return false;
    if (batch.window) DestroyWindow(batch.window);
    const std::vector<std::string> names = output_names(folder, pictures, "png", false, file_exists);
    batch.items.clear();
    for (size_t i = 0; i < pictures.size(); ++i) batch.items.push_back({pictures[i], names[i]});
    batch.results.assign(pictures.size(), BatchResult{});
    batch.ended.assign(pictures.size(), false);
    batch.done = 0;
    batch.cancel = false;
    if (!open_progress_window()) return false;
    set_text(batch.text, "0 of " + std::to_string(pictures.size()));
    if (!make_folders(folder)) {
        for (BatchResult& r : batch.results) r.why = "cannot make the folder " + folder;
        batch.ended.assign(pictures.size(), true);
        show_summary();
        return true;
    }
    const BatchLook look{current_look(), app.output_size, BATCH_PNG, app.start_on_faces ? SQUARE_FACES : SQUARE_FIRST};
    batch.running = true;
    HWND window = batch.window;
    batch.worker = std::thread([look, window] {
        run_batch(batch.items, look, processor_count(), &batch.cancel, [window](size_t i, const BatchResult& r) {
            batch.results[i] = r;
            batch.ended[i] = true;
            PostMessageW(window, PICTURE_DONE, i, 0);
        });
        PostMessageW(window, BATCH_DONE, 0, 0);
    });
    return true;
}

void on_batch() {
    if (batch.running && batch.window) {
        SetForegroundWindow(batch.window);
        return;
    }
    const std::string start = dialog_start(remembered_load_folder);
    std::vector<std::string> pictures;
    for (std::string file = open_file_requester_multi("Batch: choose the pictures", start.empty() ? nullptr : start.c_str(),
                                                      LOAD_PATTERN, 0, 1);
         !file.empty(); file = next_selected_file())
        pictures.push_back(file);
    if (pictures.empty()) return;
    char picture_folder[SETTINGS_FOLDER_SIZE];
    folder_of(pictures.front().c_str(), picture_folder, sizeof picture_folder);
    const std::string folder = folder_requester("Batch: choose the folder for the cut-outs", picture_folder);
    if (folder.empty()) return;
    start_batch(pictures, folder);
}

long long batch_window() { return reinterpret_cast<long long>(batch.window); }

bool batch_running() { return batch.running; }

void end_batch() {
    batch.cancel = true;
    finish_worker();
    if (batch.window) DestroyWindow(batch.window);
    // What the worker posted to the window went with it.
}

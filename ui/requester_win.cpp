// The requesters' dialogs, their owner and the modal guard around them.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

#include "core/memory.h"
#include "ui/requester.h"

namespace {

// One window the guard has touched.
struct ModalRecord {
    ModalRecord* next;
    DWORD thread;
    HWND window;
    BYTE was_topmost;
    BYTE disabled_by_guard;
};

// Each thread only ever adds and removes its own records; the lock covers
// the list itself, never a window call.
ModalRecord* modal_records = nullptr;
SRWLOCK modal_lock = SRWLOCK_INIT;

constexpr DWORD FILE_FLAGS = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_EXPLORER;
static_assert(FILE_FLAGS == 0x0008080C);
constexpr DWORD OPEN_FILE_NAME_SIZE = 136;  // the form without the places bar fields
static_assert(sizeof(CHOOSECOLORA) == 72);

struct GuardScan {
    HWND foreground;
    DWORD thread;
    ModalRecord* chain;
};

BOOL CALLBACK guard_window(HWND window, LPARAM data) {
    auto* scan = reinterpret_cast<GuardScan*>(data);
    if (GetWindowThreadProcessId(window, nullptr) != scan->thread || !IsWindowVisible(window)) return TRUE;
    auto* record = static_cast<ModalRecord*>(runtime_alloc(sizeof(ModalRecord)));
    if (!record) return TRUE;  // that window stays as it is
    record->thread = scan->thread;
    record->window = window;
    record->was_topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0;
    // The foreground window becomes the dialog's owner, which the dialog
    // disables itself.
    if (window != scan->foreground && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        record->disabled_by_guard = 1;
    }
    record->next = scan->chain;
    scan->chain = record;
    return TRUE;
}

void enter_modal_guard() {
    GuardScan scan = {GetForegroundWindow(), GetCurrentThreadId(), nullptr};
    EnumWindows(guard_window, reinterpret_cast<LPARAM>(&scan));
    if (!scan.chain) return;
    ModalRecord* last = scan.chain;
    for (ModalRecord* r = scan.chain; r; r = r->next) {
        if (r->was_topmost) SetWindowPos(r->window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        last = r;
    }
    AcquireSRWLockExclusive(&modal_lock);
    last->next = modal_records;
    modal_records = scan.chain;
    ReleaseSRWLockExclusive(&modal_lock);
}

void leave_modal_guard() {
    DWORD thread = GetCurrentThreadId();
    ModalRecord* mine = nullptr;
    AcquireSRWLockExclusive(&modal_lock);
    for (ModalRecord** link = &modal_records; *link;) {
        ModalRecord* r = *link;
        if (r->thread == thread) {
            *link = r->next;
            r->next = mine;
            mine = r;
        } else {
            link = &r->next;
        }
    }
    ReleaseSRWLockExclusive(&modal_lock);
    while (ModalRecord* r = mine) {
        mine = r->next;
        if (r->disabled_by_guard) EnableWindow(r->window, TRUE);
        if (r->was_topmost) SetWindowPos(r->window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        runtime_free(r);
    }
}

// The dialog's owner: the foreground window when it belongs to this process.
HWND requester_owner() {
    HWND foreground = GetForegroundWindow();
    if (!foreground) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

const char* file_requester(const char* title, const char* default_file, const char* pattern, int32_t pattern_index,
                           bool save, int32_t flags) {
    bool multi = (flags & REQUESTER_MULTI_FLAG) != 0;
    size_t size = 0;
    char* buffer = begin_file_request(!save, multi, &size);
    if (!buffer) return finish_file_request(false, multi);

    char* filter = make_requester_filter(pattern);
    char* directory = split_default_file(default_file, buffer, size);

    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = OPEN_FILE_NAME_SIZE;
    dialog.hwndOwner = requester_owner();
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = static_cast<DWORD>(pattern_index < 0 ? 0 : pattern_index) + 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = static_cast<DWORD>(size);
    dialog.lpstrInitialDir = directory;
    dialog.lpstrTitle = title;
    dialog.Flags = FILE_FLAGS | (multi ? OFN_ALLOWMULTISELECT : 0);

    enter_modal_guard();
    BOOL confirmed = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    leave_modal_guard();

    runtime_free(filter);
    runtime_free(directory);
    return finish_file_request(confirmed != FALSE, multi);
}

}  // namespace

const char* open_file_requester(const char* title, const char* default_file, const char* pattern,
                                int32_t pattern_index) {
    return file_requester(title, default_file, pattern, pattern_index, false, 0);
}

const char* save_file_requester(const char* title, const char* default_file, const char* pattern,
                                int32_t pattern_index) {
    return file_requester(title, default_file, pattern, pattern_index, true, 0);
}

const char* open_file_requester_multi(const char* title, const char* default_file, const char* pattern,
                                      int32_t pattern_index, int32_t flags) {
    return file_requester(title, default_file, pattern, pattern_index, false, flags);
}

namespace {

struct FolderStart {
    const char* title;   // the dialog's caption as well as its heading
    const char* folder;  // selected at the start, or null
};

int CALLBACK start_in_folder(HWND dialog, UINT message, LPARAM, LPARAM data) {
    const auto* start = reinterpret_cast<const FolderStart*>(data);
    if (message != BFFM_INITIALIZED || !start) return 0;
    if (start->title) SetWindowTextA(dialog, start->title);
    if (start->folder) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start->folder));
    return 0;
}

}  // namespace

const char* folder_requester(const char* title, const char* start_folder) {
    RequesterState* s = requester_state();
    if (!s) return "";
    s->result[0] = 0;
    // The dialog's new style (resizable, with a box to type a folder into)
    // needs COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOA browse{};
    browse.hwndOwner = requester_owner();
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    browse.lpfn = start_in_folder;
    const FolderStart start{title, start_folder && *start_folder ? start_folder : nullptr};
    browse.lParam = reinterpret_cast<LPARAM>(&start);
    enter_modal_guard();
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    leave_modal_guard();
    if (chosen) {
        if (!SHGetPathFromIDListA(chosen, s->result)) s->result[0] = 0;
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return s->result;
}

int64_t color_requester(int64_t initial_colour) {
    RequesterState* s = requester_state();
    COLORREF custom[16] = {};
    if (s)
        for (int i = 0; i < 16; ++i) custom[i] = s->custom_colours[i];
    COLORREF start = initial_colour == -1 ? 0 : static_cast<COLORREF>(static_cast<uint64_t>(initial_colour));
    custom[0] = start;

    CHOOSECOLORA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = requester_owner();
    dialog.rgbResult = start;
    dialog.lpCustColors = custom;
    dialog.Flags = CC_RGBINIT;

    enter_modal_guard();
    BOOL confirmed = ChooseColorA(&dialog);
    leave_modal_guard();

    if (s)
        for (int i = 0; i < 16; ++i) s->custom_colours[i] = custom[i];
    return confirmed ? static_cast<int64_t>(dialog.rgbResult) : -1;
}

/* Looks at the running tool from outside, for the end-to-end tests: one
 * process answers many questions, one a line on stdin (its words separated
 * by tabs), so a test pays for one Wine start however often it looks.
 *
 *     status          the main window's six status fields, tab-separated
 *     idle            "idle" once the main window's thread has handled what
 *                     it was sent and nothing in the window waits to be painted
 *     ready TITLE     "ready" once the top-level window TITLE is shown,
 *                     painted and holds the keyboard focus
 *     shown TITLE     where the window TITLE's client area is on the
 *                     screen, "x y width height", or "none"
 *     windows         the main window's thread's shown windows: title and
 *                     client area of each, tab-separated
 *     folder TITLE    the folder the file dialog TITLE shows
 *     typed [TITLE]   the text of the control that has the focus in the
 *                     window TITLE, or in the main window
 *
 * Texts are UTF-8.  The main window is the top-level one with a status bar
 * and a 1330 x 680 client area.  A question answers "none" when its window
 * is not there; idle and ready answer "busy" after 10 seconds.  What a
 * message writes to memory goes to a buffer in the tool's own process, read
 * back from there, except for WM_GETTEXT, which Wine carries across itself. */
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#define WAIT_MS 10000

static BOOL CALLBACK find_main(HWND window, LPARAM found) {
    RECT r;
    HWND status = FindWindowExA(window, NULL, STATUSCLASSNAMEA, NULL);
    if (!status || !GetClientRect(window, &r) || r.right != 1330 || r.bottom != 680) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

static HWND main_window(void) {
    HWND found = NULL;
    EnumWindows(find_main, (LPARAM)&found);
    return found;
}

typedef struct {
    const WCHAR* title;
    HWND found;
} Titled;

static BOOL CALLBACK find_titled(HWND window, LPARAM data) {
    Titled* t = (Titled*)data;
    WCHAR text[256];
    if (!IsWindowVisible(window) || !GetWindowTextW(window, text, 256) || wcscmp(text, t->title) != 0) return TRUE;
    t->found = window;
    return FALSE;
}

/* The visible top-level window of that title: one being closed may linger
 * hidden beside a new one. */
static HWND titled(const char* title) {
    WCHAR wide[256];
    Titled t = {wide, NULL};
    if (!title || !MultiByteToWideChar(CP_UTF8, 0, title, -1, wide, 256)) return NULL;
    EnumWindows(find_titled, (LPARAM)&t);
    return t.found;
}

/* The client area on the screen, which is the window's X window under
 * Wine with no window manager: "x y width height". */
static void print_client(HWND window) {
    RECT r;
    POINT origin = {0, 0};
    GetClientRect(window, &r);
    ClientToScreen(window, &origin);
    printf("%ld %ld %ld %ld", origin.x, origin.y, r.right, r.bottom);
}

static BOOL CALLBACK print_shown(HWND window, LPARAM count) {
    WCHAR text[256] = {0};
    char utf8[768];
    if (!IsWindowVisible(window)) return TRUE;
    GetWindowTextW(window, text, 256);
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
    printf("%s%s\t", (*(int*)count)++ ? "\t" : "", utf8);
    print_client(window);
    return TRUE;
}

/* A buffer in the process of a window, for messages that write text. */
typedef struct {
    HANDLE process;
    char* remote;
} Remote;

static BOOL open_remote(HWND window, Remote* r) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    r->remote = NULL;
    r->process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (r->process) r->remote = VirtualAllocEx(r->process, NULL, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (r->remote) return TRUE;
    if (r->process) CloseHandle(r->process);
    return FALSE;
}

/* Sends the message with the buffer as lParam and copies out what it wrote. */
static void ask_remote(Remote* r, HWND window, UINT message, WPARAM wparam, char* out, size_t size) {
    DWORD_PTR unused;
    SIZE_T got = 0;
    memset(out, 0, size);
    WriteProcessMemory(r->process, r->remote, out, 2, &got);
    SendMessageTimeoutA(window, message, wparam, (LPARAM)r->remote, SMTO_NORMAL, WAIT_MS, &unused);
    ReadProcessMemory(r->process, r->remote, out, size - 2, &got);
}

static void close_remote(Remote* r) {
    VirtualFreeEx(r->process, r->remote, 0, MEM_RELEASE);
    CloseHandle(r->process);
}

static void print_status(HWND window) {
    HWND bar = FindWindowExA(window, NULL, STATUSCLASSNAMEA, NULL);
    Remote r;
    int i;
    if (!open_remote(bar, &r)) {
        printf("none\n");
        return;
    }
    for (i = 0; i < 6; ++i) {
        char text[256];
        ask_remote(&r, bar, SB_GETTEXTA, i, text, sizeof text);
        printf(i ? "\t%s" : "%s", text);
    }
    printf("\n");
    close_remote(&r);
}

/* The folder as the dialog gives it: in the tool's code page, UTF-8. */
static void print_folder(HWND dialog) {
    Remote r;
    char folder[1024];
    if (!open_remote(dialog, &r)) {
        printf("none\n");
        return;
    }
    ask_remote(&r, dialog, CDM_GETFOLDERPATH, 1024, folder, sizeof folder);
    printf("%s\n", folder);
    close_remote(&r);
}

static HWND focus_of(HWND window) {
    GUITHREADINFO info;
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info)) return NULL;
    return info.hwndFocus;
}

static void print_typed(HWND window) {
    HWND focus = focus_of(window);
    WCHAR text[1024] = {0};
    char utf8[3 * 1024];
    DWORD_PTR unused;
    if (!focus) {
        printf("none\n");
        return;
    }
    /* WM_GETTEXT, not GetWindowText, which does not ask another process;
     * Wine carries its text across, as Windows does. */
    SendMessageTimeoutW(focus, WM_GETTEXT, 1024, (LPARAM)text, SMTO_NORMAL, WAIT_MS, &unused);
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
    printf("%s\n", utf8);
}

static BOOL CALLBACK find_unpainted(HWND child, LPARAM pending) {
    if (IsWindowVisible(child) && GetUpdateRect(child, NULL, FALSE)) *(BOOL*)pending = TRUE;
    return TRUE;
}

/* Whether the window's thread answers and nothing in it waits for WM_PAINT. */
static BOOL settled(HWND window) {
    DWORD_PTR unused;
    BOOL pending;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, WAIT_MS, &unused)) return FALSE;
    pending = GetUpdateRect(window, NULL, FALSE);
    EnumChildWindows(window, find_unpainted, (LPARAM)&pending);
    return !pending;
}

static const char* wait_settled(HWND window, BOOL want_focus) {
    DWORD start = GetTickCount();
    /* Twice in a row, a little apart: what the thread handled in between may
     * have started more work. */
    int good = 0;
    while (GetTickCount() - start < WAIT_MS) {
        HWND focus;
        if (!IsWindow(window)) return "none";
        focus = want_focus ? focus_of(window) : NULL;
        if (settled(window) && (!want_focus || (focus && (focus == window || IsChild(window, focus)))))
            ++good;
        else
            good = 0;
        if (good == 2) return want_focus ? "ready" : "idle";
        Sleep(20);
    }
    return "busy";
}

int main(void) {
    char line[1024];
    while (fgets(line, sizeof line, stdin)) {
        char* title = strchr(line, '\t');
        line[strcspn(line, "\r\n")] = 0;
        if (title) *title++ = 0;
        if (strcmp(line, "status") == 0 || strcmp(line, "idle") == 0 || strcmp(line, "windows") == 0) {
            HWND window = main_window();
            int count = 0;
            if (!window) printf("none\n");
            else if (line[0] == 's') print_status(window);
            else if (line[0] == 'i') printf("%s\n", wait_settled(window, FALSE));
            else {
                EnumThreadWindows(GetWindowThreadProcessId(window, NULL), print_shown, (LPARAM)&count);
                printf("\n");
            }
        } else if (strcmp(line, "ready") == 0 || strcmp(line, "folder") == 0 || strcmp(line, "typed") == 0 ||
                   strcmp(line, "shown") == 0) {
            HWND window = title || line[0] != 't' ? titled(title) : main_window();
            if (!window) printf("none\n");
            else if (line[0] == 'r') printf("%s\n", wait_settled(window, TRUE));
            else if (line[0] == 'f') print_folder(window);
            else if (line[1] == 'h') {
                print_client(window);
                printf("\n");
            } else print_typed(window);
        } else {
            printf("unknown question: %s\n", line);
        }
        fflush(stdout);
    }
    return 0;
}

/* Prints the six status fields of the running tool's main window, one a
 * line, read from outside: the window is the top-level one with a status
 * bar and a 1330 x 680 client area; its fields are asked for through a
 * buffer in the tool's own memory (SB_GETTEXT writes to the caller's
 * address space).  Exit status 1 when there is no such window. */
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

static HWND bar;

static BOOL CALLBACK find(HWND window, LPARAM unused) {
    RECT r;
    HWND status = FindWindowExA(window, NULL, STATUSCLASSNAMEA, NULL);
    (void)unused;
    if (!status || !GetClientRect(window, &r) || r.right != 1330 || r.bottom != 680) return TRUE;
    bar = status;
    return FALSE;
}

int main(void) {
    DWORD pid = 0;
    HANDLE process;
    char* remote;
    int i;
    EnumWindows(find, 0);
    if (!bar) return 1;
    GetWindowThreadProcessId(bar, &pid);
    process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return 1;
    remote = VirtualAllocEx(process, NULL, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) return 1;
    for (i = 0; i < 6; ++i) {
        char text[256] = {0};
        SIZE_T got = 0;
        SendMessageA(bar, SB_GETTEXTA, i, (LPARAM)remote);
        ReadProcessMemory(process, remote, text, sizeof text - 1, &got);
        printf("%s\n", text);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return 0;
}

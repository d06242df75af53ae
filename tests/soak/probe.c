/* Looks at a running program from outside: its live GDI objects and its
 * memory, printed as one line of name=value pairs.
 *
 *   probe NAME.exe   the first process of that executable name
 *   probe --self     checks the GDI count on this process itself: the count
 *                    must rise by the number of brushes made and fall back
 *
 * GDI objects are asked of GetGuiResources first.  Where that answers 0 (as
 * Wine does), they are counted in the process's GDI handle table, which its
 * PEB points to.
 * Memory comes from GetProcessMemoryInfo (private bytes, working set). */
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* One entry of the GDI handle table, 24 bytes on 64-bit systems.  A freed
 * entry keeps its type (for the next handle's generation) but loses its
 * extended type, so a non-zero extended type marks a live object; counted
 * so, the table agrees with GetObjectType tried on every handle value. */
typedef struct {
    ULONGLONG object;
    ULONG owner;
    UCHAR type;
    UCHAR flags;
    UCHAR ext_type;
    UCHAR generation;
    ULONGLONG user;
} HandleEntry;

enum { HANDLE_COUNT = 0x10000, PEB_GDI_TABLE = 0xF8 };

static DWORD find_process(const char* exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    DWORD pid = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, exe) == 0) {
            pid = entry.th32ProcessID;
            break;
        }
    CloseHandle(snapshot);
    return pid;
}

/* Live entries of the handle table of a process, or -1 when it cannot be read. */
static long table_count(HANDLE process) {
    PROCESS_BASIC_INFORMATION info;
    ULONG got = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, &got) != 0) return -1;
    ULONGLONG table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, (char*)info.PebBaseAddress + PEB_GDI_TABLE, &table, sizeof table, &read) ||
        table == 0)
        return -1;
    HandleEntry* entries = malloc(sizeof(HandleEntry) * HANDLE_COUNT);
    if (!entries) return -1;
    long live = -1;
    if (ReadProcessMemory(process, (void*)(UINT_PTR)table, entries, sizeof(HandleEntry) * HANDLE_COUNT, &read) &&
        read == sizeof(HandleEntry) * HANDLE_COUNT) {
        live = 0;
        for (int i = 0; i < HANDLE_COUNT; ++i) live += entries[i].ext_type != 0;
    }
    free(entries);
    return live;
}

static int self_check(void) {
    HANDLE self = GetCurrentProcess();
    long before = table_count(self);
    HBRUSH brushes[50];
    for (int i = 0; i < 50; ++i) brushes[i] = CreateSolidBrush(RGB(i, 2 * i, 3 * i));
    long with = table_count(self);
    for (int i = 0; i < 50; ++i) DeleteObject(brushes[i]);
    long after = table_count(self);
    int scanned = 0;
    for (UINT_PTR h = 1; h <= 0xFFFF; ++h) scanned += GetObjectType((HGDIOBJ)h) != 0;
    printf("self before=%ld with_50_brushes=%ld after=%ld by_GetObjectType=%d guiresources=%lu\n", before, with,
           after, scanned, (unsigned long)GetGuiResources(self, GR_GDIOBJECTS));
    return before >= 0 && with == before + 50 && after == before && scanned == after ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: probe NAME.exe | --self\n");
        return 2;
    }
    if (strcmp(argv[1], "--self") == 0) return self_check();
    DWORD pid = find_process(argv[1]);
    if (!pid) {
        printf("missing=%s\n", argv[1]);
        return 1;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        printf("pid=%lu open_failed=%lu\n", (unsigned long)pid, (unsigned long)GetLastError());
        return 1;
    }
    PROCESS_MEMORY_COUNTERS_EX memory;
    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    BOOL have_memory = GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&memory, sizeof memory);
    printf("pid=%lu gdi_guiresources=%lu gdi_table=%ld handles=", (unsigned long)pid,
           (unsigned long)GetGuiResources(process, GR_GDIOBJECTS), table_count(process));
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles)) printf("%lu", (unsigned long)handles);
    else printf("-1");
    if (have_memory)
        printf(" private=%llu workingset=%llu\n", (unsigned long long)memory.PrivateUsage,
               (unsigned long long)memory.WorkingSetSize);
    else
        printf(" private=-1 workingset=-1\n");
    CloseHandle(process);
    return 0;
}

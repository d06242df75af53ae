#include "codecs/file_layer.h"

#include <windows.h>

int64_t create_new_file(const char* name) {
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    return reinterpret_cast<intptr_t>(h);
}

int32_t write_file(int64_t file, const void* data, uint64_t size) {
    if (!file) return 0;
    HANDLE h = reinterpret_cast<HANDLE>(file);
    const char* p = static_cast<const char*>(data);
    // WriteFile counts in 32 bits; larger blocks go in pieces.
    while (size > 0) {
        DWORD part = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, p, part, &written, nullptr) || written != part) return 0;
        p += part;
        size -= part;
    }
    return 1;
}

int32_t close_file(int64_t file) {
    if (!file) return 0;
    return CloseHandle(reinterpret_cast<HANDLE>(file)) ? 1 : 0;
}

int32_t delete_file(const char* name) { return DeleteFileA(name) ? 1 : 0; }

int32_t replace_file(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

uint32_t process_number() { return GetCurrentProcessId(); }

#include "codecs/file_layer.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

int64_t create_new_file(const char* name) {
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    return reinterpret_cast<intptr_t>(h);
}

FILE* file_stream(int64_t file) {
    if (!file) return nullptr;
    // The runtime's descriptor takes the handle over, the stream the descriptor.
    const int descriptor = _open_osfhandle(static_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (descriptor == -1) {
        CloseHandle(reinterpret_cast<HANDLE>(file));
        return nullptr;
    }
    FILE* stream = _fdopen(descriptor, "wb");
    if (!stream) _close(descriptor);
    return stream;
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

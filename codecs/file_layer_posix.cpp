#include "codecs/file_layer.h"

#include <unistd.h>

#include <cstdio>

int64_t create_new_file(const char* name) {
    // "x": exclusive creation, so an existing file is never taken over.
    FILE* f = std::fopen(name, "wbx");
    return reinterpret_cast<intptr_t>(f);
}

// The file already is a stream.
FILE* file_stream(int64_t file) { return reinterpret_cast<FILE*>(file); }

int32_t write_file(int64_t file, const void* data, uint64_t size) {
    if (!file) return 0;
    FILE* f = reinterpret_cast<FILE*>(file);
    return std::fwrite(data, 1, size, f) == size ? 1 : 0;
}

int32_t close_file(int64_t file) {
    if (!file) return 0;
    FILE* f = reinterpret_cast<FILE*>(file);
    // Buffered bytes may only fail to reach the disk here.
    int32_t ok = std::fflush(f) == 0 && !std::ferror(f);
    if (std::fclose(f) != 0) ok = 0;
    return ok;
}

int32_t delete_file(const char* name) { return std::remove(name) == 0 ? 1 : 0; }

int32_t replace_file(const char* from, const char* to) { return std::rename(from, to) == 0 ? 1 : 0; }

uint32_t process_number() { return static_cast<uint32_t>(getpid()); }

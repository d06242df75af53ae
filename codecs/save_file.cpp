#include "codecs/save_file.h"

#include <cstring>

#include "codecs/file_layer.h"

namespace {

uint32_t temp_count = 0;

// A name is tried a few times: another save (of this or another process)
// may hold the first one.  A folder that does not exist fails every time.
constexpr int TEMP_ATTEMPTS = 8;

char* put_hex(char* p, uint32_t value) {
    static const char digits[] = "0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4) *p++ = digits[(value >> shift) & 15];
    return p;
}

}  // namespace

int32_t make_temp_name(const char* target, TempName* out) {
    if (!target || !*target) return 0;
    size_t length = std::strlen(target);
    // The folder part ends after the last separator; a drive prefix "C:"
    // counts as a folder too.
    size_t folder = 0;
    for (size_t i = 0; i < length; ++i)
        if (target[i] == '/' || target[i] == '\\' || target[i] == ':') folder = i + 1;
    static const char prefix[] = "~rcsave-";
    static const char suffix[] = ".tmp";
    if (folder + sizeof prefix + 8 + 1 + 8 + sizeof suffix > sizeof out->text) return 0;
    char* p = out->text;
    std::memcpy(p, target, folder);
    p += folder;
    std::memcpy(p, prefix, sizeof prefix - 1);
    p += sizeof prefix - 1;
    p = put_hex(p, process_number());
    *p++ = '-';
    p = put_hex(p, temp_count++);
    std::memcpy(p, suffix, sizeof suffix);  // with its terminating zero
    return 1;
}

int64_t create_temp_file(const char* target, TempName* name) {
    for (int attempt = 0; attempt < TEMP_ATTEMPTS; ++attempt) {
        if (!make_temp_name(target, name)) return 0;
        int64_t file = create_new_file(name->text);
        if (file) return file;
    }
    return 0;
}

int32_t commit_temp_file(int64_t file, const TempName* name, const char* target) {
    if (!close_file(file) || !replace_file(name->text, target)) {
        delete_file(name->text);
        return 0;
    }
    return 1;
}

void discard_temp_file(int64_t file, const TempName* name) {
    close_file(file);
    delete_file(name->text);
}

FILE* create_temp_stream(const char* target, TempName* name) {
    // The library writes through the very file the exclusive creation made:
    // opening the name again would give another process the moment to take
    // it (or to plant a link that would be followed and truncated).
    int64_t file = create_temp_file(target, name);
    if (!file) return nullptr;
    FILE* stream = file_stream(file);
    if (!stream) delete_file(name->text);
    return stream;
}

int32_t commit_temp_stream(FILE* stream, const TempName* name, const char* target) {
    // A full disk may show only when the last buffered bytes are flushed.
    int32_t ok = std::fflush(stream) == 0 && !std::ferror(stream);
    if (std::fclose(stream) != 0) ok = 0;
    if (!ok || !replace_file(name->text, target)) {
        delete_file(name->text);
        return 0;
    }
    return 1;
}

void discard_temp_stream(FILE* stream, const TempName* name) {
    std::fclose(stream);
    delete_file(name->text);
}

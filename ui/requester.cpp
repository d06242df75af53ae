// The platform-independent half of the file requester: buffers, the filter,
// the default file and the multi-selection list.
#include "ui/requester.h"

#include <cstring>

#include "core/memory.h"

namespace {

RequesterState* state = nullptr;

const char empty_text[1] = {0};

void drop_multi_selection(RequesterState* s) {
    runtime_free(s->multi);
    s->multi = nullptr;
    s->offset = 0;
}

size_t bounded_length(const char* text, size_t limit) {
    const void* end = std::memchr(text, 0, limit);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - text) : limit;
}

}  // namespace

RequesterState* requester_state() {
    if (!state) state = static_cast<RequesterState*>(make_state_block(sizeof(RequesterState), nullptr));
    return state;
}

char* begin_file_request(bool open_mode, bool multi, size_t* size) {
    RequesterState* s = requester_state();
    if (size) *size = 0;
    if (!s) return nullptr;
    // A save dialog leaves a pending multi-selection alone, unless this call
    // needs the multi-selection buffer itself.
    if (s->multi && (open_mode || multi)) drop_multi_selection(s);
    runtime_free(s->single);
    s->single = nullptr;

    size_t bytes = multi ? REQUESTER_MULTI_SIZE : REQUESTER_PATH_SIZE;
    char* buffer = static_cast<char*>(runtime_alloc(bytes));
    if (!buffer) return nullptr;
    if (multi) s->multi = buffer;
    else s->single = buffer;
    if (size) *size = bytes;
    return buffer;
}

char* make_requester_filter(const char* pattern) {
    if (!pattern) pattern = empty_text;
    size_t length = std::strlen(pattern);
    char* filter = static_cast<char*>(runtime_alloc(length + 3));
    if (!filter) return nullptr;
    for (size_t i = 0; i < length; ++i) filter[i] = pattern[i] == '|' ? '\0' : pattern[i];
    return filter;
}

bool acceptable_file_name(const char* name) {
    if (!name || !*name) return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
        if (*p < 32 || std::strchr("\"\\/:*?<>|", *p)) return false;
    return true;
}

char* split_default_file(const char* default_file, char* buffer, size_t size) {
    if (!default_file || !buffer || size == 0) return nullptr;
    size_t length = std::strlen(default_file);
    size_t cut = 0;  // position of the separating '\', 0 when there is none
    for (size_t i = length; i-- > 1;)
        if (default_file[i] == '\\') {
            cut = i;
            break;
        }
    const char* name = cut ? default_file + cut + 1 : default_file;

    size_t name_length = std::strlen(name);
    if (name_length > size - 1) name_length = size - 1;
    std::memcpy(buffer, name, name_length);
    buffer[name_length] = '\0';
    if (!acceptable_file_name(name)) buffer[0] = '\0';

    char* directory = static_cast<char*>(runtime_alloc(cut + 1));
    if (directory) std::memcpy(directory, default_file, cut);
    return directory;
}

// A multi-selection name whose full path (directory and name) would not fit
// in the REQUESTER_PATH_SIZE - 1 bytes a path may have is skipped: a cut-off path would name
// some other file, and ending the list early would lose the names after it.
const char* next_selected_file() {
    RequesterState* s = requester_state();
    if (!s || !s->multi || s->offset <= 0) return empty_text;
    size_t directory_length = std::strlen(s->directory);
    for (;;) {
        size_t offset = static_cast<size_t>(s->offset);
        if (offset >= REQUESTER_MULTI_SIZE || s->multi[offset] == '\0') {
            drop_multi_selection(s);
            return empty_text;
        }
        const char* name = s->multi + offset;
        size_t name_length = bounded_length(name, REQUESTER_MULTI_SIZE - offset);
        s->offset = static_cast<int32_t>(offset + name_length + 1);
        if (directory_length + name_length < REQUESTER_PATH_SIZE) {
            std::memcpy(s->result, s->directory, directory_length);
            std::memcpy(s->result + directory_length, name, name_length);
            s->result[directory_length + name_length] = '\0';
            return s->result;
        }
    }
}

const char* finish_file_request(bool confirmed, bool multi) {
    RequesterState* s = requester_state();
    if (!s) return empty_text;
    if (!multi) {
        if (!confirmed || !s->single) return empty_text;
        s->single[REQUESTER_PATH_SIZE - 1] = '\0';
        return s->single;
    }
    if (!confirmed || !s->multi) {
        drop_multi_selection(s);
        return empty_text;
    }

    // The list ends in two NULs; make sure it does within the buffer.
    char* list = s->multi;
    list[REQUESTER_MULTI_SIZE - 1] = list[REQUESTER_MULTI_SIZE - 2] = '\0';
    size_t first_length = std::strlen(list);
    if (first_length == 0) {
        drop_multi_selection(s);
        return empty_text;
    }

    if (list[first_length + 1] == '\0') {
        // One file: the dialog gave its full path alone.
        const char* result = empty_text;
        if (first_length < REQUESTER_PATH_SIZE) {
            std::memcpy(s->result, list, first_length + 1);
            result = s->result;
        }
        drop_multi_selection(s);
        return result;
    }

    // Several files: the directory, then the names.
    bool needs_separator = list[first_length - 1] != '\\';
    size_t directory_length = first_length + (needs_separator ? 1 : 0);
    if (directory_length >= REQUESTER_PATH_SIZE) {
        // No name can follow a directory this long within a path.
        drop_multi_selection(s);
        return empty_text;
    }
    std::memcpy(s->directory, list, first_length);
    if (needs_separator) s->directory[first_length] = '\\';
    s->directory[directory_length] = '\0';
    s->offset = static_cast<int32_t>(first_length + 1);
    return next_selected_file();
}

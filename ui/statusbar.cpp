// The platform-independent half of the status bar: the field array, the
// layout arithmetic and the form of a field's text.
#include "ui/statusbar.h"

#include <cstring>

#include "core/memory.h"

namespace {

constexpr uint32_t STYLE_POPOUT = 0x200;     // SBT_POPOUT
constexpr uint32_t STYLE_NOBORDERS = 0x100;  // SBT_NOBORDERS

int32_t clamp_to_int32(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

bool append_status_field(StatusField** fields, int32_t* count, int32_t* capacity, int32_t width) {
    if (*count >= STATUS_BAR_MAX_FIELDS || *count < 0) return false;
    if (*count >= *capacity || !*fields) {
        int32_t grown = *fields ? *capacity + STATUS_FIELDS_STEP : STATUS_FIELDS_FIRST;
        size_t old_size = *fields ? static_cast<size_t>(*capacity) * sizeof(StatusField) : 0;
        auto* array = static_cast<StatusField*>(
            runtime_realloc(*fields, old_size, static_cast<size_t>(grown) * sizeof(StatusField)));
        if (!array) return false;
        *fields = array;
        *capacity = grown;
    }
    StatusField& field = (*fields)[*count];
    std::memset(&field, 0, sizeof field);
    field.kind = STATUS_FIELD_TEXT;
    field.width = width;
    ++*count;
    return true;
}

void status_field_edges(const StatusField* fields, int32_t count, int32_t left, int32_t usable_right,
                        int32_t* edges) {
    // 64-bit sums: 256 fields of any 32-bit width cannot overflow them.
    int64_t fixed = 0;
    int64_t shared = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (fields[i].width == IGNORE_ARG) ++shared;
        else fixed += fields[i].width;
    }
    int64_t share = shared ? (int64_t{usable_right} - left - fixed) / shared : 0;
    int64_t edge = 0;
    for (int32_t i = 0; i < count; ++i) {
        edge += fields[i].width == IGNORE_ARG ? share : fields[i].width;
        edges[i] = clamp_to_int32(edge);
    }
}

uint32_t status_text_style(int32_t flags) {
    if (flags & STATUS_RAISED) return STYLE_POPOUT;
    if (flags & STATUS_BORDERLESS) return STYLE_NOBORDERS;
    return 0;
}

char* status_text_form(const char* text, int32_t flags, int themed) {
    if (!(flags & (STATUS_CENTRED | STATUS_RIGHT))) return nullptr;
    if (!text) text = "";
    size_t length = std::strlen(text);
    bool centred = (flags & STATUS_CENTRED) != 0;
    char* form = static_cast<char*>(runtime_alloc(length + (centred ? 2 : 7)));
    if (!form) return nullptr;
    char* p = form;
    *p++ = '\t';
    if (!centred) *p++ = '\t';
    std::memcpy(p, text, length);
    p += length;
    // Themed status windows draw right-aligned text against the edge.
    if (!centred && themed) std::memcpy(p, "    ", 4);
    return form;
}

// Status bars: the platform's status window docked at the bottom of a
// window, divided into fields of fixed or shared width, each showing a text
// with an appearance.  The toolkit keeps the field layout itself and applies
// it again whenever the parent's client size changes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/registry.h"  // AUTO_ID, IGNORE_ARG

// status_bar_text appearance flags.
constexpr int32_t STATUS_RAISED = 1;      // else the default sunken border
constexpr int32_t STATUS_BORDERLESS = 2;  // ignored with STATUS_RAISED
constexpr int32_t STATUS_CENTRED = 4;
constexpr int32_t STATUS_RIGHT = 8;       // ignored with STATUS_CENTRED

constexpr int32_t STATUS_BAR_MAX_FIELDS = 256;
// The status window's own simple-mode part: text sent there never shows in
// a field, so the 256th field can be laid out but carries no text.
constexpr int32_t STATUS_SIMPLE_PART = 255;

// Start-up: the status-bar registry and state.  create_status_bar runs it
// itself when it has not run yet.
void init_status_bars();

// parent: the window's handle (an HWND's value).  Returns the record's handle
// for AUTO_ID (which is then the id), the status window's HWND for a number,
// 0 on failure.  The new status bar becomes the current one.
int64_t create_status_bar(int64_t id, int64_t parent);

// Appends a field to the current status bar: a width in pixels, or
// IGNORE_ARG to share the width the fixed fields leave.
void add_status_bar_field(int32_t width);

// text may be null (an empty text).  A field index outside the bar's fields
// (or STATUS_SIMPLE_PART) does nothing.
void status_bar_text(int64_t id, int32_t field, const char* text, int32_t flags = 0);

// A field's new width (as add_status_bar_field takes it), applied at once.
void set_status_bar_field_width(int64_t id, int32_t field, int32_t width);
void free_status_bar(int64_t id);  // -1 frees every status bar

// ---------------------------------------------------------------------------
// The platform-independent half, shared by the status bar code and the tests.

constexpr int32_t STATUS_FIELD_TEXT = 0;

struct StatusField {
    int32_t kind;   // STATUS_FIELD_TEXT
    int32_t width;  // pixels, or IGNORE_ARG: a share of what is left
    int32_t flags;  // as last passed to status_bar_text
    int32_t unused[9];  // zero for text fields
};
static_assert(sizeof(StatusField) == 48);

constexpr int32_t STATUS_FIELDS_FIRST = 8;  // the array starts with room for 8
constexpr int32_t STATUS_FIELDS_STEP = 8;   // and grows by 8

// Appends a text field, growing the runtime-heap array when it is full.
// False, with nothing changed, at STATUS_BAR_MAX_FIELDS or when the array
// cannot grow.
bool append_status_field(StatusField** fields, int32_t* count, int32_t* capacity, int32_t width);

// The right edges of the fields for a bar whose client area runs from `left`
// to `usable_right`: fixed fields keep their widths, the shared ones split
// what is left (the division truncates).  Writes `count` edges.
void status_field_edges(const StatusField* fields, int32_t count, int32_t left, int32_t usable_right,
                        int32_t* edges);

// The status window's style bits for the appearance flags
// (0x200 raised, 0x100 borderless).
uint32_t status_text_style(int32_t flags);

// The text as the status window gets it: after one TAB when centred, after
// two TABs (and before four spaces when themed) when right-aligned.  Null
// when the flags ask for neither (the text goes as it is) or memory runs
// out; otherwise a runtime-heap block for the caller to free.
char* status_text_form(const char* text, int32_t flags, int themed);

// The registry of status bars, for the toolkit and its tests.
ObjectRegistry* status_bar_registry();

// Gadget machinery shared by the kinds.  Includes <windows.h>.
#pragma once

#include <string>

#include "ui/gadgets.h"
#include "ui/window_internal.h"

#include <commctrl.h>

struct GadgetRecord;

// One table per kind, filled when the first gadget of the kind is made; a
// null entry selects the default behaviour.
struct GadgetKind {
    int32_t kind;
    int32_t size;
    LRESULT (*parent_message)(GadgetRecord* g, HWND parent, UINT message, WPARAM w, LPARAM l);
    void (*free)(GadgetRecord* g);
    int64_t (*get_state)(GadgetRecord* g);
    void (*set_state)(GadgetRecord* g, int64_t value);
    std::string (*get_text)(GadgetRecord* g);
    void (*set_text)(GadgetRecord* g, const char* text);
    void (*resize)(GadgetRecord* g, int32_t x, int32_t y, int32_t width, int32_t height);
    int32_t (*get_x)(GadgetRecord* g);
    int32_t (*get_y)(GadgetRecord* g);
    int32_t (*get_width)(GadgetRecord* g);
    int32_t (*get_height)(GadgetRecord* g);
    void (*hide)(GadgetRecord* g, int32_t hide);
    int64_t (*get_attribute)(GadgetRecord* g, int32_t which);
    void (*set_attribute)(GadgetRecord* g, int32_t which, int64_t value);
    void (*set_color)(GadgetRecord* g, int32_t which, int64_t color);
    int64_t (*get_color)(GadgetRecord* g, int32_t which);
    void (*required_size)(GadgetRecord* g, int32_t* width, int32_t* height);
};

struct GadgetRecord {
    HWND handle;  // the main control; 0: the record is free
    const GadgetKind* kind;
    int64_t reserved;  // image: its pointer tracking state, once asked for
    WNDPROC previous_proc;
    // Per kind.  Image: the image shown, its premultiplied copy, drag armed,
    // press point.  Spin: back colour, front colour, back brush, up-down.
    int64_t field1, field2, field3, field4;
};

ObjectRegistry* gadget_registry();
GadgetRecord* find_gadget(int64_t id);
HWND gadget_list_window();
HFONT gadget_font();

// Takes the record of a new gadget; *id becomes its handle for AUTO_ID.
GadgetRecord* take_gadget_record(int64_t* id);
// Binds a created control to its record: subclass, control id, "Qz_ID", font.
// Returns what the creator returns (the handle for AUTO_ID, else the HWND).
int64_t attach_gadget(GadgetRecord* g, int64_t id, bool automatic, HWND control, const GadgetKind* kind);
// Creates a control into the current list and registers it; 0 on failure.
int64_t create_gadget(int64_t id, const GadgetKind* kind, DWORD ex_style, const char* class_name, const char* text,
                      DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, WNDPROC replace_proc = nullptr,
                      WNDPROC* replaced = nullptr);

// EVENT_GADGET from a control: object = its control id, window = its toolkit window.
void raise_gadget_event(HWND control, int64_t type);

// The brush cache of the spin colours, under the library's critical section.
HBRUSH take_color_brush(int32_t color);
void release_color_brush(HBRUSH brush);
int32_t color_brush_count();

void generic_resize(GadgetRecord* g, int32_t x, int32_t y, int32_t width, int32_t height);
RECT rect_in_parent(HWND control);
void end_tooltips();

// The kinds' tables.
const GadgetKind* image_kind();
int64_t tooltip_handle();  // the shared tooltip window, 0 before the first tooltip

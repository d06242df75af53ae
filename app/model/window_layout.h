// The main window's layout at any DPI and client size, free of any platform
// call: where the two pictures, the column between them and the rows of
// buttons under them go.  Every designed length (in pixels at 96 DPI) goes
// through scale_length; the pictures are in device pixels of their own.
#pragma once

#include <cstdint>

constexpr int32_t DESIGN_DPI = 96;
constexpr int32_t DESIGN_SHOWN_SIZE = 600;  // the pictures' side wherever the window has room for it
constexpr int32_t MIN_SHOWN_SIZE = 240;

struct LayoutRect {
    int32_t x, y, width, height;
};

// The controls in the main window's creation order.
enum LayoutControl {
    LAYOUT_LEFT_PICTURE, LAYOUT_RIGHT_PICTURE, LAYOUT_LOAD, LAYOUT_RADIUS_FRAME, LAYOUT_START, LAYOUT_SAVE_PNG,
    LAYOUT_OUTER_ALPHA, LAYOUT_INNER_ALPHA, LAYOUT_BACK_COLOR, LAYOUT_X_PLUS, LAYOUT_Y_PLUS, LAYOUT_X_MINUS,
    LAYOUT_Y_MINUS, LAYOUT_XY_PLUS, LAYOUT_XY_MINUS, LAYOUT_SAVE_JPG, LAYOUT_RADIUS_SPIN, LAYOUT_STEP_X_SPIN,
    LAYOUT_STEP_Y_SPIN, LAYOUT_STEP_XY_SPIN, LAYOUT_CONTROL_COUNT
};

struct WindowLayout {
    int32_t dpi;
    int32_t client_width, client_height;
    int32_t shown;  // both pictures' side
    int32_t rows;   // 1: the buttons in one row as designed; 2: the picture buttons above the others
    LayoutRect controls[LAYOUT_CONTROL_COUNT];
    int32_t status_top;  // the controls end above this; the status bar fills the rest
};

// length * dpi / 96, rounded to the nearest pixel (a dpi below 1 counts as 96).
int32_t scale_length(int32_t length, int32_t dpi);

// The smallest side the pictures take at this DPI: 240, or more where the
// column of trackbars beside them needs it.
int32_t min_shown_size(int32_t dpi);

// Everything laid out in a client of this size: the pictures as large as
// the client allows (never below min_shown_size, so a client smaller than
// min_client_size is overrun).
WindowLayout layout_for_client(int32_t dpi, int32_t width, int32_t height);

// The client that shows the pictures at `shown` and holds the rest.
WindowLayout layout_for_shown(int32_t dpi, int32_t shown);
void min_client_size(int32_t dpi, int32_t* width, int32_t* height);

// The first layout of the window: pictures of 600 when the window with its
// frame (frame_width and frame_height: outer size minus client) fits the
// work area, else of the largest side that fits, else of min_shown_size.
WindowLayout opening_layout(int32_t dpi, int32_t work_width, int32_t work_height, int32_t frame_width,
                            int32_t frame_height);

// A length (a pointer's place or offset) in pixels of pictures shown at
// `shown` as pixels of the 600 canvas the square's arithmetic works on,
// rounded to the nearest: a drag across the whole picture is one side.
int32_t shown_to_canvas(int32_t length, int32_t shown);

// A window's rectangle moved (not resized, unless it is larger) to lie
// inside the work area; centred on it when `centre`.
LayoutRect place_in_work_area(const LayoutRect& window, const LayoutRect& work, bool centre);

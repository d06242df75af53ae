#include "app/model/window_layout.h"

namespace {

// A control as designed at 96 DPI: x (from its group's anchor), y (from its
// row's top), width and height.
struct Designed {
    LayoutControl control;
    int32_t x, y, width, height;
};

// The buttons and spins under the left picture, from the client's left edge.
constexpr Designed PICTURE_ROW[] = {
    {LAYOUT_X_PLUS, 10, 0, 30, 30},       {LAYOUT_STEP_X_SPIN, 50, 10, 50, 20}, {LAYOUT_X_MINUS, 110, 0, 30, 30},
    {LAYOUT_Y_PLUS, 170, 0, 30, 30},      {LAYOUT_STEP_Y_SPIN, 210, 10, 50, 20}, {LAYOUT_Y_MINUS, 270, 0, 30, 30},
    {LAYOUT_XY_PLUS, 340, 0, 30, 30},     {LAYOUT_STEP_XY_SPIN, 380, 10, 50, 20}, {LAYOUT_XY_MINUS, 440, 0, 30, 30},
};
constexpr int32_t PICTURE_ROW_END = 470;
// The buttons under the right picture, from OUTPUT_ROW_ANCHOR left of the
// client's right edge.
constexpr Designed OUTPUT_ROW[] = {
    {LAYOUT_LOAD, 0, 0, 90, 30},       {LAYOUT_BACK_COLOR, 120, 0, 90, 30}, {LAYOUT_START, 240, 0, 90, 30},
    {LAYOUT_SAVE_JPG, 360, 0, 100, 30}, {LAYOUT_SAVE_PNG, 490, 0, 100, 30},
};
constexpr int32_t OUTPUT_ROW_ANCHOR = 610;
constexpr int32_t OUTPUT_ROW_END = 590;

constexpr int32_t MARGIN = 10;        // around the client and between the pictures and the column
constexpr int32_t COLUMN_WIDTH = 90;  // the radius frame and the two trackbars
constexpr int32_t TRACKBARS_TOP = 110;
constexpr int32_t MIN_TRACKBAR = 40;
constexpr int32_t ROW_HEIGHT = 30;
constexpr int32_t ROW_GAP = 10;
constexpr int32_t STATUS_ROOM = 30;   // below the last row: the status bar and a gap

struct Lengths {
    int32_t margin, column, row, row_gap, status;
};

Lengths lengths(int32_t dpi) {
    return {scale_length(MARGIN, dpi), scale_length(COLUMN_WIDTH, dpi), scale_length(ROW_HEIGHT, dpi),
            scale_length(ROW_GAP, dpi), scale_length(STATUS_ROOM, dpi)};
}

// Whether both rows of buttons fit side by side in this client width.
bool one_row(int32_t dpi, int32_t width) {
    return scale_length(PICTURE_ROW_END, dpi) + scale_length(MARGIN, dpi) <=
           width - scale_length(OUTPUT_ROW_ANCHOR, dpi);
}

int32_t width_for_shown(int32_t dpi, int32_t shown) {
    const Lengths l = lengths(dpi);
    const int32_t pictures = 2 * shown + 4 * l.margin + l.column;
    // The output row, from its anchor, with the margins right of it.
    const int32_t outputs = scale_length(MARGIN, dpi) + scale_length(OUTPUT_ROW_ANCHOR, dpi);
    return pictures > outputs ? pictures : outputs;
}

// The height below the pictures: the gap, the rows and the status bar's room.
int32_t height_below(int32_t dpi, int32_t rows) {
    const Lengths l = lengths(dpi);
    return l.margin + rows * l.row + (rows - 1) * l.row_gap + l.status;
}

void place_row(WindowLayout* layout, const Designed* row, int count, int32_t anchor, int32_t top) {
    const int32_t dpi = layout->dpi;
    for (int i = 0; i < count; ++i) {
        const Designed& d = row[i];
        layout->controls[d.control] = {anchor + scale_length(d.x, dpi), top + scale_length(d.y, dpi),
                                       scale_length(d.width, dpi), scale_length(d.height, dpi)};
    }
}

}  // namespace

int32_t scale_length(int32_t length, int32_t dpi) {
    if (dpi < 1) dpi = DESIGN_DPI;
    const int64_t scaled = int64_t{length} * dpi;
    return static_cast<int32_t>(scaled >= 0 ? (scaled + DESIGN_DPI / 2) / DESIGN_DPI
                                            : -((-scaled + DESIGN_DPI / 2) / DESIGN_DPI));
}

int32_t min_shown_size(int32_t dpi) {
    // The trackbars run from TRACKBARS_TOP to the pictures' bottom edge.
    const int32_t column = scale_length(TRACKBARS_TOP + MIN_TRACKBAR, dpi) - scale_length(MARGIN, dpi);
    return column > MIN_SHOWN_SIZE ? column : MIN_SHOWN_SIZE;
}

WindowLayout layout_for_client(int32_t dpi, int32_t width, int32_t height) {
    if (dpi < 1) dpi = DESIGN_DPI;
    WindowLayout layout{};
    layout.dpi = dpi;
    layout.client_width = width;
    layout.client_height = height;
    layout.rows = one_row(dpi, width) ? 1 : 2;
    const Lengths l = lengths(dpi);
    const int32_t by_width = (width - 4 * l.margin - l.column) / 2;
    const int32_t by_height = height - l.margin - height_below(dpi, layout.rows);
    int32_t shown = by_width < by_height ? by_width : by_height;
    if (shown < min_shown_size(dpi)) shown = min_shown_size(dpi);
    layout.shown = shown;

    LayoutRect* c = layout.controls;
    c[LAYOUT_LEFT_PICTURE] = {l.margin, l.margin, shown, shown};
    c[LAYOUT_RIGHT_PICTURE] = {width - l.margin - shown, l.margin, shown, shown};
    const int32_t column = l.margin + shown + l.margin;
    c[LAYOUT_RADIUS_FRAME] = {column, scale_length(50, dpi), l.column, scale_length(50, dpi)};
    c[LAYOUT_RADIUS_SPIN] = {column + scale_length(10, dpi), scale_length(70, dpi), scale_length(70, dpi),
                             scale_length(20, dpi)};
    const int32_t trackbars_top = scale_length(TRACKBARS_TOP, dpi);
    const int32_t trackbar_height = l.margin + shown - trackbars_top;
    c[LAYOUT_OUTER_ALPHA] = {column, trackbars_top, scale_length(40, dpi), trackbar_height};
    c[LAYOUT_INNER_ALPHA] = {column + scale_length(50, dpi), trackbars_top, scale_length(40, dpi), trackbar_height};

    const int32_t first_row = l.margin + shown + l.margin;
    const int32_t output_row = layout.rows == 1 ? first_row : first_row + l.row + l.row_gap;
    place_row(&layout, PICTURE_ROW, static_cast<int>(sizeof PICTURE_ROW / sizeof PICTURE_ROW[0]), 0, first_row);
    place_row(&layout, OUTPUT_ROW, static_cast<int>(sizeof OUTPUT_ROW / sizeof OUTPUT_ROW[0]),
              width - scale_length(OUTPUT_ROW_ANCHOR, dpi), output_row);
    layout.status_top = output_row + l.row;
    return layout;
}

WindowLayout layout_for_shown(int32_t dpi, int32_t shown) {
    if (dpi < 1) dpi = DESIGN_DPI;
    if (shown < min_shown_size(dpi)) shown = min_shown_size(dpi);
    const int32_t width = width_for_shown(dpi, shown);
    const int32_t rows = one_row(dpi, width) ? 1 : 2;
    return layout_for_client(dpi, width, scale_length(MARGIN, dpi) + shown + height_below(dpi, rows));
}

void min_client_size(int32_t dpi, int32_t* width, int32_t* height) {
    const WindowLayout smallest = layout_for_shown(dpi, min_shown_size(dpi));
    *width = smallest.client_width;
    *height = smallest.client_height;
}

WindowLayout opening_layout(int32_t dpi, int32_t work_width, int32_t work_height, int32_t frame_width,
                            int32_t frame_height) {
    for (int32_t shown = DESIGN_SHOWN_SIZE; shown > min_shown_size(dpi); --shown) {
        const WindowLayout layout = layout_for_shown(dpi, shown);
        if (layout.client_width + frame_width <= work_width && layout.client_height + frame_height <= work_height)
            return layout;
    }
    return layout_for_shown(dpi, min_shown_size(dpi));
}

int32_t shown_to_canvas(int32_t length, int32_t shown) {
    if (shown <= 0 || shown == DESIGN_SHOWN_SIZE) return length;
    const int64_t scaled = int64_t{length} * DESIGN_SHOWN_SIZE;
    const int64_t half = shown / 2;
    return static_cast<int32_t>(scaled >= 0 ? (scaled + half) / shown : -((-scaled + half) / shown));
}

LayoutRect place_in_work_area(const LayoutRect& window, const LayoutRect& work, bool centre) {
    LayoutRect placed = window;
    if (centre) {
        placed.x = work.x + (work.width - window.width) / 2;
        placed.y = work.y + (work.height - window.height) / 2;
    }
    // Past the right or bottom edge: moved back; then the top-left corner
    // stays on the work area even for a window larger than it.
    if (placed.x + placed.width > work.x + work.width) placed.x = work.x + work.width - placed.width;
    if (placed.y + placed.height > work.y + work.height) placed.y = work.y + work.height - placed.height;
    if (placed.x < work.x) placed.x = work.x;
    if (placed.y < work.y) placed.y = work.y;
    return placed;
}

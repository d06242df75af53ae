// Geometry of the toolkit's own sizing loop: which edge an arrow key picks and
// where an edge goes when the pointer moves, bounded by the window's minimum
// and maximum tracking sizes.  Portable; the loop itself is in sizing_win.cpp.
#pragma once

#include <cstdint>

// Sizing edges, as in WMSZ_*: 0 = none chosen yet (sizing from the system menu).
enum SizeEdge : int32_t {
    EDGE_NONE = 0,
    EDGE_LEFT = 1,
    EDGE_RIGHT = 2,
    EDGE_TOP = 3,
    EDGE_TOP_LEFT = 4,
    EDGE_TOP_RIGHT = 5,
    EDGE_BOTTOM = 6,
    EDGE_BOTTOM_LEFT = 7,
    EDGE_BOTTOM_RIGHT = 8,
};

struct SizeRect {
    int32_t left, top, right, bottom;
};

struct SizeLimits {
    int32_t min_width, min_height, max_width, max_height;
};

// Arrow keys (virtual-key codes) and the cursors that show an edge.
constexpr int32_t SIZE_KEY_LEFT = 37, SIZE_KEY_UP = 38, SIZE_KEY_RIGHT = 39, SIZE_KEY_DOWN = 40;
constexpr int32_t CURSOR_SIZE_NWSE = 32642, CURSOR_SIZE_NESW = 32643, CURSOR_SIZE_WE = 32644,
                  CURSOR_SIZE_NS = 32645, CURSOR_SIZE_ALL = 32646;

// Pixels one arrow press moves an edge.
constexpr int32_t SIZE_KEY_STEP = 10;

struct EdgeChoice {
    bool chosen;     // false: the key moves the chosen edge instead
    int32_t edge;    // the new edge
    int32_t x, y;    // where the cursor goes
    int32_t cursor;  // the cursor shown there
};

// The edge an arrow key picks from the current one, given the rectangle and
// the cursor position (px, py).  Not chosen when the key does not pick an edge.
EdgeChoice choose_size_edge(int32_t edge, int32_t key, const SizeRect& r, int32_t px, int32_t py);

// The cursor position after one arrow press that moves the current edge.
void step_size_cursor(int32_t key, int32_t* x, int32_t* y);

// Moves the given edge of r to the screen point (x, y), keeping the size
// within the limits.
void move_size_edge(SizeRect* r, int32_t edge, int32_t x, int32_t y, const SizeLimits& limits);

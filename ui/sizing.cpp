#include "ui/sizing.h"

namespace {

bool is_left(int32_t e) { return e == EDGE_LEFT || e == EDGE_TOP_LEFT || e == EDGE_BOTTOM_LEFT; }
bool is_right(int32_t e) { return e == EDGE_RIGHT || e == EDGE_TOP_RIGHT || e == EDGE_BOTTOM_RIGHT; }
bool is_top(int32_t e) { return e == EDGE_TOP || e == EDGE_TOP_LEFT || e == EDGE_TOP_RIGHT; }
bool is_bottom(int32_t e) { return e == EDGE_BOTTOM || e == EDGE_BOTTOM_LEFT || e == EDGE_BOTTOM_RIGHT; }

EdgeChoice pick(int32_t edge, int32_t x, int32_t y, int32_t cursor) { return {true, edge, x, y, cursor}; }

// The far edge stays; the moving one is pulled back within [min, max].
// Widths are computed in 64 bits so that extreme coordinates cannot overflow.
int32_t clamp_low(int32_t low, int32_t high, int32_t min_size, int32_t max_size) {
    const int64_t size = int64_t{high} - low;
    if (size < min_size) return static_cast<int32_t>(int64_t{high} - min_size);
    if (size > max_size) return static_cast<int32_t>(int64_t{high} - max_size);
    return low;
}

int32_t clamp_high(int32_t low, int32_t high, int32_t min_size, int32_t max_size) {
    const int64_t size = int64_t{high} - low;
    if (size < min_size) return static_cast<int32_t>(int64_t{low} + min_size);
    if (size > max_size) return static_cast<int32_t>(int64_t{low} + max_size);
    return high;
}

}  // namespace

EdgeChoice choose_size_edge(int32_t edge, int32_t key, const SizeRect& r, int32_t px, int32_t py) {
    switch (key) {
    case SIZE_KEY_LEFT:
        if (edge == EDGE_NONE) return pick(EDGE_LEFT, r.left, py, CURSOR_SIZE_WE);
        if (edge == EDGE_TOP) return pick(EDGE_TOP_LEFT, r.left + 2, r.top + 2, CURSOR_SIZE_NWSE);
        if (edge == EDGE_BOTTOM) return pick(EDGE_BOTTOM_LEFT, r.left, r.bottom - 2, CURSOR_SIZE_NESW);
        break;
    case SIZE_KEY_UP:
        if (edge == EDGE_NONE) return pick(EDGE_TOP, px, r.top - 2, CURSOR_SIZE_NS);
        if (edge == EDGE_RIGHT) return pick(EDGE_TOP_RIGHT, r.right - 2, r.top, CURSOR_SIZE_NESW);
        if (edge == EDGE_LEFT) return pick(EDGE_TOP_LEFT, r.left + 2, r.top + 2, CURSOR_SIZE_NWSE);
        break;
    case SIZE_KEY_RIGHT:
        if (edge == EDGE_NONE) return pick(EDGE_RIGHT, r.right - 2, py, CURSOR_SIZE_WE);
        if (edge == EDGE_TOP) return pick(EDGE_TOP_RIGHT, r.right - 2, r.top, CURSOR_SIZE_NESW);
        if (edge == EDGE_BOTTOM) return pick(EDGE_BOTTOM_RIGHT, r.right - 2, r.bottom - 2, CURSOR_SIZE_NWSE);
        break;
    case SIZE_KEY_DOWN:
        if (edge == EDGE_NONE) return pick(EDGE_BOTTOM, px, r.bottom - 2, CURSOR_SIZE_NS);
        if (edge == EDGE_RIGHT) return pick(EDGE_BOTTOM_RIGHT, r.right - 2, r.bottom - 2, CURSOR_SIZE_NWSE);
        if (edge == EDGE_LEFT) return pick(EDGE_BOTTOM_LEFT, r.left, r.bottom - 2, CURSOR_SIZE_NESW);
        break;
    default:
        break;
    }
    return {false, edge, px, py, 0};
}

void step_size_cursor(int32_t key, int32_t* x, int32_t* y) {
    switch (key) {
    case SIZE_KEY_LEFT: *x -= SIZE_KEY_STEP; break;
    case SIZE_KEY_RIGHT: *x += SIZE_KEY_STEP; break;
    case SIZE_KEY_UP: *y -= SIZE_KEY_STEP; break;
    case SIZE_KEY_DOWN: *y += SIZE_KEY_STEP; break;
    default: break;
    }
}

void move_size_edge(SizeRect* r, int32_t edge, int32_t x, int32_t y, const SizeLimits& limits) {
    if (is_left(edge)) {
        r->left = edge == EDGE_TOP_LEFT ? x - 2 : x;
        r->left = clamp_low(r->left, r->right, limits.min_width, limits.max_width);
    } else if (is_right(edge)) {
        r->right = x + 2;
        r->right = clamp_high(r->left, r->right, limits.min_width, limits.max_width);
    }
    if (is_top(edge)) {
        r->top = edge == EDGE_TOP_LEFT ? y - 2 : y;
        r->top = clamp_low(r->top, r->bottom, limits.min_height, limits.max_height);
    } else if (is_bottom(edge)) {
        r->bottom = y + 2;
        r->bottom = clamp_high(r->top, r->bottom, limits.min_height, limits.max_height);
    }
}

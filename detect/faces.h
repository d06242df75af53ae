// Finding faces in a picture: portable pixel code, no platform call.
#pragma once

#include <cstdint>

#include "detect/cascade.h"

struct FaceBox {
    int32_t x, y, width, height;  // top-left corner and size, in the picture's pixels, rows top-down
};

enum FaceKind { FACE_NONE, FACE_PERSON, FACE_CAT };

// The longest side a picture is reduced to before it is searched.
constexpr int32_t FACE_SEARCH_SIDE = 640;

// Every object the cascade finds in an 8-bit grey picture (rows top-down,
// `stride` bytes apart): windows at scales 1.1 apart, the hits that overlap
// grouped, each group of at least 3 hits one box.  Writes at most `capacity`
// boxes, largest first, and returns how many there are (0 when memory runs
// out).
int32_t detect_objects(const Cascade& cascade, const uint8_t* grey, int64_t stride, int32_t width, int32_t height,
                       FaceBox* boxes, int32_t capacity);

// The grey picture the search runs on: a picture of 3 or 4 bytes per pixel
// (blue, green, red first), rows in memory order `stride` bytes apart and
// bottom-up when `bottom_up`, reduced by area average so that its longest
// side is at most FACE_SEARCH_SIDE, rows top-down.  Null when memory runs
// out; the caller frees it with std::free.
uint8_t* face_search_picture(const uint8_t* pixels, int64_t stride, int32_t width, int32_t height,
                             int32_t bytes_per_pixel, bool bottom_up, int32_t* grey_width, int32_t* grey_height);

// The largest person's face in such a picture or, when there is none, the
// largest cat's face, mapped back to the picture's pixels.
FaceKind find_face(const uint8_t* pixels, int64_t stride, int32_t width, int32_t height, int32_t bytes_per_pixel,
                   bool bottom_up, FaceBox* face);

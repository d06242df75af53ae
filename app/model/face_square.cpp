#include "app/model/face_square.h"

#include <algorithm>
#include <cmath>

CropSquare square_on_face(int64_t face_x, int64_t face_y, int64_t face_width, int64_t face_height, int64_t width,
                          int64_t height) {
    const int64_t face = std::max(face_width, face_height);
    const int64_t shorter = std::max<int64_t>(0, std::min(width, height));
    const int64_t side = std::min(std::max(face * 22 / 10, face), shorter);
    // Twice the coordinates, so that the centres stay whole.
    const int64_t centre_x2 = 2 * face_x + face_width, centre_y2 = 2 * face_y + face_height;
    int64_t x = static_cast<int64_t>(std::floor((centre_x2 - side) / 2.0 + 0.5));
    int64_t y = static_cast<int64_t>(std::floor(centre_y2 / 2.0 - 0.45 * side + 0.5));
    x = std::clamp<int64_t>(x, 0, width - side > 0 ? width - side : 0);
    y = std::clamp<int64_t>(y, 0, height - side > 0 ? height - side : 0);
    return CropSquare{x, y, side};
}

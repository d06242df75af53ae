#include "app/picture/face_find.h"

#include "app/model/face_square.h"
#include "detect/faces.h"
#include "image/image.h"

bool find_face_square(int64_t image, CropSquare* square) {
    BitmapInfo info{};
    const uint8_t* bits = image_bits(image, &info);
    if (!bits || (info.bits_per_pixel != 24 && info.bits_per_pixel != 32)) return false;
    FaceBox face{};
    if (find_face(bits, info.stride, info.width, info.height, info.bits_per_pixel / 8, true, &face) == FACE_NONE)
        return false;
    *square = square_on_face(face.x, face.y, face.width, face.height, info.width, info.height);
    return true;
}

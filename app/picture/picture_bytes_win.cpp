// Decoding an encoded picture held in memory: JPEG and PNG through our own
// decoders, anything else (or what they decline) with GDI+, through a
// stream on a global memory block; upright by its EXIF orientation either
// way.  The one place a pasted PNG is decoded.
#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <cstring>

#include "app/picture/picture_bytes.h"

#include "app/picture/decode.h"
#include "app/picture/gdiplus_codes.h"
#include "app/picture/gdiplus_win.h"
#include "codecs/orientation.h"
#include "core/dynlib.h"
#include "core/registry.h"
#include "image/drawing.h"
#include "image/image.h"

namespace {

// A stream over a copy of the bytes; the stream frees the copy.
IStream* stream_over_copy(const uint8_t* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* memory = GlobalLock(block);
    if (!memory) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(memory, data, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    return stream;
}

// The decoded bitmap drawn into a new image of its size, as a file load does.
int64_t draw_into_new_image(int64_t lib, void* bitmap) {
    UINT32 width = 0, height = 0;
    INT32 format = 0;
    call_function(lib, "GdipGetImageWidth", bitmap, &width);
    call_function(lib, "GdipGetImageHeight", bitmap, &height);
    call_function(lib, "GdipGetImagePixelFormat", bitmap, &format);
    if (width == 0 || height == 0 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE) return 0;
    const int64_t image = create_image(AUTO_ID, static_cast<int32_t>(width), static_cast<int32_t>(height),
                                       static_cast<int32_t>(depth_for_pixel_format(format)));
    const int64_t hdc = image ? start_drawing(image_output(image)) : 0;
    if (!hdc) {
        if (image) free_image(image);
        return 0;
    }
    void* graphics = nullptr;
    call_function(lib, "GdipCreateFromHDC", hdc, &graphics);
    // Blended over the new image's black content.
    const int64_t status = graphics ? call_function(lib, "GdipDrawImageRectI", graphics, bitmap, 0, 0,
                                                    static_cast<int32_t>(width), static_cast<int32_t>(height))
                                    : 1;
    if (graphics) call_function(lib, "GdipDeleteGraphics", graphics);
    stop_drawing();
    if (static_cast<int32_t>(status) != 0) {
        free_image(image);
        return 0;
    }
    return image;
}

}  // namespace

int64_t decode_picture_bytes(const uint8_t* data, size_t size) {
    if (!data || size == 0 || size > 0x7FFFFFFF) return 0;
    PictureProblem problem = PictureProblem::NONE;
    if (const int64_t ours = decode_picture(data, size, &problem)) return ours;
    if (problem != PictureProblem::NONE) return 0;  // refused: no other decoder's time
    const int32_t orientation = read_orientation(data, size);
    IStream* stream = stream_over_copy(data, size);
    if (!stream) return 0;
    int64_t image = 0;
    GdiplusSession session;
    if (start_gdiplus(&session)) {
        void* bitmap = nullptr;
        call_function(session.lib, "GdipCreateBitmapFromStream", stream, &bitmap);
        turn_upright(session, bitmap, orientation);
        if (bitmap) {
            image = draw_into_new_image(session.lib, bitmap);
            call_function(session.lib, "GdipDisposeImage", bitmap);
        }
        end_gdiplus(&session);
    }
    // GDI+ may read the stream until the bitmap is gone.
    stream->Release();
    return image;
}

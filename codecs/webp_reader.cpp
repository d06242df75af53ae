#include "codecs/webp_reader.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "codecs/claimed_size.h"
#include "codecs/jpeg_reader.h"  // MAX_DECODE_SIDE
#include "codecs/png_reader.h"   // over_black

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

constexpr int32_t BAND = 16;  // rows placed at once

// Rows of 4-byte blue-green-red-alpha (or 3-byte) pixels, placed upright
// over black a band at a time, through a band of BAND rows of the caller's.
void place_rows(const Placement& placement, const uint8_t* pixels, size_t stride, int32_t width, int32_t height,
                bool alpha, uint8_t* bgr) {
    const size_t band_stride = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; y += BAND) {
        const int32_t count = height - y < BAND ? height - y : BAND;
        const uint8_t* rows = pixels + stride * static_cast<size_t>(y);
        if (!alpha) {
            place_band(placement, y, rows, stride, count, width);
            continue;
        }
        for (int32_t r = 0; r < count; ++r) {
            const uint8_t* row = rows + stride * static_cast<size_t>(r);
            uint8_t* out = bgr + band_stride * static_cast<size_t>(r);
            for (int32_t x = 0; x < width; ++x, row += 4, out += 3) {
                const uint32_t a = row[3];
                out[0] = over_black(row[0], a);
                out[1] = over_black(row[1], a);
                out[2] = over_black(row[2], a);
            }
        }
        place_band(placement, y, bgr, band_stride, count, width);
    }
}

bool make_upright(MakeTarget make, void* context, int32_t width, int32_t height, int32_t orientation,
                  DecodeTarget* target) {
    const bool swap = orientation_swaps_sides(orientation);
    return make(context, swap ? height : width, swap ? width : height, target) && target->top;
}

// The first frame of an animation, drawn on its canvas as a player shows it.
int32_t decode_first_frame(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return 0;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData bytes{data, size};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&bytes, &options);
    if (!decoder) return 0;
    int32_t done = 0;
    WebPAnimInfo info;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    DecodeTarget target{};
    if (WebPAnimDecoderGetInfo(decoder, &info) && info.canvas_width <= MAX_DECODE_SIDE &&
        info.canvas_height <= MAX_DECODE_SIDE && WebPAnimDecoderGetNext(decoder, &canvas, &timestamp) &&
        make_upright(make, context, info.canvas_width, info.canvas_height, orientation, &target)) {
        const auto width = static_cast<int32_t>(info.canvas_width), height = static_cast<int32_t>(info.canvas_height);
        auto* bgr = static_cast<uint8_t*>(WebPMalloc(static_cast<size_t>(width) * 3 * BAND));
        if (bgr) {
            place_rows(make_placement(target, orientation, width, height), canvas, static_cast<size_t>(width) * 4,
                       width, height, true, bgr);
            WebPFree(bgr);
            done = 1;
        }
    }
    WebPAnimDecoderDelete(decoder);
    return done;
}

}  // namespace

bool looks_like_webp(const uint8_t* data, size_t size) {
    return data && size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

const uint8_t* webp_chunk(const uint8_t* data, size_t size, const char* tag, size_t* length) {
    if (!looks_like_webp(data, size) || !tag) return nullptr;
    // The RIFF size may claim more than is there; the bytes at hand bound the walk.
    size_t end = size_t{le32(data + 4)} + 8;
    if (end > size) end = size;
    for (size_t at = 12; at + 8 <= end;) {
        const size_t n = le32(data + at + 4);
        if (n > end - at - 8) return nullptr;
        if (std::memcmp(data + at, tag, 4) == 0) {
            if (length) *length = n;
            return data + at + 8;
        }
        at += 8 + n + (n & 1);
    }
    return nullptr;
}

int32_t decode_webp(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context) {
    if (!looks_like_webp(data, size) || !make) return 0;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) return 0;
    const WebPBitstreamFeatures& features = config.input;
    const int32_t width = features.width, height = features.height;  // an animation's canvas
    if (width < 1 || height < 1 || width > MAX_DECODE_SIDE || height > MAX_DECODE_SIDE) return 0;
    // Data far too short for the size claimed: refused before the picture is made.
    if (!plausible_size(width, height, size)) return 0;
    // libwebp makes an animation's whole canvas at four bytes a pixel before it reads a frame.
    if (features.has_animation && int64_t{width} * height > (int64_t{1} << 28)) return 0;
    if (features.has_animation) return decode_first_frame(data, size, orientation, make, context);

    DecodeTarget target{};
    if (!features.has_alpha && (orientation < 2 || orientation > 8)) {
        // The usual case straight into the target: libwebp writes bottom-up
        // rows itself when told to flip.
        if (!make(context, width, height, &target) || !target.top) return 0;
        const bool bottom_up = target.stride < 0;
        const size_t stride = static_cast<size_t>(bottom_up ? -target.stride : target.stride);
        config.output.colorspace = MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = bottom_up ? target.top + target.stride * (height - 1) : target.top;
        config.output.u.RGBA.stride = static_cast<int>(stride);
        config.output.u.RGBA.size = stride * static_cast<size_t>(height);
        config.options.flip = bottom_up;
        const bool ok = WebPDecode(data, size, &config) == VP8_STATUS_OK;
        WebPFreeDecBuffer(&config.output);
        return ok ? 1 : 0;
    }

    // Alpha to put over black, or rows to turn: decoded whole, then placed.
    config.output.colorspace = features.has_alpha ? MODE_BGRA : MODE_BGR;
    if (WebPDecode(data, size, &config) != VP8_STATUS_OK) {
        WebPFreeDecBuffer(&config.output);
        return 0;
    }
    int32_t done = 0;
    auto* bgr = static_cast<uint8_t*>(WebPMalloc(static_cast<size_t>(width) * 3 * BAND));
    if (bgr && make_upright(make, context, width, height, orientation, &target)) {
        const WebPRGBABuffer& out = config.output.u.RGBA;
        place_rows(make_placement(target, orientation, width, height), out.rgba, static_cast<size_t>(out.stride),
                   width, height, features.has_alpha, bgr);
        done = 1;
    }
    WebPFree(bgr);
    WebPFreeDecBuffer(&config.output);
    return done;
}

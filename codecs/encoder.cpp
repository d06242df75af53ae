#include "codecs/encoder.h"

#include <cstddef>
#include <cstdlib>

#include "core/memory.h"

EncoderTable encoder_table = {};

void register_encoder(EncoderRecord* record) {
    if (!record || encoder_table.count >= MAX_ENCODERS) return;
    encoder_table.records[encoder_table.count++] = record;
}

namespace {

const EncoderRecord* find_encoder(uint32_t format) {
    for (int32_t i = 0; i < encoder_table.count; ++i)
        if (encoder_table.records[i] && encoder_table.records[i]->tag == format) return encoder_table.records[i];
    return nullptr;
}

// Address of memory row `row`; pitches may be negative, so this is done in
// signed pointer arithmetic rather than on 32-bit products.
inline const uint8_t* memory_row(const uint8_t* pixels, int64_t row, int32_t pitch) {
    return pixels + static_cast<ptrdiff_t>(row * pitch);
}

}  // namespace

uint8_t* composite_over_white(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch) {
    if (!pixels || width <= 0 || height <= 0) return nullptr;
    size_t out_pitch = static_cast<size_t>(composite_pitch(width));
    size_t bytes = 0;
    if (!multiply_size(out_pitch, static_cast<size_t>(height), &bytes)) return nullptr;
    // Zero-filled so that the padding at the end of each row is defined.
    auto* block = static_cast<uint8_t*>(std::calloc(1, bytes));
    if (!block) return nullptr;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = memory_row(pixels, y, pitch);
        uint8_t* d = block + static_cast<size_t>(y) * out_pitch;
        for (int32_t x = 0; x < width; ++x, s += 4, d += 3) {
            uint32_t a = s[3];
            d[0] = over_white(s[0], a);
            d[1] = over_white(s[1], a);
            d[2] = over_white(s[2], a);
        }
    }
    return block;
}

int32_t save_pixels(const char* file, const uint8_t* pixels, uint32_t format, int32_t width, int32_t height,
                    int32_t pitch, int32_t source_depth, int32_t layout, int32_t flags, int32_t depth) {
    if (!file || !*file || !pixels) return 0;
    if (format == FORMAT_BMP) return write_bmp(file, pixels, width, height, pitch, layout, flags, depth, source_depth);
    const EncoderRecord* encoder = find_encoder(format);
    if (!encoder || !encoder->write_rgb24) return 0;
    if (source_depth == 24) return encoder->write_rgb24(file, pixels, width, height, pitch, layout, flags, depth);
    if (source_depth != 32) return 0;
    // The composite's pitch has to fit the writer's 32-bit argument.
    if (composite_pitch(width) > INT32_MAX) return 0;
    if (encoder->write_rgba32 && (depth == 32 || depth == -1))
        return encoder->write_rgba32(file, pixels, width, height, pitch, layout, flags, depth);
    uint8_t* composite = composite_over_white(pixels, width, height, pitch);
    if (!composite) return 0;
    int32_t result = encoder->write_rgb24(file, composite, width, height, static_cast<int32_t>(composite_pitch(width)),
                                          layout, flags, depth);
    std::free(composite);
    return result;
}

#include "app/output/output_size.h"

#include <cmath>
#include <cstdlib>

#include "app/model/state.h"
#include "app/output/cutout.h"
#include "app/output/smooth_edge.h"
#include "app/picture/source.h"
#include "image/image.h"
#include "image/square.h"

int64_t effective_output_size(int64_t size) {
    return size >= MIN_OUTPUT_SIZE && size <= MAX_OUTPUT_SIZE ? size : CANVAS_SIZE;
}

namespace {
constexpr double DOUBLED_GAIN = 0.63661977236758134;  // 2 / pi
}

OutputDisc output_disc(int64_t size, int64_t radius) {
    OutputDisc disc{};
    disc.size = size;
    disc.none = radius < 0;
    disc.whole = radius >= CUTOUT_FULL_RADIUS;
    // From here on the radius is below 424, so r * N cannot overflow.
    const int64_t r = disc.none ? 0 : disc.whole ? CUTOUT_FULL_RADIUS : radius;
    // A scale of exactly 1 at the size 600 keeps the preview's own disc,
    // about pixel 299 (half a pixel above and left of the middle).  Other
    // sizes centre it: scaling that offset would leave the ring lopsided.
    const double scale = static_cast<double>(size) / static_cast<double>(CANVAS_SIZE);
    const bool preview = size == CANVAS_SIZE;
    disc.centre = preview ? CUTOUT_CENTRE : (size - 1) / 2;
    disc.doubled = !preview && size % 2 == 0;
    disc.smooth_centre = preview ? static_cast<double>(CUTOUT_CENTRE) + 0.5 : static_cast<double>(size) / 2.0;
    disc.smooth_radius = smooth_disc_radius(r) * scale;
    // The midpoint disc of radius k is about as large as the smooth disc of
    // k + SMOOTH_RADIUS_OFFSET: the one whose size scales as the smooth one.
    // Doubled about a corner it gains a row and a column, 4k + 3 pixels, as
    // much as a radius 2 / pi larger would.
    disc.radius = std::llround(disc.smooth_radius - SMOOTH_RADIUS_OFFSET - (disc.doubled ? DOUBLED_GAIN : 0.0));
    return disc;
}

void compose_output_pixels(const DiscPixels& pixels, int64_t radius, int64_t colour, int64_t inner_alpha,
                           int64_t outer_alpha, int64_t smooth) {
    const uint32_t background = static_cast<uint32_t>(cutout_fill_word(colour, outer_alpha));
    fill_disc_background(pixels, background);
    const OutputDisc disc = output_disc(pixels.size, radius);
    if (disc.none) return;
    if (disc.whole)
        draw_whole_canvas(pixels, inner_alpha);
    else if (smooth)
        draw_smooth_disc(pixels, disc.smooth_centre, disc.smooth_centre, disc.smooth_radius, inner_alpha, background);
    else
        draw_hard_disc(pixels, disc.centre, disc.centre, disc.radius, inner_alpha, disc.doubled);
}

namespace {

// The top row of an image's memory and the step to the row below it.
const uint8_t* top_row(uint8_t* bits, const BitmapInfo& info, ptrdiff_t* step) {
    if (info.height > 0) {
        *step = -static_cast<ptrdiff_t>(info.stride);
        return bits + static_cast<ptrdiff_t>(info.height - 1) * info.stride;
    }
    *step = info.stride;
    return bits;
}

}  // namespace

CutoutLook current_look() {
    return CutoutLook{app.radius, app.background_colour, app.inner_alpha, app.outer_alpha, app.smooth_edge};
}

namespace {

// The square as draw_cutout composes on it: bottom-up rows of crop->bytes
// per pixel, on the C heap (free it with std::free); null when memory runs
// out or the scaling fails.
struct ScaledSquare {
    uint8_t* pixels;
    int32_t bytes;
    size_t stride;
};

ScaledSquare scale_for_size(const PicturePixels& picture, const CropSquare& s, int64_t size) {
    const auto n = static_cast<int32_t>(size);
    const int32_t bpp = picture.bytes_per_pixel;
    const bool shown = picture.top && (bpp == 3 || bpp == 4) &&
                       crop_square_is_grabbable(s, picture.width, picture.height);
    // The square scaled straight from the picture, as the crop image is: the
    // same bytes as a grab then a resize, without a copy of the whole square
    // (a 9000-pixel square would be 243 MB).  Enlarged (other than to the
    // 600 canvas, which stays as the window shows it) through the cubic
    // filter at every depth: the area average would repeat pixels.
    const bool enlarge = size != CANVAS_SIZE && s.side < size;
    const bool cubic = bpp == 4 && alpha_blend_available();
    const int32_t crop_bytes = shown && (enlarge || bpp == 4) ? 4 : 3;
    const size_t crop_stride = static_cast<size_t>(n) * crop_bytes;
    auto* crop = static_cast<uint8_t*>(std::calloc(crop_stride * static_cast<size_t>(n), 1));
    if (!crop) return ScaledSquare{};
    // scale_square takes bottom-up memory: the bottom row and the step up.
    const uint8_t* bottom = shown ? picture.top + static_cast<ptrdiff_t>(picture.height - 1) * picture.step : nullptr;
    const auto side = static_cast<int32_t>(s.side);
    bool made = true;
    if (shown && enlarge)
        made = cubic_square_32(crop, static_cast<int64_t>(crop_stride), n, bottom, -picture.step, picture.width,
                               picture.height, bpp, s.XS, s.YS, side);
    else if (shown)
        made = scale_square(crop, static_cast<int64_t>(crop_stride), n, bottom, -picture.step, picture.width,
                            picture.height, bpp, s.XS, s.YS, side, cubic ? SQUARE_CUBIC : SQUARE_AREA);
    if (!made) {
        std::free(crop);
        return ScaledSquare{};
    }
    return ScaledSquare{crop, crop_bytes, crop_stride};
}

void compose_on(const ScaledSquare& crop, const CutoutLook& look, int64_t size, uint8_t* output,
                ptrdiff_t output_step) {
    DiscPixels pixels{};
    // The crop is bottom-up too.
    pixels.source = crop.pixels + (static_cast<size_t>(size) - 1) * crop.stride;
    pixels.source_step = -static_cast<ptrdiff_t>(crop.stride);
    pixels.source_bytes = crop.bytes;
    pixels.output = output;
    pixels.output_step = output_step;
    pixels.size = size;
    compose_output_pixels(pixels, look.radius, look.colour, look.inner_alpha, look.outer_alpha, look.smooth);
}

}  // namespace

bool draw_cutout(const PicturePixels& picture, const CropSquare& s, const CutoutLook& look, int64_t size,
                 uint8_t* output, ptrdiff_t output_step) {
    if (size < MIN_OUTPUT_SIZE || size > MAX_OUTPUT_SIZE || !output) return false;
    const ScaledSquare crop = scale_for_size(picture, s, size);
    if (!crop.pixels) return false;
    compose_on(crop, look, size, output, output_step);
    std::free(crop.pixels);
    return true;
}

bool draw_shown_pictures(const PicturePixels& picture, const CropSquare& s, const CutoutLook& look, int64_t size,
                         uint8_t* crop_output, ptrdiff_t crop_step, uint8_t* output, ptrdiff_t output_step) {
    if (size < MIN_OUTPUT_SIZE || size > MAX_OUTPUT_SIZE || !output || !crop_output) return false;
    const ScaledSquare crop = scale_for_size(picture, s, size);
    if (!crop.pixels) return false;
    for (int64_t y = 0; y < size; ++y) {
        const uint8_t* from = crop.pixels + static_cast<size_t>(size - 1 - y) * crop.stride;
        auto* to = crop_output + y * crop_step;
        for (int64_t x = 0; x < size; ++x, from += crop.bytes, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = crop.bytes == 4 ? from[3] : 255;
        }
    }
    compose_on(crop, look, size, output, output_step);
    std::free(crop.pixels);
    return true;
}

PicturePixels source_pixels() {
    PicturePixels picture{};
    BitmapInfo from{};
    if (const uint8_t* bits = is_image(app.source_image) ? image_bits(app.source_image, &from) : nullptr) {
        // Bottom-up sections (a positive height) hold the top row last.
        const bool bottom_up = from.height > 0;
        const int32_t rows = bottom_up ? from.height : -from.height;
        picture = PicturePixels{bottom_up ? bits + static_cast<ptrdiff_t>(rows - 1) * from.stride : bits,
                                bottom_up ? -static_cast<ptrdiff_t>(from.stride) : static_cast<ptrdiff_t>(from.stride),
                                from.width, rows, from.bits_per_pixel / 8};
    }
    return picture;
}

int64_t make_output_image(int64_t size) {
    if (size < MIN_OUTPUT_SIZE || size > MAX_OUTPUT_SIZE) return 0;
    const PicturePixels picture = source_pixels();
    const int64_t output = create_image(AUTO_ID, static_cast<int32_t>(size), static_cast<int32_t>(size), 32);
    BitmapInfo to{};
    uint8_t* to_bits = output ? image_bits(output, &to) : nullptr;
    const bool fits = to_bits && to.width == size && (to.height == size || to.height == -size) &&
                      to.bits_per_pixel == 32;
    ptrdiff_t step = 0;
    uint8_t* top = fits ? const_cast<uint8_t*>(top_row(to_bits, to, &step)) : nullptr;
    if (!fits || !draw_cutout(picture, app.crop, current_look(), size, top, step)) {
        if (output) free_image(output);
        return 0;
    }
    return output;
}

int64_t export_image() {
    const int64_t size = effective_output_size(app.output_size);
    // What leaves the tool is never a drag's sampled preview.
    if (size == CANVAS_SIZE && !crop_is_preview()) return app.output_image;
    return make_output_image(size);
}

void release_export_image(int64_t image) {
    if (image > 0 && image != app.output_image) free_image(image);
}

#include "app/output/output_size.h"

#include <cmath>

#include "app/model/state.h"
#include "app/output/cutout.h"
#include "app/output/smooth_edge.h"
#include "app/picture/source.h"
#include "image/image.h"

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

// The crop square at size x size, as grab_crop_square makes it at 600.
int64_t scaled_crop(int64_t size) {
    const auto n = static_cast<int32_t>(size);
    const CropSquare& s = app.crop;
    if (!is_image(app.source_image) || !crop_square_is_grabbable(s, app.source_width, app.source_height))
        return create_image(AUTO_ID, n, n, 24);
    // Scaled straight from the source: the same bytes as a grab then a
    // resize, without a copy of the whole square (a 9000-pixel square would
    // be 243 MB).
    // Enlarged (other than to the 600 canvas, which stays as the window
    // shows it) through the cubic filter at every depth: the area average
    // would repeat pixels.
    const ImageObject* source = find_image(app.source_image);
    const bool enlarge = size != CANVAS_SIZE && s.side < size;
    const int64_t crop = create_image(AUTO_ID, n, n, enlarge || (source && source->depth == 32) ? 32 : 24);
    const auto side = static_cast<int32_t>(s.side);
    if (crop && !(enlarge ? cubic_square_into(crop, app.source_image, s.XS, s.YS, side)
                          : scale_square_into(crop, app.source_image, s.XS, s.YS, side))) {
        free_image(crop);
        return 0;
    }
    return crop;
}

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

int64_t make_output_image(int64_t size) {
    if (size < MIN_OUTPUT_SIZE || size > MAX_OUTPUT_SIZE) return 0;
    const int64_t crop = scaled_crop(size);
    if (!crop) return 0;
    const int64_t output = create_image(AUTO_ID, static_cast<int32_t>(size), static_cast<int32_t>(size), 32);
    BitmapInfo from{}, to{};
    uint8_t* from_bits = image_bits(crop, &from);
    uint8_t* to_bits = output ? image_bits(output, &to) : nullptr;
    const bool fits = from_bits && to_bits && from.width == size && to.width == size &&
                      (from.height == size || from.height == -size) && (to.height == size || to.height == -size) &&
                      (from.bits_per_pixel == 24 || from.bits_per_pixel == 32) && to.bits_per_pixel == 32;
    if (fits) {
        DiscPixels pixels{};
        pixels.source = top_row(from_bits, from, &pixels.source_step);
        pixels.source_bytes = from.bits_per_pixel / 8;
        pixels.output = const_cast<uint8_t*>(top_row(to_bits, to, &pixels.output_step));
        pixels.size = size;
        compose_output_pixels(pixels, app.radius, app.background_colour, app.inner_alpha, app.outer_alpha,
                              app.smooth_edge);
    }
    free_image(crop);
    if (!fits) {
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

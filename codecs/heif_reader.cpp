#include "codecs/heif_reader.h"

#include <libheif/heif.h>

#include <cstring>

#include "codecs/colour_profile.h"
#include "codecs/jpeg_reader.h"  // MAX_DECODE_SIDE
#include "codecs/png_reader.h"   // over_black
#include "core/dynlib.h"
#include "core/registry.h"

#ifdef _WIN32
const char* heif_library_file = "libheif.dll";
#else
const char* heif_library_file = "libheif.so.1";
#endif
int64_t heif_pixel_limit = int64_t{1} << 28;

namespace {

// The functions used, each declared by libheif's own header and looked up
// by name; a library lacking one counts as missing.
#define HEIF_FUNCTIONS(X)                                                                                             \
    X(heif_context_alloc)                                                                                             \
    X(heif_context_free)                                                                                              \
    X(heif_context_set_maximum_image_size_limit)                                                                      \
    X(heif_context_read_from_memory_without_copy)                                                                     \
    X(heif_context_get_primary_image_handle)                                                                          \
    X(heif_image_handle_release)                                                                                      \
    X(heif_image_handle_has_alpha_channel)                                                                            \
    X(heif_image_handle_get_width)                                                                                    \
    X(heif_image_handle_get_height)                                                                                   \
    X(heif_image_handle_get_luma_bits_per_pixel)                                                                      \
    X(heif_image_handle_get_color_profile_type)                                                                       \
    X(heif_image_handle_get_raw_color_profile_size)                                                                   \
    X(heif_image_handle_get_raw_color_profile)                                                                        \
    X(heif_image_handle_get_nclx_color_profile)                                                                       \
    X(heif_nclx_color_profile_free)                                                                                   \
    X(heif_decode_image)                                                                                              \
    X(heif_image_get_width)                                                                                           \
    X(heif_image_get_height)                                                                                          \
    X(heif_image_get_plane_readonly)                                                                                  \
    X(heif_image_get_bits_per_pixel)                                                                                  \
    X(heif_image_release)

struct HeifCalls {
#define DECLARE(name) decltype(&::name) name;
    HEIF_FUNCTIONS(DECLARE)
#undef DECLARE
};

bool find_calls(int64_t library, HeifCalls* calls) {
#define FIND(name)                                                                                                    \
    calls->name = reinterpret_cast<decltype(&::name)>(get_function(library, #name));                                 \
    if (!calls->name) return false;
    HEIF_FUNCTIONS(FIND)
#undef FIND
    return true;
}

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

bool known_brand(const uint8_t* p) {
    static const char brands[][5] = {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs",
                                     "mif1", "msf1", "avif", "avis"};
    for (const char* brand : brands)
        if (std::memcmp(p, brand, 4) == 0) return true;
    return false;
}

// Everything one decode holds, released in one place.
struct HeifJob {
    HeifCalls calls{};
    heif_context* context = nullptr;
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;

    ~HeifJob() {
        if (image) calls.heif_image_release(image);
        if (handle) calls.heif_image_handle_release(handle);
        if (context) calls.heif_context_free(context);
    }
};

// Colour information as primaries (an "nclx" box, usual in AVIF): a profile
// made for them, unless they are sRGB's own or the tone curve is an HDR one.
bool nclx_profile(const HeifJob& job, std::vector<uint8_t>* profile) {
    heif_color_profile_nclx* nclx = nullptr;
    const bool got = job.calls.heif_image_handle_get_nclx_color_profile(job.handle, &nclx).code == heif_error_Ok;
    if (!got || !nclx) {
        if (nclx) job.calls.heif_nclx_color_profile_free(nclx);
        return false;
    }
    const bool srgb = nclx->color_primaries == heif_color_primaries_ITU_R_BT_709_5 ||
                      nclx->color_primaries == heif_color_primaries_unspecified;
    const bool hdr = nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_PQ ||
                     nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_HLG;
    const double xy[8] = {nclx->color_primary_red_x,   nclx->color_primary_red_y,  nclx->color_primary_green_x,
                          nclx->color_primary_green_y, nclx->color_primary_blue_x, nclx->color_primary_blue_y,
                          nclx->color_primary_white_x, nclx->color_primary_white_y};
    job.calls.heif_nclx_color_profile_free(nclx);
    if (srgb || hdr) return false;
    *profile = rgb_profile(xy);
    return !profile->empty();
}

bool read_profile(const HeifJob& job, std::vector<uint8_t>* profile) {
    const heif_color_profile_type type = job.calls.heif_image_handle_get_color_profile_type(job.handle);
    if (type == heif_color_profile_type_nclx) return nclx_profile(job, profile);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return false;
    const size_t size = job.calls.heif_image_handle_get_raw_color_profile_size(job.handle);
    if (!size || size > (16u << 20)) return false;
    profile->resize(size);
    if (job.calls.heif_image_handle_get_raw_color_profile(job.handle, profile->data()).code != heif_error_Ok) {
        profile->clear();
        return false;
    }
    return true;
}

HeifResult decode_with(HeifJob& job, const uint8_t* data, size_t size, MakeTarget make, void* context,
                       std::vector<uint8_t>* profile) {
    const HeifCalls& c = job.calls;
    job.context = c.heif_context_alloc();
    if (!job.context) return HeifResult::failed;
    // Sides above the image library's limit are refused before decoding.
    c.heif_context_set_maximum_image_size_limit(job.context, MAX_DECODE_SIDE);
    if (c.heif_context_read_from_memory_without_copy(job.context, data, size, nullptr).code != heif_error_Ok ||
        c.heif_context_get_primary_image_handle(job.context, &job.handle).code != heif_error_Ok)
        return HeifResult::failed;
    // libheif decodes the whole picture, and converts it, before we see a pixel.
    if (int64_t{c.heif_image_handle_get_width(job.handle)} * c.heif_image_handle_get_height(job.handle) >
        heif_pixel_limit)
        return HeifResult::too_large;
    const bool alpha = c.heif_image_handle_has_alpha_channel(job.handle) != 0;
    // libheif turns YCbCr into planes of red, green and blue whatever is
    // asked; 8-bit pictures are taken as those planes and interleaved here
    // straight into the target, saving libheif's own interleaving pass and
    // its picture-sized buffer.  Deeper ones come interleaved at 8 bits.
    const bool planar = c.heif_image_handle_get_luma_bits_per_pixel(job.handle) == 8;
    const heif_chroma chroma = planar  ? heif_chroma_444
                               : alpha ? heif_chroma_interleaved_RGBA
                                       : heif_chroma_interleaved_RGB;
    // The default options apply the file's rotation and mirror.
    if (c.heif_decode_image(job.handle, &job.image, heif_colorspace_RGB, chroma, nullptr).code != heif_error_Ok)
        return HeifResult::failed;
    // Red, green, blue and alpha planes, or one interleaved plane.
    const heif_channel channels[4] = {planar ? heif_channel_R : heif_channel_interleaved, heif_channel_G,
                                      heif_channel_B, heif_channel_Alpha};
    const int planes = planar ? (alpha ? 4 : 3) : 1;
    const int32_t width = c.heif_image_get_width(job.image, channels[0]);
    const int32_t height = c.heif_image_get_height(job.image, channels[0]);
    if (width < 1 || height < 1 || width > MAX_DECODE_SIDE || height > MAX_DECODE_SIDE) return HeifResult::failed;
    const uint8_t* plane[4] = {};
    int stride[4] = {};
    for (int i = 0; i < planes; ++i) {
        plane[i] = c.heif_image_get_plane_readonly(job.image, channels[i], &stride[i]);
        const int bits = planar ? 8 : alpha ? 32 : 24;
        if (!plane[i] || c.heif_image_get_width(job.image, channels[i]) != width ||
            c.heif_image_get_height(job.image, channels[i]) != height ||
            c.heif_image_get_bits_per_pixel(job.image, channels[i]) != bits || stride[i] < width * bits / 8)
            return HeifResult::failed;
    }
    if (profile) read_profile(job, profile);

    DecodeTarget target{};
    if (!make(context, width, height, &target) || !target.top) return HeifResult::failed;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = target.top + target.stride * y;
        const uint8_t* row[4];
        for (int i = 0; i < planes; ++i) row[i] = plane[i] + static_cast<size_t>(stride[i]) * y;
        if (planar && !alpha) {
            for (int32_t x = 0; x < width; ++x, out += 3) out[0] = row[2][x], out[1] = row[1][x], out[2] = row[0][x];
        } else if (planar) {
            for (int32_t x = 0; x < width; ++x, out += 3) {
                const uint32_t a = row[3][x];
                out[0] = over_black(row[2][x], a), out[1] = over_black(row[1][x], a), out[2] = over_black(row[0][x], a);
            }
        } else {
            const uint8_t* in = row[0];
            for (int32_t x = 0; x < width; ++x, in += alpha ? 4 : 3, out += 3) {
                const uint32_t a = alpha ? in[3] : 255;
                out[0] = over_black(in[2], a), out[1] = over_black(in[1], a), out[2] = over_black(in[0], a);
            }
        }
    }
    return HeifResult::decoded;
}

}  // namespace

bool looks_like_heif(const uint8_t* data, size_t size) {
    if (!data || size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0) return false;
    size_t box = be32(data);
    if (box < 16 || box > 4096) return false;
    if (box > size) box = size;
    if (known_brand(data + 8)) return true;
    for (size_t at = 16; at + 4 <= box; at += 4)
        if (known_brand(data + at)) return true;
    return false;
}

HeifResult decode_heif(const uint8_t* data, size_t size, MakeTarget make, void* context,
                       std::vector<uint8_t>* profile) {
    if (!looks_like_heif(data, size) || !make) return HeifResult::failed;
    const int64_t library = open_library(AUTO_ID, heif_library_file);
    if (!library) return HeifResult::no_library;
    HeifResult result = HeifResult::no_library;
    {
        HeifJob job;
        if (find_calls(library, &job.calls)) result = decode_with(job, data, size, make, context, profile);
    }
    close_library(library);
    return result;
}

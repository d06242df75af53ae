#include "codecs/colour_profile.h"

#include <lcms2.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <new>
#include <thread>

#include "codecs/jpeg_reader.h"
#include "codecs/png_reader.h"
#include "codecs/webp_reader.h"

namespace {

// Profiles larger than this are taken for broken (real ones are a few kB,
// some printer profiles a few MB).
constexpr size_t MAX_PROFILE = 16u << 20;

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return be16(p) << 16 | be16(p + 2); }

std::vector<uint8_t> jpeg_profile(const uint8_t* data, size_t size) {
    // Chunks are numbered 1..count; they may come in any order.
    std::vector<std::vector<uint8_t>> pieces;
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) break;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;
        const size_t length = be16(data + at + 2);
        if (length < 2 || length > size - at - 2) break;
        const uint8_t* body = data + at + 4;
        const size_t body_size = length - 2;
        if (marker == 0xE2 && body_size > 14 && std::memcmp(body, "ICC_PROFILE", 12) == 0) {
            const uint8_t number = body[12], count = body[13];
            if (count == 0) return {};
            if (pieces.empty()) pieces.resize(count);
            if (number < 1 || number > count || count != pieces.size() || !pieces[number - 1].empty()) return {};
            pieces[number - 1].assign(body + 14, body + body_size);
        }
        at += 2 + length;
    }
    std::vector<uint8_t> profile;
    for (const auto& piece : pieces) {
        if (piece.empty()) return {};
        profile.insert(profile.end(), piece.begin(), piece.end());
    }
    return profile;
}

std::vector<uint8_t> inflate_all(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return out;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    int status = Z_OK;
    while (status == Z_OK && out.size() < MAX_PROFILE) {
        const size_t had = out.size();
        out.resize(had + 16384);
        z.next_out = out.data() + had;
        z.avail_out = 16384;
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(had + 16384 - z.avail_out);
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END) out.clear();
    return out;
}

std::vector<uint8_t> png_profile(const uint8_t* data, size_t size) {
    for (size_t at = 8; at + 12 <= size;) {
        const uint32_t length = be32(data + at);
        if (length > size - at - 12) break;
        const uint8_t* type = data + at + 4;
        const uint8_t* body = data + at + 8;
        if (std::memcmp(type, "iCCP", 4) == 0) {
            // A name of 1 to 79 bytes, its terminating zero, method 0 (deflate).
            const auto* zero = static_cast<const uint8_t*>(std::memchr(body, 0, length < 80 ? length : 80));
            if (!zero || zero == body || zero + 2 > body + length || zero[1] != 0) return {};
            return inflate_all(zero + 2, static_cast<size_t>(body + length - zero - 2));
        }
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) break;
        at += size_t{length} + 12;
    }
    return {};
}

// A matrix-shaper profile to sRGB, relative colorimetric, is a tone curve
// per channel, a 3 x 3 matrix between the two profiles' colorants (both
// adapted to the same white) and sRGB's inverse curve: computed here in
// floating point from tables, several times lcms2's own 8-bit speed.  Each
// input level's share of all three outputs is one table entry of four
// floats, so that a pixel is two vector additions.
using Floats = float __attribute__((vector_size(16)));
using Ints = int32_t __attribute__((vector_size(16)));

struct MatrixShaper {
    Floats term[3][256];  // input blue, green, red at each level: its share of output blue, green, red (and 0)
};

// Linear light in steps of 1/65535 to sRGB levels, made once.
const uint8_t* srgb_encode() {
    static const std::vector<uint8_t> table = [] {
        std::vector<uint8_t> t(65536);
        for (int i = 0; i < 65536; ++i) {
            const double v = i / 65535.0;
            const double e = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
            t[i] = static_cast<uint8_t>(std::lround(e * 255));
        }
        return t;
    }();
    return table.data();
}

bool colorants(cmsHPROFILE profile, double m[3][3]) {
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
        if (!xyz) return false;
        m[0][c] = xyz->X, m[1][c] = xyz->Y, m[2][c] = xyz->Z;
    }
    return true;
}

bool invert(const double m[3][3], double out[3][3]) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (det > -1e-9 && det < 1e-9) return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            out[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    return true;
}

// Null when the profile is no matrix-shaper (lcms2 then does the work).
MatrixShaper* make_matrix_shaper(cmsHPROFILE source) {
    if (!cmsIsMatrixShaper(source)) return nullptr;
    const cmsTagSignature curves[3] = {cmsSigBlueTRCTag, cmsSigGreenTRCTag, cmsSigRedTRCTag};
    const cmsToneCurve* curve[3];
    for (int c = 0; c < 3; ++c)
        if (!(curve[c] = static_cast<const cmsToneCurve*>(cmsReadTag(source, curves[c])))) return nullptr;
    double from[3][3], to[3][3], back[3][3];
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    const bool ok = srgb && colorants(source, from) && colorants(srgb, to) && invert(to, back);
    if (srgb) cmsCloseProfile(srgb);
    if (!ok) return nullptr;
    auto* shaper = new (std::nothrow) MatrixShaper;
    if (!shaper) return nullptr;
    // Rows and columns in red, green, blue order, turned to blue, green, red.
    float matrix[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int k = 0; k < 3; ++k) sum += back[r][k] * from[k][c];
            matrix[2 - r][2 - c] = static_cast<float>(sum);
        }
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const float linear = cmsEvalToneCurveFloat(curve[c], v / 255.0f);
            shaper->term[c][v] = Floats{matrix[0][c] * linear, matrix[1][c] * linear, matrix[2][c] * linear, 0};
        }
    return shaper;
}

void shape_rows(const MatrixShaper& s, uint8_t* pixels, size_t stride, int32_t width, int32_t first, int32_t count) {
    const Floats zero{0, 0, 0, 0}, one{1, 1, 1, 1}, steps{65535, 65535, 65535, 65535}, half{0.5f, 0.5f, 0.5f, 0.5f};
    const uint8_t* encode = srgb_encode();
    for (int32_t y = first; y < first + count; ++y) {
        uint8_t* p = pixels + stride * static_cast<size_t>(y);
        for (int32_t x = 0; x < width; ++x, p += 3) {
            Floats v = s.term[0][p[0]] + s.term[1][p[1]] + s.term[2][p[2]];
            v = v > zero ? v : zero;  // NaN (a broken curve) too
            v = v < one ? v : one;
            const Ints step = __builtin_convertvector(v * steps + half, Ints);
            p[0] = encode[step[0]], p[1] = encode[step[1]], p[2] = encode[step[2]];
        }
    }
}

// Every colour within one level of itself on a grid through the cube:
// an sRGB profile, whatever its make.  convert(in, out, count) converts
// count pixels.
template <class Convert>
bool maps_to_itself(Convert convert) {
    constexpr int STEPS = 17;
    uint8_t in[STEPS * STEPS * STEPS * 3], out[sizeof in];
    uint8_t* p = in;
    for (int r = 0; r < STEPS; ++r)
        for (int g = 0; g < STEPS; ++g)
            for (int b = 0; b < STEPS; ++b) {
                *p++ = static_cast<uint8_t>(b * 255 / (STEPS - 1));
                *p++ = static_cast<uint8_t>(g * 255 / (STEPS - 1));
                *p++ = static_cast<uint8_t>(r * 255 / (STEPS - 1));
            }
    convert(in, out, STEPS * STEPS * STEPS);
    for (size_t i = 0; i < sizeof in; ++i)
        if (in[i] - out[i] > 1 || out[i] - in[i] > 1) return false;
    return true;
}

}  // namespace

std::vector<uint8_t> embedded_profile(const uint8_t* data, size_t size) {
    std::vector<uint8_t> profile;
    if (looks_like_jpeg(data, size)) profile = jpeg_profile(data, size);
    else if (looks_like_png(data, size)) profile = png_profile(data, size);
    else if (looks_like_webp(data, size)) {
        size_t length = 0;
        if (const uint8_t* chunk = webp_chunk(data, size, "ICCP", &length)) profile.assign(chunk, chunk + length);
    }
    if (profile.size() > MAX_PROFILE) profile.clear();
    return profile;
}

bool convert_to_srgb(const uint8_t* profile, size_t size, uint8_t* pixels, size_t stride, int32_t width,
                     int32_t height) {
    if (!profile || size < 132 || size > MAX_PROFILE || !pixels || width < 1 || height < 1) return false;
    // lcms2 reports a broken profile to its error handler, which prints
    // nothing unless one is set; the calls below then fail.
    cmsSetLogErrorHandler(nullptr);
    cmsHPROFILE source = cmsOpenProfileFromMem(profile, static_cast<cmsUInt32Number>(size));
    if (!source) return false;
    cmsHTRANSFORM transform = nullptr;
    MatrixShaper* shaper = nullptr;
    // A matrix-shaper profile needs no lcms2 transform: making one, and the
    // sRGB table for each picture, took 20 ms of a 12 MP picture's 50 under Wine.
    if (cmsGetColorSpace(source) == cmsSigRgbData && !(shaper = make_matrix_shaper(source))) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        // No cache: the halves of the picture are converted at once on two threads.
        transform = cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC,
                                       cmsFLAGS_NOCACHE);
        cmsCloseProfile(srgb);
    }
    cmsCloseProfile(source);
    if (!transform && !shaper) return false;
    auto by_shaper = [&](const uint8_t* in, uint8_t* out, int32_t count) {
        std::memcpy(out, in, static_cast<size_t>(count) * 3);
        shape_rows(*shaper, out, 0, count, 0, 1);
    };
    auto by_transform = [&](const uint8_t* in, uint8_t* out, int32_t count) {
        cmsDoTransform(transform, in, out, static_cast<cmsUInt32Number>(count));
    };
    const bool convert = shaper ? !maps_to_itself(by_shaper) : !maps_to_itself(by_transform);
    if (convert) {
        auto rows = [&](int32_t first, int32_t count) {
            if (count > 0 && shaper)
                shape_rows(*shaper, pixels, stride, width, first, count);
            else if (count > 0)
                cmsDoTransformLineStride(transform, pixels + stride * first, pixels + stride * first,
                                         static_cast<cmsUInt32Number>(width), static_cast<cmsUInt32Number>(count),
                                         static_cast<cmsUInt32Number>(stride), static_cast<cmsUInt32Number>(stride),
                                         0, 0);
        };
        const int32_t half = height / 2;
        std::thread other;
        if (height >= 256) {
            try {
                other = std::thread(rows, half, height - half);
            } catch (...) {
            }
        }
        rows(0, other.joinable() ? half : height);
        if (other.joinable()) other.join();
    }
    if (transform) cmsDeleteTransform(transform);
    delete shaper;
    return convert;
}

std::vector<uint8_t> rgb_profile(const double xy[8]) {
    std::vector<uint8_t> bytes;
    const cmsCIExyY white{xy[6], xy[7], 1.0};
    const cmsCIExyYTRIPLE primaries{{xy[0], xy[1], 1.0}, {xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}};
    // The sRGB curve: type 4 parametric, as lcms2 makes its own sRGB profile.
    const cmsFloat64Number parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, parameters);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = curve ? cmsCreateRGBProfile(&white, &primaries, curves) : nullptr;
    cmsUInt32Number size = 0;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) bytes.clear();
    }
    if (profile) cmsCloseProfile(profile);
    if (curve) cmsFreeToneCurve(curve);
    return bytes;
}

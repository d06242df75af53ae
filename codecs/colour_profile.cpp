#include "codecs/colour_profile.h"

#include <lcms2.h>
#include <zlib.h>

#include <cstring>
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

// Every colour within one level of itself on a grid through the cube:
// an sRGB profile, whatever its make.
bool maps_to_itself(cmsHTRANSFORM transform) {
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
    cmsDoTransform(transform, in, out, STEPS * STEPS * STEPS);
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
    if (cmsGetColorSpace(source) == cmsSigRgbData) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        // No cache: the halves of the picture are converted at once on two threads.
        transform = cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC,
                                       cmsFLAGS_NOCACHE);
        cmsCloseProfile(srgb);
    }
    cmsCloseProfile(source);
    if (!transform) return false;
    const bool convert = !maps_to_itself(transform);
    if (convert) {
        auto rows = [&](int32_t first, int32_t count) {
            if (count > 0)
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
    cmsDeleteTransform(transform);
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

// Embedded colour profiles: found in the file, and the decoded picture
// converted from them to sRGB (relative colorimetric, as browsers do) before
// anything else sees it.  A picture without a profile, or whose profile
// already describes sRGB, keeps its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The ICC profile a JPEG (APP2 "ICC_PROFILE" chunks joined in their
// order), PNG (iCCP, inflated) or WebP (ICCP chunk) file embeds; empty when
// there is none, or when its pieces are missing or malformed.
std::vector<uint8_t> embedded_profile(const uint8_t* data, size_t size);

// Converts height rows of width blue-green-red pixels, `stride` bytes
// apart, from the profile's colours to sRGB in place.  False, with the
// pixels untouched, when the profile is broken, not for RGB, or maps every
// colour to within one level of itself (an sRGB profile).
bool convert_to_srgb(const uint8_t* profile, size_t size, uint8_t* pixels, size_t stride, int32_t width,
                     int32_t height);

// An ICC profile for RGB with these primaries and white point (CIE xy:
// red, green, blue, white) and the sRGB tone curve, as a HEIF or AVIF
// file's colour information describes its pixels; empty when lcms2
// cannot make it.
std::vector<uint8_t> rgb_profile(const double xy[8]);

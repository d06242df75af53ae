// The BMP, PNG and JPEG writers through the save dispatch, on random sizes,
// pitches (negative too), row orders, source depths, output depths and flags,
// into a temporary folder.  Every file written is read back with an
// independent decoder (libpng for PNG, libjpeg for JPEG, a header and row
// parser of our own for BMP) and compared with the pixels it came from.
//
// Properties: a save the format must accept succeeds; a save it cannot do
// fails; palette files hold the palette and indices that palette reduction
// gives for the same pixels, rows in the file's order; either way the folder holds nothing but the target afterwards, a
// failed save leaves a file that was there before untouched, and a save into
// a folder that does not exist creates nothing.
#include <dirent.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on

#include "codecs/encoder.h"
#include "codecs/jpeg_writer.h"
#include "codecs/palette.h"
#include "codecs/png_writer.h"
#include "fuzz_input.h"

namespace {

constexpr int64_t MAX_PIXELS = 1 << 15;
std::string folder;

std::string read_file(const std::string& path, bool* exists) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    *exists = f != nullptr;
    if (!f) return bytes;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

std::vector<std::string> folder_entries() {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

uint32_t be32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
           uint8_t(s[at + 3]);
}
uint32_t le32(const std::string& s, size_t at) {
    return uint8_t(s[at]) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}
uint32_t le16(const std::string& s, size_t at) { return uint8_t(s[at]) | uint32_t(uint8_t(s[at + 1])) << 8; }

// The picture as the writers see it: pixel (x, y), y counted from the top.
struct Picture {
    const uint8_t* first;  // first memory row
    int32_t width, height, pitch, source_depth;
    bool bottom_up;
    const uint8_t* at(int32_t x, int32_t y) const {
        int64_t row = bottom_up ? height - 1 - y : y;
        return first + row * pitch + static_cast<int64_t>(x) * (source_depth / 8);
    }
    // Blue, green, red as a 24-bit output sees it (32-bit composited over white).
    void rgb24(int32_t x, int32_t y, uint8_t out[3]) const {
        const uint8_t* p = at(x, y);
        for (int c = 0; c < 3; ++c) out[c] = source_depth == 32 ? over_white(p[c], p[3]) : p[c];
    }
};

// What a palette file must hold: the reducer's palette and, for each picture
// row from the top, the index of every pixel.  Built with a reducer of our
// own on the pixels the writer reduces (PNG reduces the 24-bit composite of
// a 32-bit picture, BMP the pixels as they are), asked for the rows in the
// order the file stores them, since dithering depends on that order.
struct PaletteExpectation {
    uint8_t palette[256][4];
    std::vector<uint8_t> indices;  // width x height, top row first
};

bool expect_palette(const Picture& pic, int32_t depth, int32_t flags, bool png, PaletteExpectation* out) {
    const uint8_t* pixels = pic.first;
    int32_t pitch = pic.pitch, bits = pic.source_depth;
    uint8_t* composite = nullptr;
    if (png && bits == 32) {
        composite = composite_over_white(pic.first, pic.width, pic.height, pic.pitch);
        FUZZ_CHECK(composite);
        pixels = composite;
        pitch = static_cast<int32_t>(composite_pitch(pic.width));
    }
    if (png) bits = 24;
    PaletteReducer* r = reduce_palette(pixels, pic.width, pic.height, bits, pitch, depth, flags);
    FUZZ_CHECK(r);
    std::memcpy(out->palette, r->palette, sizeof out->palette);
    out->indices.assign(static_cast<size_t>(pic.width) * pic.height, 0);
    for (int32_t i = 0; i < pic.height; ++i) {
        // PNG stores the top row first, BMP the bottom row.
        int32_t y = png ? i : pic.height - 1 - i;
        int32_t memory_row = pic.bottom_up ? pic.height - 1 - y : y;
        const uint8_t* row = reducer_row(r, memory_row);
        FUZZ_CHECK(row);
        for (int32_t x = 0; x < pic.width; ++x) {
            int index = row[x];
            if (depth < 8 && depth != 3 && depth != 5 && depth != 6 && depth != 7) {
                int per_byte = 8 / depth;
                index = (row[x / per_byte] >> (8 - depth * (x % per_byte + 1))) & ((1 << depth) - 1);
            }
            out->indices[static_cast<size_t>(y) * pic.width + x] = static_cast<uint8_t>(index);
        }
    }
    free_reducer(r);
    std::free(composite);
    return true;
}

void check_png(const std::string& file, const Picture& pic, int32_t depth, int32_t flags) {
    FUZZ_CHECK(file.size() > 33 && file.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) == 0);
    FUZZ_CHECK(file.compare(12, 4, "IHDR") == 0);
    FUZZ_CHECK(be32(file, 16) == uint32_t(pic.width) && be32(file, 20) == uint32_t(pic.height));
    const int bit_depth = uint8_t(file[24]), colour_type = uint8_t(file[25]);
    FUZZ_CHECK(file[26] == 0 && file[27] == 0 && file[28] == 0);  // compression, filter, interlace
    const bool palette = depth >= 1 && depth <= 8;
    const bool rgba = pic.source_depth == 32 && (depth == 32 || depth == -1);
    if (palette) FUZZ_CHECK(colour_type == 3 && bit_depth == depth);
    else FUZZ_CHECK(bit_depth == 8 && colour_type == (rgba ? 6 : 2));

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    FUZZ_CHECK(png_image_begin_read_from_memory(&image, file.data(), file.size()));
    if (palette) FUZZ_CHECK(image.colormap_entries == (1u << depth));
    image.format = rgba ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    const int bpp = rgba ? 4 : 3;
    std::vector<uint8_t> pixels(static_cast<size_t>(pic.width) * pic.height * bpp);
    bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    if (!read) std::fprintf(stderr, "libpng: %s\n", image.message);
    FUZZ_CHECK(read);
    if (palette) {
        // Every pixel shows the palette entry of its expected index.
        PaletteExpectation want;
        expect_palette(pic, depth, flags, true, &want);
        for (size_t i = 0; i < want.indices.size(); ++i) {
            const uint8_t* entry = want.palette[want.indices[i]];
            FUZZ_CHECK(std::memcmp(&pixels[3 * i], entry, 3) == 0);
        }
        return;
    }
    for (int32_t y = 0; y < pic.height; ++y)
        for (int32_t x = 0; x < pic.width; ++x) {
            const uint8_t* got = &pixels[(static_cast<size_t>(y) * pic.width + x) * bpp];
            if (rgba) {
                FUZZ_CHECK(std::memcmp(got, pic.at(x, y), 4) == 0);
            } else {
                uint8_t want[3];
                pic.rgb24(x, y, want);
                FUZZ_CHECK(std::memcmp(got, want, 3) == 0);
            }
        }
}

struct JpegErrors {
    jpeg_error_mgr standard;
    jmp_buf jump;
};

void jpeg_failed(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }
void jpeg_quiet(j_common_ptr, int) {}

// Decodes the file into `out` (RGB rows top first); false on any libjpeg error.
struct JpegRead {
    jpeg_decompress_struct info;
    JpegErrors errors;
    uint8_t* pixels;
};

bool decode_jpeg(const std::string& file, JpegRead* job, int32_t* width, int32_t* height, int* components) {
    job->info.err = jpeg_std_error(&job->errors.standard);
    job->errors.standard.error_exit = jpeg_failed;
    job->errors.standard.emit_message = jpeg_quiet;
    if (setjmp(job->errors.jump)) {
        jpeg_destroy_decompress(&job->info);
        return false;
    }
    jpeg_create_decompress(&job->info);
    jpeg_mem_src(&job->info, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&job->info, TRUE);
    jpeg_start_decompress(&job->info);
    *width = static_cast<int32_t>(job->info.output_width);
    *height = static_cast<int32_t>(job->info.output_height);
    *components = job->info.output_components;
    const size_t row = static_cast<size_t>(job->info.output_width) * job->info.output_components;
    job->pixels = static_cast<uint8_t*>(std::malloc(row * job->info.output_height));
    while (job->info.output_scanline < job->info.output_height) {
        JSAMPROW r = job->pixels + row * job->info.output_scanline;
        jpeg_read_scanlines(&job->info, &r, 1);
    }
    jpeg_finish_decompress(&job->info);
    jpeg_destroy_decompress(&job->info);
    // A damaged file still decodes, with warnings: count them as failures.
    return job->errors.standard.num_warnings == 0;
}

void check_jpeg(const std::string& file, const Picture& pic, int32_t flags, bool one_colour) {
    auto* job = static_cast<JpegRead*>(std::calloc(1, sizeof(JpegRead)));
    int32_t width = 0, height = 0;
    int components = 0;
    bool ok = decode_jpeg(file, job, &width, &height, &components);
    FUZZ_CHECK(ok);
    FUZZ_CHECK(width == pic.width && height == pic.height && components == 3);
    if (one_colour && jpeg_quality(flags) >= 90) {
        uint8_t want[3];
        pic.rgb24(0, 0, want);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            const uint8_t* got = job->pixels + 3 * i;  // red, green, blue
            for (int c = 0; c < 3; ++c) FUZZ_CHECK(std::abs(int(got[c]) - int(want[2 - c])) <= 3);
        }
    }
    std::free(job->pixels);
    std::free(job);
}

void check_bmp(const std::string& file, const Picture& pic, int32_t depth, int32_t flags) {
    FUZZ_CHECK(file.size() >= 54 && file[0] == 'B' && file[1] == 'M');
    FUZZ_CHECK(le32(file, 2) == file.size());
    const uint32_t offset = le32(file, 10);
    const uint32_t entries = depth <= 8 ? 1u << depth : 0;
    FUZZ_CHECK(offset == 54 + 4 * entries);
    FUZZ_CHECK(le32(file, 14) == 40 && le32(file, 18) == uint32_t(pic.width) && le32(file, 22) == uint32_t(pic.height));
    FUZZ_CHECK(le16(file, 26) == 1 && le16(file, 28) == uint32_t(depth) && le32(file, 30) == 0);
    uint64_t bits = static_cast<uint64_t>(pic.width) * depth;
    uint64_t row_size = ((bits + 7) / 8 + 3) & ~uint64_t{3};
    if (row_size == 0) row_size = 4;
    FUZZ_CHECK(le32(file, 34) == row_size * pic.height);
    FUZZ_CHECK(file.size() == offset + row_size * pic.height);
    PaletteExpectation want;
    if (depth <= 8) {
        expect_palette(pic, depth, flags, false, &want);
        for (uint32_t e = 0; e < entries; ++e)
            FUZZ_CHECK(std::memcmp(file.data() + 54 + 4 * e, want.palette[e], 3) == 0);
    }
    for (int32_t i = 0; i < pic.height; ++i) {
        // File rows: the bottom row of the picture first.
        const int32_t y = pic.height - 1 - i;
        const uint8_t* row = reinterpret_cast<const uint8_t*>(file.data()) + offset + row_size * i;
        for (int32_t x = 0; x < pic.width; ++x) {
            if (depth <= 8) {
                int per_byte = 8 / depth;
                int index = (row[x / per_byte] >> (8 - depth * (x % per_byte + 1))) & ((1 << depth) - 1);
                FUZZ_CHECK(index == want.indices[static_cast<size_t>(y) * pic.width + x]);
                continue;
            }
            const uint8_t* got = row + static_cast<size_t>(x) * (depth / 8);
            const uint8_t* p = pic.at(x, y);
            if (depth == 32 && pic.source_depth == 32) {
                FUZZ_CHECK(std::memcmp(got, p, 4) == 0);
            } else {
                uint8_t want[3];
                pic.rgb24(x, y, want);
                FUZZ_CHECK(std::memcmp(got, want, 3) == 0);
                if (depth == 32) FUZZ_CHECK(got[3] == 0);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char name[] = "/tmp/roundcut-fuzz-writers-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    folder = name;
    register_png_encoder();
    register_jpeg_encoder();
    std::atexit([] {
        for (const std::string& e : folder_entries()) std::remove((folder + "/" + e).c_str());
        rmdir(folder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    static const uint32_t formats[] = {FORMAT_BMP, FORMAT_PNG, FORMAT_JPEG};
    const uint8_t f = in.byte();
    const uint32_t format = f < 250 ? formats[f % 3] : in.u32();
    const int32_t source_depth = in.flag() ? 32 : 24;
    int32_t width = static_cast<int32_t>(in.byte() < 200 ? in.range(1, 48) : in.range(1, 2000));
    int32_t height = static_cast<int32_t>(in.byte() < 200 ? in.range(1, 48) : in.range(1, 2000));
    if (static_cast<int64_t>(width) * height > MAX_PIXELS) height = static_cast<int32_t>(MAX_PIXELS / width);
    static const int32_t depths[] = {-1, 24, 32, 24, 32, 1, 2, 4, 8, 3, 16, 0, 5, 7, 48};
    const uint8_t d = in.byte();
    const int32_t depth = d < 240 ? depths[d % 15] : static_cast<int32_t>(in.u32());
    const uint8_t how = in.byte();
    const bool bottom_up = how & 1, negative_pitch = how & 2, one_colour = how & 4, existing = how & 8,
               missing_folder = (how & 0xF0) == 0xF0;
    const int32_t layout = (bottom_up ? ROWS_BOTTOM_UP : 0) | (in.byte() & ~ROWS_BOTTOM_UP);
    const uint8_t q = in.byte();
    const int32_t flags = q < 240 ? static_cast<int32_t>(q % 14) - 2 + (q & 0x10 ? DITHER : 0)
                                  : static_cast<int32_t>(in.u32());
    const int32_t row_bytes = width * (source_depth / 8);
    const int32_t pitch = (how & 0x10) ? (row_bytes + 3) / 4 * 4 : row_bytes + static_cast<int32_t>(in.range(0, 9));
    uint8_t colour[4] = {in.byte(), in.byte(), in.byte(), in.byte()};

    std::vector<uint8_t> memory(static_cast<size_t>(pitch) * height);
    size_t rest = in.left();
    for (size_t i = 0; i < memory.size(); ++i)
        memory[i] = one_colour ? colour[(i % pitch) % (source_depth / 8)]
                               : rest ? in.data[in.at + i % rest] : static_cast<uint8_t>(i * 29);
    const uint8_t* first = negative_pitch ? memory.data() + static_cast<size_t>(pitch) * (height - 1) : memory.data();
    const int32_t signed_pitch = negative_pitch ? -pitch : pitch;
    const Picture pic{first, width, height, signed_pitch, source_depth, bottom_up};

    const char* suffix = format == FORMAT_PNG ? ".png" : format == FORMAT_JPEG ? ".jpg" : ".bmp";
    const std::string target = folder + (missing_folder ? "/missing/out" : "/out") + suffix;
    const std::string old_content = "a file that was here before";
    if (existing && !missing_folder) {
        FILE* old = std::fopen(target.c_str(), "wb");
        FUZZ_CHECK(old && std::fwrite(old_content.data(), 1, old_content.size(), old) == old_content.size());
        std::fclose(old);
    }

    const int32_t result =
        save_pixels(target.c_str(), first, format, width, height, signed_pitch, source_depth, layout, flags, depth);

    // What each format must do with this request: BMP writes depths 1, 4,
    // 8, 24 and 32; PNG every depth but the palette depths PNG lacks (3, 5,
    // 6, 7); JPEG ignores the depth.
    int must = 0;
    if (missing_folder) must = 0;
    else if (format == FORMAT_BMP) must = depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
    else if (format == FORMAT_PNG) must = !(depth == 3 || depth == 5 || depth == 6 || depth == 7);
    else if (format == FORMAT_JPEG) must = 1;
    if (result != must)
        std::fprintf(stderr, "format %x depth %d source %d %dx%d pitch %d layout %d flags %d: result %d\n", format,
                     depth, source_depth, width, height, signed_pitch, layout, flags, result);
    FUZZ_CHECK(result == must);

    bool exists = false;
    std::string written = read_file(target, &exists);
    std::vector<std::string> entries = folder_entries();
    if (result == 1) {
        FUZZ_CHECK(exists);
        if (format == FORMAT_PNG) check_png(written, pic, depth, flags);
        else if (format == FORMAT_JPEG) check_jpeg(written, pic, flags, one_colour);
        else check_bmp(written, pic, depth, flags);
    } else {
        FUZZ_CHECK(result == 0);
        // A failed save leaves what was there before, and nothing else.
        if (existing && !missing_folder) FUZZ_CHECK(exists && written == old_content);
        else FUZZ_CHECK(!exists);
    }
    const bool target_there = exists && !missing_folder;
    FUZZ_CHECK(entries.size() == (target_there ? 1u : 0u));
    if (target_there) FUZZ_CHECK(entries[0] == target.substr(folder.size() + 1));
    std::remove(target.c_str());
    return 0;
}

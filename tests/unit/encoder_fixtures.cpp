#include "encoder_fixtures.h"

#include <cstdio>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on
#include <png.h>
#include <zlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace encoder_test {

namespace {
int scratch_count = 0;
}

ScratchFolder::ScratchFolder() {
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path p = fs::temp_directory_path() /
                 ("rc_encoder_" + std::to_string(stamp) + "_" + std::to_string(scratch_count++));
    fs::create_directories(p);
    root_ = p.string();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string ScratchFolder::path(const std::string& name) const { return (fs::path(root_) / name).string(); }

std::vector<std::string> ScratchFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> read_bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& file) {
    std::error_code ec;
    return fs::exists(file, ec);
}

uint8_t* Picture::at(int32_t x, int32_t y) {
    return memory.data() + static_cast<size_t>(height - 1 - y) * pitch + static_cast<size_t>(x) * (depth / 8);
}

const uint8_t* Picture::at(int32_t x, int32_t y) const { return const_cast<Picture*>(this)->at(x, y); }

Bgra Picture::get(int32_t x, int32_t y) const {
    const uint8_t* p = at(x, y);
    return {p[0], p[1], p[2], static_cast<uint8_t>(depth == 32 ? p[3] : 255)};
}

std::vector<uint8_t> Picture::top_down() const {
    std::vector<uint8_t> out(memory.size());
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + static_cast<size_t>(y) * pitch,
                    memory.data() + static_cast<size_t>(height - 1 - y) * pitch, pitch);
    return out;
}

Picture make_picture(int32_t width, int32_t height, int32_t depth, PixelRule rule) {
    Picture p;
    p.width = width;
    p.height = height;
    p.depth = depth;
    p.pitch = depth == 32 ? 4 * width : ((3 * width + 3) / 4) * 4;
    // Padding bytes get a value of their own so that a writer copying them shows.
    p.memory.assign(static_cast<size_t>(p.pitch) * height, 0xEE);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            Bgra c = rule(x, y);
            uint8_t* q = p.at(x, y);
            q[0] = c.b;
            q[1] = c.g;
            q[2] = c.r;
            if (depth == 32) q[3] = c.a;
        }
    return p;
}

Bgra busy_pixel(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(x * 7 + y * 3), static_cast<uint8_t>(x * 2 + y * 11 + 40),
            static_cast<uint8_t>(255 - x * 5 - y), static_cast<uint8_t>(x * 13 + y * 17 + 1)};
}

namespace {

int cutout_outer_alpha = 0;

// A smooth scene with some texture: sky gradient, a hill, a sun, fine noise.
Bgra photo_pixel(int32_t x, int32_t y) {
    double fx = x / 599.0, fy = y / 599.0;
    double hill = 0.55 + 0.08 * std::sin(fx * 7.0);
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    double noise = static_cast<double>((h >> 15) % 9) - 4.0;
    double r, g, b;
    if (fy < hill) {
        r = 90 + 80 * fy;
        g = 140 + 70 * fy;
        b = 230 - 40 * fy;
        double dx = fx - 0.7, dy = fy - 0.25, d = std::sqrt(dx * dx + dy * dy);
        if (d < 0.08) r = 255, g = 230, b = 120;
    } else {
        r = 60 + 40 * std::sin(fx * 31.0);
        g = 120 + 50 * fy;
        b = 40 + 20 * std::cos(fy * 17.0);
    }
    auto clamp = [](double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); };
    return {clamp(b + noise), clamp(g + noise), clamp(r + noise), 255};
}

Bgra cutout_pixel(int32_t x, int32_t y) {
    int32_t dx = x - 299, dy = y - 299;
    if (dx * dx + dy * dy <= 295 * 295) return photo_pixel(x, y);
    return {40, 160, 220, static_cast<uint8_t>(cutout_outer_alpha)};
}

}  // namespace

Picture make_cutout(int32_t outer_alpha) {
    cutout_outer_alpha = outer_alpha;
    return make_picture(600, 600, 32, cutout_pixel);
}

std::vector<PngChunk> png_chunks(const std::vector<uint8_t>& file) {
    static const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<PngChunk> chunks;
    if (file.size() < 8 || std::memcmp(file.data(), signature, 8) != 0) return chunks;
    size_t at = 8;
    while (at + 12 <= file.size()) {
        uint32_t length = (uint32_t{file[at]} << 24) | (uint32_t{file[at + 1]} << 16) |
                          (uint32_t{file[at + 2]} << 8) | file[at + 3];
        if (length > file.size() - at - 12) break;
        PngChunk c;
        c.type.assign(reinterpret_cast<const char*>(&file[at + 4]), 4);
        c.data.assign(file.begin() + at + 8, file.begin() + at + 8 + length);
        const uint8_t* crc_at = &file[at + 8 + length];
        uint32_t stored = (uint32_t{crc_at[0]} << 24) | (uint32_t{crc_at[1]} << 16) | (uint32_t{crc_at[2]} << 8) |
                          crc_at[3];
        uint32_t computed = crc32(crc32(0, nullptr, 0), &file[at + 4], length + 4);
        c.crc_ok = stored == computed;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    return chunks;
}

std::vector<uint8_t> inflate_idat(const std::vector<PngChunk>& chunks) {
    std::vector<uint8_t> stream;
    for (const auto& c : chunks)
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    std::vector<uint8_t> out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return out;
    z.next_in = stream.data();
    z.avail_in = static_cast<uInt>(stream.size());
    uint8_t buffer[65536];
    int rc;
    do {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    } while (rc == Z_OK);
    inflateEnd(&z);
    if (rc != Z_STREAM_END) out.clear();
    return out;
}

DecodedPng decode_png(const std::string& file) {
    DecodedPng d;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return d;
    image.format = PNG_FORMAT_RGBA;
    d.width = static_cast<int32_t>(image.width);
    d.height = static_cast<int32_t>(image.height);
    d.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, d.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return d;
    }
    d.ok = true;
    return d;
}

namespace {

struct JpegReadErrors {
    jpeg_error_mgr standard;
    jmp_buf jump;
};

void jpeg_read_failed(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegReadErrors*>(info->err)->jump, 1); }

// Kept out of decode_jpeg so that nothing with a destructor lives in the
// frame the decoder may long-jump through.
bool read_jpeg(FILE* f, DecodedJpeg* d, jpeg_decompress_struct* info, JpegReadErrors* errors) {
    info->err = jpeg_std_error(&errors->standard);
    errors->standard.error_exit = jpeg_read_failed;
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_stdio_src(info, f);
    jpeg_save_markers(info, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; ++m) jpeg_save_markers(info, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(info, TRUE);
    d->width = static_cast<int32_t>(info->image_width);
    d->height = static_cast<int32_t>(info->image_height);
    d->components = info->num_components;
    d->progressive = info->progressive_mode != 0;
    for (int t = 0; t < 2; ++t) {
        std::vector<uint16_t>& table = t == 0 ? d->luma_table : d->chroma_table;
        if (info->quant_tbl_ptrs[t]) table.assign(info->quant_tbl_ptrs[t]->quantval, info->quant_tbl_ptrs[t]->quantval + 64);
    }
    for (jpeg_saved_marker_ptr m = info->marker_list; m; m = m->next) d->markers.push_back(m->marker);
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    d->rgb.resize(static_cast<size_t>(d->width) * d->height * 3);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = d->rgb.data() + static_cast<size_t>(info->output_scanline) * d->width * 3;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}

}  // namespace

DecodedJpeg decode_jpeg(const std::string& file) {
    DecodedJpeg d;
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return d;
    jpeg_decompress_struct info{};
    JpegReadErrors errors{};
    d.ok = read_jpeg(f, &d, &info, &errors);
    std::fclose(f);
    return d;
}

std::vector<uint16_t> scaled_table(bool chroma, int quality) {
    // The example tables of the JPEG standard, natural order.
    static const uint16_t luma[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const uint16_t chro[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                      24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                      99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                      99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    if (quality < 1) quality = 1;
    if (quality > 100) quality = 100;
    long scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    std::vector<uint16_t> out(64);
    for (int i = 0; i < 64; ++i) {
        long v = ((chroma ? chro[i] : luma[i]) * scale + 50) / 100;
        out[i] = static_cast<uint16_t>(std::clamp(v, 1L, 32767L));
    }
    return out;
}

CommandResult run_command(const std::string& command) {
    CommandResult r;
#ifndef _WIN32
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
    (void)command;
#endif
    return r;
}

bool have_command(const std::string& name) {
#ifdef _WIN32
    (void)name;
    return false;
#else
    return run_command("command -v " + name + " >/dev/null").code == 0;
#endif
}

}  // namespace encoder_test

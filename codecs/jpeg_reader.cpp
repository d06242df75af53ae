#include "codecs/jpeg_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
#include <jerror.h>
// clang-format on

#include <csetjmp>

namespace {

// What libjpeg may hold for one picture (a progressive file's coefficients
// above all, two bytes a sample); a file that needs more is refused.
constexpr uint64_t MEMORY_BUDGET = uint64_t{1} << 30;

// Huffman-coded data gives every block of the first component at least one
// bit (its DC code); arithmetic-coded data may give a plain picture far
// less, so it is only asked for a bit per 64 of them.
constexpr uint64_t BLOCKS_PER_BYTE_HUFFMAN = 8;
constexpr uint64_t BLOCKS_PER_BYTE_ARITHMETIC = 8 * 64;

// How a decode ended when libjpeg jumped out of it.
enum Jump : int { JUMP_ERROR = 1, JUMP_DAMAGE = 2, JUMP_TOO_MANY_SCANS = 3 };

struct JpegErrors {
    jpeg_error_mgr standard;
    jmp_buf jump;
    // A progressive file cut short: libjpeg ends it at the cut and gives
    // the picture its scans so far hold, which is shown.
    bool keep_cut_progressive;
    bool cut;  // ... and was: what libjpeg says after that is about the cut
    bool damaged;
};

void jump_out(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, JUMP_ERROR); }

// Warnings are about damaged data (libjpeg would make some up and go on):
// the first one ends the decode, never printed.
void on_message(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    errors->damaged = true;
    if (errors->keep_cut_progressive && info->err->msg_code == JWRN_JPEG_EOF) errors->cut = true;
    if (errors->cut) return;
    std::longjmp(errors->jump, JUMP_DAMAGE);
}
void print_nothing(j_common_ptr) {}

// Called by libjpeg as it reads the data; ends a file of too many scans.
void count_scans(j_common_ptr info) {
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    if (d->input_scan_number > MAX_JPEG_SCANS)
        std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, JUMP_TOO_MANY_SCANS);
}

constexpr int ROWS = 16;  // rows read at once

// Everything a decode changes while libjpeg may jump out of it, off the
// stack so that its values are certain on the failure path.
struct JpegJob {
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    bool created;
    bool made;            // the target was asked for and given
    Placement placement;  // where the rows go, once made
    int32_t width, height;
    uint8_t* rows;  // ROWS rows, for pictures not written in place
    int32_t band_top, band_rows;  // rows read into them and not yet placed
};

JpegJob* start_job() {
    auto* job = static_cast<JpegJob*>(std::calloc(1, sizeof(JpegJob)));
    if (!job) return nullptr;
    job->info.err = jpeg_std_error(&job->errors.standard);
    job->errors.standard.error_exit = jump_out;
    job->errors.standard.emit_message = on_message;
    job->errors.standard.output_message = print_nothing;
    job->progress.progress_monitor = count_scans;
    return job;
}

void end_job(JpegJob* job) {
    if (job->created) jpeg_destroy_decompress(&job->info);
    std::free(job->rows);
    std::free(job);
}

// What the header says about the file: whether it is ours, and whether it
// is refused before anything is made for it.
JpegResult judge_header(const jpeg_decompress_struct& info, size_t size) {
    const int n = info.num_components;
    const J_COLOR_SPACE space = info.jpeg_color_space;
    const bool ours = (space == JCS_GRAYSCALE && n == 1) || ((space == JCS_YCbCr || space == JCS_RGB) && n == 3);
    if (info.image_width < 1 || info.image_height < 1) return JPEG_FAILED;
    if (info.image_width > static_cast<JDIMENSION>(MAX_DECODE_SIDE) ||
        info.image_height > static_cast<JDIMENSION>(MAX_DECODE_SIDE))
        return JPEG_TOO_LARGE;
    // Data far too short for the size claimed: no real file is that dense.
    const jpeg_component_info& first = info.comp_info[0];
    const uint64_t first_blocks = uint64_t{first.width_in_blocks} * first.height_in_blocks;
    const uint64_t per_byte = info.arith_code ? BLOCKS_PER_BYTE_ARITHMETIC : BLOCKS_PER_BYTE_HUFFMAN;
    if (first_blocks > uint64_t{size} * per_byte) return JPEG_FAILED;
    if (!ours) return JPEG_DECLINED;
    if (jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info))) {
        uint64_t coefficients = 0;
        for (int c = 0; c < n; ++c)
            coefficients += uint64_t{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks * 64 * 2;
        if (coefficients > MEMORY_BUDGET) return JPEG_TOO_LARGE;
    }
    return JPEG_COMPLETE;
}

// Reads the header into a job made by start_job; the judgement of it.
JpegResult read_header(JpegJob* job, const uint8_t* data, size_t size) {
    jpeg_create_decompress(&job->info);
    job->created = true;
    job->info.mem->max_memory_to_use = static_cast<long>(MEMORY_BUDGET);
    job->info.progress = &job->progress;
    jpeg_mem_src(&job->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&job->info, TRUE);
    return judge_header(job->info, size);
}

// Asks for the target and works out where the rows go.
bool make_target(JpegJob* job, int32_t orientation, MakeTarget make, void* context) {
    const bool swap = orientation_swaps_sides(orientation);
    DecodeTarget target{};
    if (!make(context, swap ? job->height : job->width, swap ? job->width : job->height, &target) || !target.top)
        return false;
    job->placement = make_placement(target, orientation, job->width, job->height);
    job->made = true;
    return true;
}

// Rows first..height-1 in grey.
void fill_grey(JpegJob* job, int32_t first) {
    const size_t row_bytes = static_cast<size_t>(job->width) * 3;
    if (job->placement.step_x == 3) {
        for (int32_t y = first; y < job->height; ++y)
            std::memset(job->placement.first + y * job->placement.step_y, DAMAGED_GREY, row_bytes);
        return;
    }
    // The grey rows of a turned picture are columns or mirrored rows:
    // placed a pixel at a time (only damaged files come here).
    for (int32_t y = first; y < job->height; ++y) {
        uint8_t* out = job->placement.first + y * job->placement.step_y;
        for (int32_t x = 0; x < job->width; ++x, out += job->placement.step_x) out[0] = out[1] = out[2] = DAMAGED_GREY;
    }
}

// Rows in memory order (orientation 1, either way up): libjpeg writes
// straight into the target.
void read_in_place(JpegJob* job) {
    jpeg_decompress_struct* info = &job->info;
    while (info->output_scanline < info->output_height) {
        JSAMPROW rows[ROWS];
        const JDIMENSION left = info->output_height - info->output_scanline, n = left < ROWS ? left : ROWS;
        for (JDIMENSION i = 0; i < n; ++i)
            rows[i] = job->placement.first + static_cast<ptrdiff_t>(info->output_scanline + i) * job->placement.step_y;
        if (jpeg_read_scanlines(info, rows, n) == 0) std::longjmp(job->errors.jump, JUMP_ERROR);
    }
}

// Places the band of rows read so far.
void place_band(JpegJob* job) {
    place_band(job->placement, job->band_top, job->rows, static_cast<size_t>(job->width) * 3, job->band_rows,
               job->width);
    job->band_rows = 0;
}

// Turned pictures: a band of rows at a time, then placed.
void read_turned(JpegJob* job) {
    jpeg_decompress_struct* info = &job->info;
    const size_t row_bytes = static_cast<size_t>(job->width) * 3;
    job->rows = static_cast<uint8_t*>(std::malloc(row_bytes * ROWS));
    if (!job->rows) std::longjmp(job->errors.jump, JUMP_ERROR);
    while (info->output_scanline < info->output_height) {
        job->band_top = static_cast<int32_t>(info->output_scanline);
        while (job->band_rows < ROWS && info->output_scanline < info->output_height) {
            JSAMPROW rows[ROWS];
            for (int32_t i = 0; i < ROWS - job->band_rows; ++i) rows[i] = job->rows + (job->band_rows + i) * row_bytes;
            const JDIMENSION n = jpeg_read_scanlines(info, rows, static_cast<JDIMENSION>(ROWS - job->band_rows));
            if (n == 0) std::longjmp(job->errors.jump, JUMP_ERROR);
            job->band_rows += static_cast<int32_t>(n);
        }
        place_band(job);
    }
}

}  // namespace

bool looks_like_jpeg(const uint8_t* data, size_t size) {
    return data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool jpeg_size(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
    if (!looks_like_jpeg(data, size) || size > 0xFFFFFFFFu) return false;
    JpegJob* job = start_job();
    if (!job) return false;
    if (setjmp(job->errors.jump)) {
        end_job(job);
        return false;
    }
    const bool ok = read_header(job, data, size) == JPEG_COMPLETE;
    if (ok) {
        *width = static_cast<int32_t>(job->info.image_width);
        *height = static_cast<int32_t>(job->info.image_height);
    }
    end_job(job);
    return ok;
}

// libjpeg reports errors by long-jumping back here, so this function holds
// no object with a destructor; its changing state is in the job block.
JpegResult decode_jpeg(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context) {
    if (!looks_like_jpeg(data, size) || !make) return JPEG_DECLINED;
    // jpeg_mem_src takes an unsigned long, 32 bits on Windows.
    if (size > 0xFFFFFFFFu) return JPEG_TOO_LARGE;
    JpegJob* job = start_job();
    if (!job) return JPEG_FAILED;
    if (const int jump = setjmp(job->errors.jump)) {
        JpegResult result = JPEG_FAILED;
        // Damage met once the size was known: the rows decoded so far, the
        // rest grey.  A target that cannot be made, or too many scans,
        // leave no picture.
        if (jump == JUMP_DAMAGE && job->width > 0 && (job->made || make_target(job, orientation, make, context))) {
            if (job->band_rows) place_band(job);
            fill_grey(job, static_cast<int32_t>(job->info.output_scanline));
            result = JPEG_DAMAGED;
        }
        end_job(job);
        return result;
    }
    const JpegResult judged = read_header(job, data, size);
    if (judged != JPEG_COMPLETE) {
        end_job(job);
        return judged;
    }
    jpeg_decompress_struct* info = &job->info;
    info->out_color_space = JCS_EXT_BGR;
    info->dct_method = JDCT_ISLOW;
    job->width = static_cast<int32_t>(info->image_width);
    job->height = static_cast<int32_t>(info->image_height);
    job->errors.keep_cut_progressive = jpeg_has_multiple_scans(info) != 0;
    // A progressive file is read whole here.
    jpeg_start_decompress(info);
    if (info->output_components != 3 || static_cast<int32_t>(info->output_width) != job->width ||
        static_cast<int32_t>(info->output_height) != job->height)
        std::longjmp(job->errors.jump, JUMP_ERROR);
    if (!make_target(job, orientation, make, context)) std::longjmp(job->errors.jump, JUMP_ERROR);
    if (job->placement.step_x == 3)
        read_in_place(job);
    else
        read_turned(job);
    // A progressive file that was cut short gave what its scans held.
    if (job->errors.damaged) {
        end_job(job);
        return JPEG_DAMAGED;
    }
    jpeg_finish_decompress(info);
    end_job(job);
    return JPEG_COMPLETE;
}

#include "codecs/jpeg_reader.h"

#include <cstdio>
#include <cstdlib>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on

#include <condition_variable>
#include <csetjmp>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

// YCbCr to RGB as the platform's decoder computes it: the usual tables,
// with the green weights at their full precision (0.344136286 and
// 0.714136286), which moves green by one now and then against libjpeg's
// own conversion.
struct ColourTables {
    int cr_r[256], cb_b[256], cr_g[256], cb_g[256];
    uint8_t clamp[256 * 3];  // index value + 256
    ColourTables() {
        constexpr int SCALE = 16;
        constexpr long HALF = 1L << (SCALE - 1);
        auto fix = [](double v) { return static_cast<long>(v * (1L << SCALE) + 0.5); };
        for (int i = 0; i < 256; ++i) {
            long x = i - 128;
            cr_r[i] = static_cast<int>((fix(1.402) * x + HALF) >> SCALE);
            cb_b[i] = static_cast<int>((fix(1.772) * x + HALF) >> SCALE);
            cr_g[i] = static_cast<int>(-fix(0.714136286) * x);
            cb_g[i] = static_cast<int>(-fix(0.344136286) * x + HALF);
        }
        for (int i = 0; i < 256 * 3; ++i) clamp[i] = static_cast<uint8_t>(i < 256 ? 0 : i < 512 ? i - 256 : 255);
    }
};

const ColourTables& colour_tables() {
    static const ColourTables tables;
    return tables;
}

// YCbCr samples (each `step` bytes apart) to blue, green, red.  The
// pointers never overlap the tables, which lets the loop keep them apart.
void convert_samples(const uint8_t* __restrict y, const uint8_t* __restrict cb, const uint8_t* __restrict cr,
                     int step, uint8_t* __restrict bgr, int32_t width) {
    const ColourTables& t = colour_tables();
    const int* __restrict cb_b = t.cb_b;
    const int* __restrict cb_g = t.cb_g;
    const int* __restrict cr_g = t.cr_g;
    const int* __restrict cr_r = t.cr_r;
    const uint8_t* __restrict clamp = t.clamp + 256;
    for (int32_t x = 0; x < width; ++x, bgr += 3) {
        const int l = y[x * step], b = cb[x * step], r = cr[x * step];
        bgr[0] = clamp[l + cb_b[b]];
        bgr[1] = clamp[l + ((cb_g[b] + cr_g[r]) >> 16)];
        bgr[2] = clamp[l + cr_r[r]];
    }
}

// One row of interleaved YCbCr samples to blue, green, red.
void convert_row(const uint8_t* ycc, uint8_t* bgr, int32_t width) { convert_samples(ycc, ycc + 1, ycc + 2, 3, bgr, width); }

struct JpegErrors {
    jpeg_error_mgr standard;
    jmp_buf jump;
};

void jump_out(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

// Warnings are only counted (a damaged file gets them): never printed.
void count_warning(j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
}
void print_nothing(j_common_ptr) {}

#if JPEG_LIB_VERSION >= 70
#define BLOCK_SIDE(component) ((component).DCT_h_scaled_size)
#else
#define BLOCK_SIDE(component) ((component).DCT_scaled_size)
#endif

// The 4:2:0 chroma pass runs on a thread of its own, SLOTS iMCU rows ahead
// at most; the decoding thread takes each row once its chroma is there.
constexpr int32_t SLOTS = 4;

struct ChromaWorker {
    std::mutex lock;
    std::condition_variable changed;
    int32_t produced = 0;  // iMCU rows whose chroma is in its slot
    int32_t consumed = 0;  // iMCU rows the decoding thread is done with
    bool failed = false;   // the chroma pass met an error
    bool finished = false; // the chroma pass read the file to its end
    bool stop = false;     // the decoding thread gave up
    std::thread thread;
};

// Everything a decode changes while libjpeg may jump out of it, off the
// stack so that its values are certain on the failure path.
struct JpegJob {
    jpeg_decompress_struct info;
    // 4:2:0 only: the second pass over the file, at twice the size, whose
    // 16 x 16 inverse DCT gives the chroma at full resolution, with its own
    // error manager since it runs on the worker thread.
    jpeg_decompress_struct chroma;
    bool chroma_created;
    JpegErrors errors;
    JpegErrors chroma_errors;
    ChromaWorker* worker;
    int32_t imcu_rows;
    size_t chroma_width;
    uint8_t* row;     // one decoded row
    uint8_t* bgr;     // one converted row
    uint8_t* planes;  // 4:2:0: luma rows, the chroma slots, scratch rows
    uint8_t* slots;
    uint8_t* chroma_scratch;
};

// Tells the worker to stop and waits for it.
void stop_worker(JpegJob* job) {
    ChromaWorker* w = job->worker;
    if (!w) return;
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->stop = true;
    }
    w->changed.notify_all();
    if (w->thread.joinable()) w->thread.join();
    delete w;
    job->worker = nullptr;
}

JpegJob* start_job(const uint8_t* data, size_t size) {
    auto* job = static_cast<JpegJob*>(std::calloc(1, sizeof(JpegJob)));
    if (!job) return nullptr;
    job->info.err = jpeg_std_error(&job->errors.standard);
    job->errors.standard.error_exit = jump_out;
    job->errors.standard.emit_message = count_warning;
    job->errors.standard.output_message = print_nothing;
    return job;
}

void end_job(JpegJob* job) {
    stop_worker(job);
    jpeg_destroy_decompress(&job->info);
    if (job->chroma_created) jpeg_destroy_decompress(&job->chroma);
    std::free(job->row);
    std::free(job->bgr);
    std::free(job->planes);
    std::free(job);
}

// Progressive files are held whole as coefficients (2 bytes a sample; the
// 4:2:0 decoding holds them twice): beyond this many bytes of them a file
// goes to the platform decoder instead.
constexpr uint64_t MAX_COEFFICIENT_BYTES = uint64_t{256} << 20;

// 2 x 2 luma against 1 x 1 chroma.
bool is_420(const jpeg_decompress_struct& info) {
    const jpeg_component_info* c = info.comp_info;
    return c[0].h_samp_factor == 2 && c[0].v_samp_factor == 2 && c[1].h_samp_factor == 1 &&
           c[1].v_samp_factor == 1 && c[2].h_samp_factor == 1 && c[2].v_samp_factor == 1;
}

bool is_444(const jpeg_decompress_struct& info) {
    for (int c = 0; c < 3; ++c)
        if (info.comp_info[c].h_samp_factor != info.comp_info[0].h_samp_factor ||
            info.comp_info[c].v_samp_factor != info.comp_info[0].v_samp_factor)
            return false;
    return true;
}

// Pictures whose decoding through libjpeg matches the platform's: grey, and
// YCbCr with chroma at full resolution or halved both ways.  The platform
// upsamples other chroma (4:2:2, 4:4:0, ...) through scaled inverse DCTs
// this library lacks (16 x 8, 8 x 16), so those are declined.
bool accepted(const jpeg_decompress_struct& info) {
    if (info.image_width < 1 || info.image_height < 1) return false;
    if (info.image_width > static_cast<JDIMENSION>(MAX_DECODE_SIDE) ||
        info.image_height > static_cast<JDIMENSION>(MAX_DECODE_SIDE))
        return false;
    if (info.jpeg_color_space == JCS_GRAYSCALE) return info.num_components == 1;
    if (info.jpeg_color_space == JCS_YCbCr) return info.num_components == 3 && (is_444(info) || is_420(info));
    return false;
}

}  // namespace

bool looks_like_jpeg(const uint8_t* data, size_t size) {
    return data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool jpeg_size(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
    if (!looks_like_jpeg(data, size)) return false;
    JpegJob* job = start_job(data, size);
    if (!job) return false;
    if (setjmp(job->errors.jump)) {
        end_job(job);
        return false;
    }
    jpeg_create_decompress(&job->info);
    jpeg_mem_src(&job->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&job->info, TRUE);
    bool ok = accepted(job->info);
    if (ok) {
        *width = static_cast<int32_t>(job->info.image_width);
        *height = static_cast<int32_t>(job->info.image_height);
    }
    end_job(job);
    return ok;
}

namespace {

// Worker side: waits for a free slot; false when told to stop.
bool wait_for_slot(ChromaWorker* w, int32_t row) {
    std::unique_lock<std::mutex> hold(w->lock);
    w->changed.wait(hold, [&] { return w->stop || row - w->consumed < SLOTS; });
    return !w->stop;
}

void publish(ChromaWorker* w, int32_t produced) {
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->produced = produced;
    }
    w->changed.notify_all();
}

void fail(ChromaWorker* w) {
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->failed = true;
    }
    w->changed.notify_all();
}

void finish(ChromaWorker* w) {
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->finished = true;
    }
    w->changed.notify_all();
}

// Decoding side: waits until the chroma of iMCU row `row` is there (or, with
// row == imcu_rows, until the pass has read the file to its end); false
// when the pass failed.
bool wait_for_chroma(ChromaWorker* w, int32_t row, int32_t imcu_rows) {
    std::unique_lock<std::mutex> hold(w->lock);
    w->changed.wait(hold, [&] { return w->failed || (row < imcu_rows ? w->produced > row : w->finished); });
    return !w->failed;
}

void release_slot(ChromaWorker* w, int32_t consumed) {
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->consumed = consumed;
    }
    w->changed.notify_all();
}

uint8_t* slot_rows(JpegJob* job, int32_t row) {
    return job->slots + static_cast<size_t>(row % SLOTS) * 32 * job->chroma_width;
}

// One iMCU row of the chroma pass into its slot; false when libjpeg gave
// fewer rows (its errors long-jump to the chroma object's error manager).
bool read_chroma_row(JpegJob* job, int32_t row) {
    JSAMPROW skip[32], cb[16], cr[16];
    uint8_t* slot = slot_rows(job, row);
    for (int i = 0; i < 32; ++i) skip[i] = job->chroma_scratch;
    for (int i = 0; i < 16; ++i) {
        cb[i] = slot + i * job->chroma_width;
        cr[i] = slot + (16 + i) * job->chroma_width;
    }
    JSAMPARRAY planes[3] = {skip, cb, cr};
    return jpeg_read_raw_data(&job->chroma, planes, 32) == 32;
}

// The chroma pass on the worker thread.  libjpeg long-jumps back here on
// an error, so nothing here has a destructor.
void run_chroma_pass(JpegJob* job) {
    ChromaWorker* w = job->worker;
    if (setjmp(job->chroma_errors.jump)) {
        fail(w);
        return;
    }
    for (int32_t row = 0; row < job->imcu_rows; ++row) {
        if (!wait_for_slot(w, row)) return;
        if (!read_chroma_row(job, row)) std::longjmp(job->chroma_errors.jump, 1);
        publish(w, row + 1);
    }
    // To the end of the file, where a cut or damaged file gets its warnings.
    jpeg_finish_decompress(&job->chroma);
    finish(w);
}

// 4:2:0 the platform's way: its decoder takes the chroma blocks through a
// 16 x 16 inverse DCT straight to full resolution instead of upsampling
// them.  Two passes over the file in step, both raw: this thread's gives
// luma at 1:1 (its chroma skipped), the worker's, at twice the size, gives
// the chroma from the same 16 x 16 transform (its luma skipped).  Both
// deliver one iMCU row, 16 picture rows, at a time.
void decode_420(JpegJob* job, const uint8_t* data, size_t size, const Placement& placement) {
    jpeg_decompress_struct* luma = &job->info;
    jpeg_decompress_struct* chroma = &job->chroma;
    const int32_t width = static_cast<int32_t>(luma->output_width), height = static_cast<int32_t>(luma->output_height);

    chroma->err = &job->errors.standard;
    jpeg_create_decompress(chroma);
    job->chroma_created = true;
    jpeg_mem_src(chroma, data, static_cast<unsigned long>(size));
    jpeg_read_header(chroma, TRUE);
    if (!accepted(*chroma) || !is_420(*chroma)) std::longjmp(job->errors.jump, 1);
    chroma->raw_data_out = TRUE;
    chroma->scale_num = 2;
    chroma->scale_denom = 1;
    chroma->dct_method = JDCT_ISLOW;
    jpeg_start_decompress(chroma);
    if (BLOCK_SIDE(chroma->comp_info[1]) != 16 || BLOCK_SIDE(luma->comp_info[0]) != 8)
        std::longjmp(job->errors.jump, 1);
    // Neither pass transforms what it does not deliver.
    chroma->comp_info[0].component_needed = FALSE;
    luma->comp_info[1].component_needed = FALSE;
    luma->comp_info[2].component_needed = FALSE;

    // Row buffers: 16 luma rows, the chroma slots (16 rows of each plane),
    // and a scratch row per pass for the samples nobody reads.
    const size_t luma_width = size_t{luma->comp_info[0].width_in_blocks} * 8;
    job->chroma_width = size_t{chroma->comp_info[1].width_in_blocks} * 16;
    const size_t scratch_width = size_t{chroma->comp_info[0].width_in_blocks} * 16 + luma_width;
    if (job->chroma_width < static_cast<size_t>(width) || luma_width < static_cast<size_t>(width))
        std::longjmp(job->errors.jump, 1);
    job->planes = static_cast<uint8_t*>(
            std::malloc(16 * luma_width + SLOTS * 32 * job->chroma_width + 2 * scratch_width));
    job->bgr = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * 3));
    if (!job->planes || !job->bgr) std::longjmp(job->errors.jump, 1);
    uint8_t* y_rows = job->planes;
    job->slots = y_rows + 16 * luma_width;
    uint8_t* scratch = job->slots + SLOTS * 32 * job->chroma_width;
    job->chroma_scratch = scratch + scratch_width;
    job->imcu_rows = (height + 15) / 16;

    // Pictures of more than SLOTS iMCU rows get a worker for the chroma
    // pass, which from then on owns the chroma object; small ones (and
    // any whose thread cannot start) read both passes here, in turn.
    job->chroma_errors.standard = job->errors.standard;
    job->chroma_errors.standard.num_warnings = 0;
    if (job->imcu_rows > SLOTS) {
        job->worker = new (std::nothrow) ChromaWorker;
        if (job->worker) {
            chroma->err = &job->chroma_errors.standard;
            try {
                job->worker->thread = std::thread(run_chroma_pass, job);
            } catch (const std::system_error&) {
                chroma->err = &job->errors.standard;
                delete job->worker;
                job->worker = nullptr;
            }
        }
    }

    JSAMPROW luma_y[16], luma_skip[8];
    for (int i = 0; i < 16; ++i) luma_y[i] = y_rows + i * luma_width;
    for (int i = 0; i < 8; ++i) luma_skip[i] = scratch;
    JSAMPARRAY luma_planes[3] = {luma_y, luma_skip, luma_skip};

    for (int32_t row = 0; row < job->imcu_rows; ++row) {
        if (jpeg_read_raw_data(luma, luma_planes, 16) != 16) std::longjmp(job->errors.jump, 1);
        if (!job->worker) {
            if (!read_chroma_row(job, row)) std::longjmp(job->errors.jump, 1);
        } else if (!wait_for_chroma(job->worker, row, job->imcu_rows)) std::longjmp(job->errors.jump, 1);
        const uint8_t* slot = slot_rows(job, row);
        const int32_t top = row * 16;
        for (int32_t r = 0; r < 16 && top + r < height; ++r) {
            uint8_t* out = placement.step_x == 3 ? placement.first + (top + r) * placement.step_y : job->bgr;
            convert_samples(luma_y[r], slot + r * job->chroma_width, slot + (16 + r) * job->chroma_width, 1, out,
                            width);
            if (placement.step_x != 3) place_row(placement, top + r, job->bgr, width);
        }
        if (job->worker) release_slot(job->worker, row + 1);
    }
    if (job->worker) {
        if (!wait_for_chroma(job->worker, job->imcu_rows, job->imcu_rows)) std::longjmp(job->errors.jump, 1);
        stop_worker(job);
        job->errors.standard.num_warnings += job->chroma_errors.standard.num_warnings;
    } else {
        jpeg_finish_decompress(chroma);
    }
}

}  // namespace

// libjpeg reports errors by long-jumping back here, so this function holds
// no object with a destructor; its changing state is in the job block.
int32_t decode_jpeg(const uint8_t* data, size_t size, int32_t orientation, MakeTarget make, void* context) {
    if (!looks_like_jpeg(data, size) || !make) return 0;
    // jpeg_mem_src takes an unsigned long, 32 bits on Windows.
    if (size > 0xFFFFFFFFu) return 0;
    JpegJob* job = start_job(data, size);
    if (!job) return 0;
    if (setjmp(job->errors.jump)) {
        end_job(job);
        return 0;
    }
    jpeg_decompress_struct* info = &job->info;
    jpeg_create_decompress(info);
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    jpeg_read_header(info, TRUE);
    // Sizes and colour spaces are checked before anything is allocated for
    // the picture.
    if (!accepted(*info)) std::longjmp(job->errors.jump, 1);
    // Grey comes out as blue, green and red from libjpeg itself; colour as
    // YCbCr, converted here the way the platform does it.
    const bool grey = info->jpeg_color_space == JCS_GRAYSCALE;
    const bool halved = !grey && is_420(*info);
    const uint64_t coefficient_bytes = uint64_t{info->image_width} * info->image_height * (grey ? 2 : 6);
    if (jpeg_has_multiple_scans(info) && coefficient_bytes > MAX_COEFFICIENT_BYTES) std::longjmp(job->errors.jump, 1);
    info->out_color_space = grey ? JCS_EXT_BGR : JCS_YCbCr;
    info->dct_method = JDCT_ISLOW;
    info->raw_data_out = halved ? TRUE : FALSE;
    jpeg_start_decompress(info);
    if (!halved && info->output_components != 3) std::longjmp(job->errors.jump, 1);

    const int32_t width = static_cast<int32_t>(info->output_width), height = static_cast<int32_t>(info->output_height);
    const bool swap = orientation_swaps_sides(orientation);
    DecodeTarget target{};
    if (!make(context, swap ? height : width, swap ? width : height, &target) || !target.top)
        std::longjmp(job->errors.jump, 1);
    const Placement placement = make_placement(target, orientation, width, height);

    if (halved) {
        decode_420(job, data, size, placement);
    } else if (grey && placement.step_x == 3) {
        // Upright rows in memory order: libjpeg writes into them directly.
        while (info->output_scanline < info->output_height) {
            JSAMPROW rows[4];
            JDIMENSION left = info->output_height - info->output_scanline, n = left < 4 ? left : 4;
            for (JDIMENSION i = 0; i < n; ++i)
                rows[i] = placement.first + static_cast<ptrdiff_t>(info->output_scanline + i) * placement.step_y;
            if (jpeg_read_scanlines(info, rows, n) == 0) std::longjmp(job->errors.jump, 1);
        }
    } else {
        job->row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * 3));
        job->bgr = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * 3));
        if (!job->row || !job->bgr) std::longjmp(job->errors.jump, 1);
        while (info->output_scanline < info->output_height) {
            int32_t y = static_cast<int32_t>(info->output_scanline);
            JSAMPROW rows[1] = {job->row};
            if (jpeg_read_scanlines(info, rows, 1) != 1) std::longjmp(job->errors.jump, 1);
            if (grey) {
                place_row(placement, y, job->row, width);
            } else if (placement.step_x == 3) {
                convert_row(job->row, placement.first + y * placement.step_y, width);
            } else {
                convert_row(job->row, job->bgr, width);
                place_row(placement, y, job->bgr, width);
            }
        }
    }
    jpeg_finish_decompress(info);
    // A damaged file decodes with warnings (made-up data, a premature end):
    // such a picture is not the one the file holds.
    int32_t result = job->errors.standard.num_warnings == 0 ? 1 : 0;
    end_job(job);
    return result;
}

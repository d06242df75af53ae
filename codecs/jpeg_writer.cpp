#include "codecs/jpeg_writer.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on

#include <csetjmp>

#include "codecs/encoder.h"
#include "codecs/save_file.h"

namespace {

EncoderRecord jpeg_record;
bool jpeg_registered = false;

// libjpeg's standard error manager followed by the writer's jump buffer.
struct JpegErrorManager {
    jpeg_error_mgr standard;
    jmp_buf jump;
};

// libjpeg calls this on an error instead of exiting; nothing is printed.
void jump_to_writer(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
}

// Everything one write changes while libjpeg may jump out of it lives here,
// off the stack, so its values are certain on the failure path.
struct JpegJob {
    jpeg_compress_struct info;
    JpegErrorManager errors;
    uint8_t* row;
    FILE* stream;
    TempName temp;
};

}  // namespace

void register_jpeg_encoder() {
    if (jpeg_registered) return;
    jpeg_registered = true;
    jpeg_record.tag = FORMAT_JPEG;
    jpeg_record.write_rgb24 = write_jpeg;
    jpeg_record.write_rgba32 = nullptr;
    register_encoder(&jpeg_record);
}

// libjpeg reports errors by long-jumping back here, so this function holds no
// object with a destructor; its changing state is in the job block.
int32_t write_jpeg(const char* file, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                   int32_t layout, int32_t flags, int32_t depth) {
    if (!file || !*file || !pixels) return 0;
    if (width <= 0 || height <= 0) return 0;
    // The row buffer holds width × 3 bytes plus slack; the size has to be
    // representable before anything is allocated.
    if (static_cast<uint64_t>(width) * 3 + 4 > SIZE_MAX / 2) return 0;

    // Zero-filled: destroying a compressor that was never created is then harmless.
    auto* job = static_cast<JpegJob*>(std::calloc(1, sizeof(JpegJob)));
    if (!job) return 0;
    job->stream = create_temp_stream(file, &job->temp);
    if (!job->stream) {
        std::free(job);
        return 0;
    }

    job->info.err = jpeg_std_error(&job->errors.standard);
    job->errors.standard.trace_level = -1;
    job->errors.standard.error_exit = jump_to_writer;
    if (setjmp(job->errors.jump)) {
        jpeg_destroy_compress(&job->info);
        std::free(job->row);
        discard_temp_stream(job->stream, &job->temp);
        std::free(job);
        return 0;
    }

    jpeg_create_compress(&job->info);
    jpeg_stdio_dest(&job->info, job->stream);
    job->info.image_width = static_cast<JDIMENSION>(width);
    job->info.image_height = static_cast<JDIMENSION>(height);
    job->info.input_components = 3;
    job->info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job->info);
    jpeg_set_quality(&job->info, jpeg_quality(flags), FALSE);
    jpeg_start_compress(&job->info, TRUE);

    // One row buffer, sized by the width so that no pitch can overrun it.
    job->row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * 3 + 4));
    if (!job->row) std::longjmp(job->errors.jump, 1);
    bool bottom_up = (layout & ROWS_BOTTOM_UP) != 0;
    const uint8_t* source = bottom_up ? pixels + static_cast<ptrdiff_t>((static_cast<int64_t>(height) - 1) * pitch) : pixels;
    ptrdiff_t step = bottom_up ? -static_cast<ptrdiff_t>(pitch) : static_cast<ptrdiff_t>(pitch);
    for (int32_t y = 0; y < height; ++y, source += step) {
        uint8_t* out = job->row;
        const uint8_t* in = source;
        for (int32_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        JSAMPROW rows[1] = {job->row};
        jpeg_write_scanlines(&job->info, rows, 1);
    }
    std::free(job->row);
    job->row = nullptr;

    jpeg_finish_compress(&job->info);
    jpeg_destroy_compress(&job->info);
    FILE* stream = job->stream;
    TempName* temp = &job->temp;
    int32_t result = commit_temp_stream(stream, temp, file);
    std::free(job);
    return result;
}

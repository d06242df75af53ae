#include "app/batch/batch_run.h"

#include <mutex>
#include <new>
#include <thread>

#include "app/model/face_square.h"
#include "app/output/save.h"
#include "codecs/encoder.h"
#include "codecs/jpeg_reader.h"
#include "codecs/orientation.h"
#include "codecs/png_reader.h"
#include "detect/faces.h"

namespace {

// Larger files are not pictures anyone takes a cut-out of.
constexpr uint64_t FILE_LIMIT = uint64_t{1} << 31;

// The decoders write every pixel: a buffer as large as the picture or
// larger is taken as it is, so that a thread's pictures reuse one block
// instead of clearing and faulting in a fresh one each.
bool plain_target(void* context, int32_t width, int32_t height, DecodeTarget* target) {
    auto* picture = static_cast<PlainPicture*>(context);
    const size_t bytes = static_cast<size_t>(width) * 3 * static_cast<size_t>(height);
    try {
        if (picture->pixels.size() < bytes) {
            picture->pixels = {};
            picture->pixels.resize(bytes);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    picture->width = width;
    picture->height = height;
    target->top = picture->pixels.data();
    target->stride = static_cast<ptrdiff_t>(width) * 3;
    return true;
}

}  // namespace

bool decode_batch_picture(const std::string& file, PlainPicture* picture, PictureProblem* problem) {
    PictureProblem ignored;
    if (!problem) problem = &ignored;
    *problem = PictureProblem::UNREADABLE;
    std::vector<uint8_t> bytes;
    if (!read_whole_file(file, &bytes, FILE_LIMIT)) return false;
    const uint8_t* data = bytes.data();
    const bool jpeg = looks_like_jpeg(data, bytes.size()), png = looks_like_png(data, bytes.size());
    const int32_t orientation = jpeg || png ? read_orientation(data, bytes.size()) : 1;
    if (jpeg) {
        // As a load: a damaged picture is cut out as it shows, a refused
        // file goes to no other decoder.
        const JpegResult done = decode_jpeg(data, bytes.size(), orientation, plain_target, picture);
        *problem = done == JPEG_DAMAGED || done == JPEG_FAILED ? PictureProblem::DAMAGED_JPEG
                   : done == JPEG_TOO_LARGE                   ? PictureProblem::TOO_LARGE
                                                              : PictureProblem::NONE;
        if (done > 0) return true;
        if (done != JPEG_DECLINED) return false;
    } else if (png) {
        if (decode_png(data, bytes.size(), orientation, plain_target, picture) > 0) return true;
        *problem = PictureProblem::DAMAGED_PNG;
        return false;
    }
    bytes = {};
    *picture = PlainPicture{};
    *problem = PictureProblem::NONE;
    if (decode_with_platform(file, picture)) return true;
    *problem = PictureProblem::UNREADABLE;
    return false;
}

CropSquare batch_square(BatchSquare rule, const PlainPicture& picture) {
    if (rule == SQUARE_FIRST) return first_square(picture.width, picture.height);
    // The window's rule for the face; the centre where there is none.
    FaceBox face{};
    if (rule == SQUARE_FACES && find_face(picture.pixels.data(), static_cast<int64_t>(picture.width) * 3, picture.width,
                                          picture.height, 3, false, &face) != FACE_NONE)
        return square_on_face(face.x, face.y, face.width, face.height, picture.width, picture.height);
    return centred_square(picture.width, picture.height);
}

BatchResult write_batch_cutout(const PlainPicture& picture, const BatchLook& look, const std::string& file) {
    BatchResult result;
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(static_cast<size_t>(look.size) * static_cast<size_t>(look.size) * 4);
    } catch (const std::bad_alloc&) {
        result.why = "Not enough memory";
        return result;
    }
    const PicturePixels source{picture.pixels.data(), static_cast<ptrdiff_t>(picture.width) * 3, picture.width,
                               picture.height, 3};
    const auto step = static_cast<ptrdiff_t>(look.size) * 4;
    if (!draw_cutout(source, batch_square(look.square, picture), look.look, look.size, pixels.data(), step)) {
        result.why = "Not enough memory";
        return result;
    }
    // As the window's Save writes its 32-bit output image.
    const uint32_t format = look.format == BATCH_JPG ? FORMAT_JPEG : FORMAT_PNG;
    const auto n = static_cast<int32_t>(look.size);
    result.written = save_pixels(file.c_str(), pixels.data(), format, n, n, n * 4, 32, 0, SAVE_FLAGS, 32) != 0;
    if (!result.written) result.why = "Could not write " + file;
    return result;
}

std::vector<BatchResult> run_batch(const std::vector<BatchItem>& items, const BatchLook& look, int jobs,
                                   const std::atomic<bool>* cancel, const BatchProgress& progress) {
    std::vector<BatchResult> results(items.size());
    for (BatchResult& r : results) r.why = "Cancelled";
    std::atomic<size_t> next{0};
    std::mutex reporting;
    auto work = [&] {
        PlainPicture picture;  // the thread's, reused from picture to picture
        for (;;) {
            if (cancel && cancel->load()) return;
            const size_t i = next++;
            if (i >= items.size()) return;
            BatchResult result;
            {
                PictureProblem problem = PictureProblem::NONE;
                if (!decode_batch_picture(items[i].picture, &picture, &problem)) result.why = picture_problem_text(problem);
                else result = write_batch_cutout(picture, look, items[i].output);
            }
            std::lock_guard<std::mutex> one_at_a_time(reporting);
            results[i] = result;
            if (progress) progress(i, result);
        }
    };
    if (jobs < 1) jobs = 1;
    if (static_cast<size_t>(jobs) > items.size()) jobs = static_cast<int>(items.size() ? items.size() : 1);
    std::vector<std::thread> threads;
    for (int t = 1; t < jobs; ++t) {
        try {
            threads.emplace_back(work);
        } catch (...) {
            break;  // fewer threads: the others do the work
        }
    }
    work();
    for (std::thread& t : threads) t.join();
    return results;
}

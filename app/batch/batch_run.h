// Running a batch: each picture decoded, cut out and written, on several
// threads at once, at most one decoded picture per thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/batch/batch_options.h"
#include "app/batch/batch_platform.h"
#include "app/model/crop.h"
#include "app/picture/decode.h"
#include "app/output/output_size.h"

// How every cut-out of a batch is made.
struct BatchLook {
    CutoutLook look;
    int64_t size;
    BatchFormat format;
    BatchSquare square;
};

struct BatchItem {
    std::string picture;  // read from
    std::string output;   // written to
};

struct BatchResult {
    bool written = false;
    std::string why;  // when not: what to tell the user
};

// Called once per picture as it ends, never by two threads at once, with
// its index in the list.
using BatchProgress = std::function<void(size_t index, const BatchResult& result)>;

// Decodes a picture file into plain memory: our own decoders for JPEG and
// PNG (turned upright), the platform's for the rest.  *problem, when asked,
// says why there is no picture (or that a JPEG was damaged).
bool decode_batch_picture(const std::string& file, PlainPicture* picture, PictureProblem* problem = nullptr);

// The square the batch cuts from a width x height picture.
CropSquare batch_square(BatchSquare rule, const PlainPicture& picture);

// The cut-out of one picture as the window's Save writes it, into `file`
// (written whole or not at all).
BatchResult write_batch_cutout(const PlainPicture& picture, const BatchLook& look, const std::string& file);

// The whole batch on `jobs` threads; once *cancel is set no further picture
// is started (those under way finish).  One result per item, in order;
// items never started are not written and say so.
std::vector<BatchResult> run_batch(const std::vector<BatchItem>& items, const BatchLook& look, int jobs,
                                   const std::atomic<bool>* cancel, const BatchProgress& progress);

// Without GDI a drawing output has no real device context: a non-zero token
// stands in so that the output's life cycle is the same everywhere, and the
// image's memory is reached through the output's pixel pointer.
#include "image/drawing_platform.h"

namespace {

int64_t next_context = 0x1000;
int64_t batch_limit = 20;  // the platform's default

}  // namespace

int64_t create_output_context() { return next_context++; }
void select_output_bitmap(int64_t, int64_t) {}
void delete_output_context(int64_t) {}
int64_t graphics_batch_limit() { return batch_limit; }
void set_graphics_batch_limit(int64_t limit) { batch_limit = limit; }

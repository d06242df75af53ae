// A disk that fills while a picture is written.  Simulated with a file size
// limit in a child process, which then gets EFBIG from its writes instead of
// the signal.  Native build only: Windows has no such limit.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "codecs/encoder.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "encoder_fixtures.h"

using namespace encoder_test;

namespace {

// Runs one save in a child limited to `limit` bytes per file; the save's
// result, or -1 when the child did not end normally.
int save_with_file_limit(rlim_t limit, const std::string& file, const Picture& p, uint32_t format, int32_t flags,
                         int32_t depth) {
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        int32_t result =
            save_pixels(file.c_str(), p.bits(), format, p.width, p.height, p.pitch, p.depth, ROWS_BOTTOM_UP, flags, depth);
        _exit(result == 1 ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Noise does not compress, so every format needs far more than the limit.
Bgra noise_pixel(int32_t x, int32_t y) {
    uint32_t h = static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    return {static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(h >> 16),
            static_cast<uint8_t>(h >> 24)};
}

TEST(FullDisk, AFailedWriteKeepsTheOldFileAndLeavesNoPartialFile) {
    register_png_encoder();
    register_jpeg_encoder();
    Picture p = make_picture(600, 600, 32, noise_pixel);
    struct {
        const char* name;
        uint32_t format;
        int32_t flags, depth;
    } cases[] = {{"full.bmp", FORMAT_BMP, 7, 32},  {"full24.bmp", FORMAT_BMP, 7, 24},
                 {"full.png", FORMAT_PNG, 32, -1}, {"full.jpg", FORMAT_JPEG, 32, -1},
                 // Palette output: 360,000 index bytes of noise either way.
                 {"full8.bmp", FORMAT_BMP, 7, 8},  {"full8.png", FORMAT_PNG, 32, 8}};
    const std::vector<uint8_t> old_bytes = {'o', 'l', 'd', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    for (auto c : cases) {
        ScratchFolder folder;
        std::string file = folder.path(c.name);
        // Over an existing file: it keeps its bytes.
        write_bytes(file, old_bytes);
        EXPECT_EQ(save_with_file_limit(200000, file, p, c.format, c.flags, c.depth), 0) << c.name;
        EXPECT_EQ(read_bytes(file), old_bytes) << c.name;
        EXPECT_EQ(folder.entries(), std::vector<std::string>{c.name});
        // Under a new name: nothing at all remains.
        std::string fresh = folder.path(std::string("new-") + c.name);
        EXPECT_EQ(save_with_file_limit(200000, fresh, p, c.format, c.flags, c.depth), 0) << c.name;
        EXPECT_EQ(folder.entries(), std::vector<std::string>{c.name});
        // The same save with room enough succeeds, so the limit was the cause.
        EXPECT_EQ(save_with_file_limit(RLIM_INFINITY, fresh, p, c.format, c.flags, c.depth), 1) << c.name;
        EXPECT_GT(read_bytes(fresh).size(), 200000u) << c.name;
    }
}

}  // namespace

#endif

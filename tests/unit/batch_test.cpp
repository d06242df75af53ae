#include "app/batch/batch_run.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/batch/batch_options.h"
#include "app/batch/output_names.h"
#include "app/model/state.h"
#include "app/output/save.h"
#include "app/picture/source.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "core/memory.h"
#include "encoder_fixtures.h"
#include "image/image.h"

namespace {

using encoder_test::read_bytes;
using encoder_test::ScratchFolder;

BatchCommand read(std::vector<std::string> args, BatchOptions* o, std::string* error) {
    return read_batch_arguments(args, o, error);
}

TEST(BatchArguments, OptionsAndEveryUsageError) {
    BatchOptions o;
    std::string error;
    ASSERT_EQ(read({"--out", "d", "--size=256", "--format", "jpg", "--radius", "100", "--smooth", "--background",
                    "#FF8000", "--inside-alpha", "0", "--outside-alpha=7", "--square", "faces", "--jobs", "3",
                    "--overwrite", "--quiet", "--use-settings", "a.jpg", "--", "--b.png"},
                   &o, &error),
              BATCH_RUN);
    EXPECT_EQ(o.out, "d");
    EXPECT_EQ(o.pictures, (std::vector<std::string>{"a.jpg", "--b.png"}));
    EXPECT_TRUE(o.size == 256 && o.format == BATCH_JPG && o.radius == 100 && o.smooth == 1 && o.colour == 0x0080FF &&
                o.inside_alpha == 0 && o.outside_alpha == 7 && o.square == SQUARE_FACES && o.jobs == 3);
    EXPECT_TRUE(o.overwrite && o.quiet && o.use_settings && o.size_set && o.radius_set && o.colour_set &&
                o.inside_set && o.outside_set && o.smooth_set);
    // The window's start look, and the centred square, by default.
    ASSERT_EQ(read({"--out", "d", "a.png"}, &o, &error), BATCH_RUN);
    EXPECT_TRUE(o.size == 600 && o.format == BATCH_PNG && o.radius == 295 && o.smooth == 0 && o.colour == 0 &&
                o.inside_alpha == 255 && o.outside_alpha == 255 && o.square == SQUARE_CENTRE && o.jobs == 0);
    EXPECT_FALSE(o.size_set || o.radius_set || o.use_settings);
    EXPECT_EQ(read({"a.png", "--help"}, &o, &error), BATCH_HELP);
    EXPECT_EQ(read({"--version"}, &o, &error), BATCH_VERSION);

    const std::vector<std::vector<std::string>> wrong = {
        {"a.png"},                               {"--out", "d"},
        {"--out"},                               {"--out", "", "a.png"},
        {"--out", "d", "--size", "0", "a"},      {"--out", "d", "--size", "4097", "a"},
        {"--out", "d", "--size", "12x", "a"},    {"--out", "d", "--format", "gif", "a"},
        {"--out", "d", "--radius", "501", "a"},  {"--out", "d", "--radius", "0", "a"},
        {"--out", "d", "--background", "#FFF", "a"}, {"--out", "d", "--background", "GG0000", "a"},
        {"--out", "d", "--inside-alpha", "256", "a"}, {"--out", "d", "--outside-alpha", "-1", "a"},
        {"--out", "d", "--square", "middle", "a"},    {"--out", "d", "--jobs", "0", "a"},
        {"--out", "d", "--frobnicate", "a"},          {"--out", "d", "a", "--size"},
    };
    for (const auto& args : wrong) {
        error.clear();
        EXPECT_EQ(read(args, &o, &error), BATCH_USAGE_ERROR) << args.back();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(BatchNames, NeverAnExistingFileNorOneNameTwice) {
    const std::set<std::string> on_disk = {"out\\a.png", "out\\b.png", "out\\b (2).png"};
    auto exists = [&](std::string n) {  // as Windows compares names
        for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return on_disk.count(n) > 0;
    };
    const std::vector<std::string> pictures = {"x/a.jpg", "C:\\y\\A.png", "b.heic", "c", "d.e.f.jpg", "b.jpg"};
    EXPECT_EQ(output_names("out", pictures, "png", false, exists),
              (std::vector<std::string>{"out\\a (2).png", "out\\A (3).png", "out\\b (3).png", "out\\c.png",
                                        "out\\d.e.f.png", "out\\b (4).png"}));
    EXPECT_EQ(output_names("out\\", pictures, "jpg", true, exists),
              (std::vector<std::string>{"out\\a.jpg", "out\\A (2).jpg", "out\\b.jpg", "out\\c.jpg", "out\\d.e.f.jpg",
                                        "out\\b (2).jpg"}));
}

// A batch's file is byte for byte what the window's Save writes for the same
// picture, square and look, at every kind of size and both formats.
TEST(BatchCutout, IsWhatTheWindowSaves) {
    init_image_library();
    register_png_encoder();
    register_jpeg_encoder();
    free_memory(app.source_buffer);  // what an earlier test left
    free_memory(app.output_buffer);
    clear_app_state();
    set_app_defaults();
    PlainPicture picture;
    picture.width = 700;
    picture.height = 500;
    for (int i = 0; i < 700 * 500 * 3; ++i) picture.pixels.push_back(static_cast<uint8_t>(i * 7 / 5 + (i / 2100) * 3));
    app.source_image = create_image(AUTO_ID, 700, 500, 24);
    BitmapInfo info{};
    uint8_t* bits = image_bits(app.source_image, &info);
    ASSERT_NE(bits, nullptr);
    for (int y = 0; y < 500; ++y) std::memcpy(bits + (499 - y) * info.stride, &picture.pixels[y * 2100], 2100);
    app.source_width = 700;
    app.source_height = 500;
    app.radius = 200;
    app.outer_alpha = 90;
    app.background_colour = 0x336699;
    ScratchFolder folder;
    for (BatchSquare rule : {SQUARE_FIRST, SQUARE_CENTRE})
        for (int64_t size : {256, 600, 1024})
            for (int64_t smooth : {0, 1})
                for (BatchFormat format : {BATCH_PNG, BATCH_JPG}) {
                    SCOPED_TRACE(testing::Message() << rule << " " << size << " " << smooth << " " << format);
                    app.crop = batch_square(rule, picture);
                    app.output_size = size;
                    app.smooth_edge = smooth;
                    app.output_image = size == 600 ? make_output_image(600) : 0;
                    const BatchLook look{current_look(), size, format, rule};
                    const std::string batch = folder.path("batch"), window = folder.path("window");
                    ASSERT_TRUE(write_batch_cutout(picture, look, batch).written);
                    ASSERT_EQ(save_output_as(window.c_str(), format == BATCH_JPG ? SAVE_JPG : SAVE_PNG), 1);
                    EXPECT_EQ(read_bytes(batch), read_bytes(window + (format == BATCH_JPG ? ".jpg" : ".png")));
                    if (app.output_image) free_image(app.output_image);
                }
    EXPECT_EQ(batch_square(SQUARE_CENTRE, picture).XS, 100);
    free_all_images();
    clear_app_state();
}

// --square faces puts the square where the window's Square on the face
// does (on the photograph python3-skimage ships), and centres it without one.
TEST(BatchSquare, FacesAsTheWindowPutsThem) {
    const char* file = "/usr/lib/python3/dist-packages/skimage/data/astronaut.png";
    PlainPicture photo;
    if (!decode_batch_picture(file, &photo)) GTEST_SKIP() << "no " << file << " (python3-skimage)";
    init_image_library();
    free_memory(app.source_buffer);
    free_memory(app.output_buffer);
    clear_app_state();
    set_app_defaults();
    load_source(file);
    ASSERT_TRUE(apply_face_square());
    const CropSquare s = batch_square(SQUARE_FACES, photo);
    EXPECT_TRUE(s.XS == app.crop.XS && s.YS == app.crop.YS && s.side == app.crop.side);
    PlainPicture flat;
    flat.width = 300;
    flat.height = 200;
    flat.pixels.assign(300 * 200 * 3, 128);
    EXPECT_EQ(batch_square(SQUARE_FACES, flat).XS, 50);
    free_all_images();
    clear_app_state();
}

}  // namespace

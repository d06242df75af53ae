// Saving the output image: the naming rules of the two saves and what they
// write, decoded by the system's own libraries.
#include "app/output/save.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/model/state.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "encoder_fixtures.h"
#include "image/image.h"

using namespace encoder_test;

namespace {

TEST(SaveNaming, ExtensionIsWhatFollowsTheLastDotOfTheLastComponent) {
    const struct {
        const char* file;
        const char* ext;
    } cases[] = {
        {"photo", ""},          {"photo.png", "png"},       {"photo.PNG", "PNG"},
        {"photo.jpg.png", "png"}, {"photo.", ""},           {".png", "png"},
        {"C:\\dir.x\\photo", ""}, {"/tmp/dir.x/photo", ""}, {"C:\\dir.x\\photo.jpeg", "jpeg"},
        {"a/b.c\\d", ""},       {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(extension_part(c.file), c.ext) << c.file;
    EXPECT_EQ(extension_part(nullptr), "");
}

TEST(SaveNaming, LowerCaseChangesLettersOnly) {
    EXPECT_EQ(lower_case("PNG"), "png");
    EXPECT_EQ(lower_case("JpG"), "jpg");
    EXPECT_EQ(lower_case("a1-_.Z~"), "a1-_.z~");
    EXPECT_EQ(lower_case(""), "");
    EXPECT_EQ(lower_case(nullptr), "");
    // Bytes of UTF-8 characters stay: capital Cyrillic, Greek and Latin-1
    // letters would otherwise change length or break their sequences.
    EXPECT_EQ(lower_case("\xD0\xA4\xCE\xA6\xC3\x89.PNG"), "\xD0\xA4\xCE\xA6\xC3\x89.png");
}

TEST(SaveNaming, OnlyTheKindsOwnExtensionIsKept) {
    const struct {
        const char* typed;
        const SaveKind* kind;
        const char* written;
    } cases[] = {
        {"photo", &SAVE_PNG, "photo.png"},
        {"photo.PNG", &SAVE_PNG, "photo.PNG"},
        {"photo.Png", &SAVE_PNG, "photo.Png"},
        {"photo.jpg", &SAVE_PNG, "photo.jpg.png"},
        {"photo.jpeg", &SAVE_JPG, "photo.jpeg.jpg"},
        {"photo.JPG", &SAVE_JPG, "photo.JPG"},
        {"photo.png", &SAVE_JPG, "photo.png.jpg"},
        {"photo.", &SAVE_PNG, "photo..png"},
        {"C:\\dir.png\\photo", &SAVE_PNG, "C:\\dir.png\\photo.png"},
        {"C:\\dir.x\\photo.png", &SAVE_PNG, "C:\\dir.x\\photo.png"},
        // UTF-8 names in several scripts, an emoji among them.
        {"C:\\\xE7\x85\xA7\xE7\x89\x87\\\xE7\x85\xA7\xE7\x89\x87", &SAVE_PNG,
         "C:\\\xE7\x85\xA7\xE7\x89\x87\\\xE7\x85\xA7\xE7\x89\x87.png"},
        {"\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.JPG", &SAVE_JPG, "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE.JPG"},
        {"\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF.png", &SAVE_JPG, "\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF.png.jpg"},
        {"\xF0\x9F\x8C\x84.Png", &SAVE_PNG, "\xF0\x9F\x8C\x84.Png"},
    };
    for (const auto& c : cases) EXPECT_EQ(save_file_name(c.typed, *c.kind), c.written) << c.typed;
}

TEST(SaveNaming, PatternListsAndFormats) {
    EXPECT_STREQ(SAVE_PNG.pattern, "All supported formats|*.png|PNG image (*.png)|*.png|");
    EXPECT_STREQ(SAVE_JPG.pattern, "All supported formats|*.jpg|JPG image (*.jpg)|*.jpg|");
    EXPECT_EQ(SAVE_PNG.format, 0x474E50u);
    EXPECT_EQ(SAVE_JPG.format, 0x4745504Au);
}

class SaveOutput : public ::testing::Test {
protected:
    void SetUp() override {
        register_png_encoder();
        register_jpeg_encoder();
        saved_image = app.output_image;
        app.output_image = create_image(AUTO_ID, 600, 600, 32);
        ASSERT_NE(app.output_image, 0);
        BitmapInfo info;
        uint8_t* bits = image_bits(app.output_image, &info);
        ASSERT_NE(bits, nullptr);
        Picture cutout = make_cutout(0);
        ASSERT_EQ(cutout.memory.size(), size_t(info.stride) * 600);
        std::memcpy(bits, cutout.bits(), cutout.memory.size());
        expected = cutout;
    }
    void TearDown() override {
        free_image(app.output_image);
        app.output_image = saved_image;
    }
    int64_t saved_image = 0;
    Picture expected;
    ScratchFolder folder;
};

TEST_F(SaveOutput, PngKeepsTheAlphasUnderTheAppendedName) {
    ASSERT_EQ(save_output_as(folder.path("photo").c_str(), SAVE_PNG), 1);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"photo.png"});
    DecodedPng png = decode_png(folder.path("photo.png"));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(png.width, 600);
    ASSERT_EQ(png.height, 600);
    int wrong = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) {
            const Bgra p = expected.get(x, y);
            const uint8_t* q = &png.rgba[(size_t(y) * 600 + x) * 4];
            wrong += q[0] != p.r || q[1] != p.g || q[2] != p.b || q[3] != p.a;
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(SaveOutput, JpegIsCompositedOverWhiteUnderTheAppendedName) {
    ASSERT_EQ(save_output_as(folder.path("photo.jpeg").c_str(), SAVE_JPG), 1);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"photo.jpeg.jpg"});
    DecodedJpeg jpg = decode_jpeg(folder.path("photo.jpeg.jpg"));
    ASSERT_TRUE(jpg.ok);
    EXPECT_EQ(jpg.width, 600);
    EXPECT_EQ(jpg.height, 600);
    EXPECT_EQ(jpg.components, 3);
    // The corner lies outside the disc, where outer alpha 0 leaves white.
    EXPECT_GE(jpg.rgb[0], 250);
    EXPECT_GE(jpg.rgb[1], 250);
    EXPECT_GE(jpg.rgb[2], 250);
}

TEST_F(SaveOutput, ExistingFileIsOverwrittenWithoutQuestion) {
    write_bytes(folder.path("photo.PNG"), {'o', 'l', 'd'});
    ASSERT_EQ(save_output_as(folder.path("photo.PNG").c_str(), SAVE_PNG), 1);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"photo.PNG"});
    EXPECT_TRUE(decode_png(folder.path("photo.PNG")).ok);
}

TEST_F(SaveOutput, FailuresWriteNothing) {
    EXPECT_EQ(save_output_as(folder.path("missing/photo").c_str(), SAVE_PNG), 0);
    EXPECT_EQ(save_output_as(folder.path("missing/photo").c_str(), SAVE_JPG), 0);
    EXPECT_EQ(save_output_as("", SAVE_PNG), 0);
    EXPECT_EQ(save_output_as(nullptr, SAVE_PNG), 0);
    EXPECT_TRUE(folder.entries().empty());
    // Without an output image there is nothing to write.
    const int64_t image = app.output_image;
    app.output_image = 0;
    EXPECT_EQ(save_output_as(folder.path("photo").c_str(), SAVE_PNG), 0);
    app.output_image = image;
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace

// save_image on real GDI bitmaps: only device-independent sections, whose
// memory can be reached, are saved.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "codecs/png_writer.h"
#include "codecs/save_image.h"
#include "image/image.h"

namespace {

std::string scratch_name(const char* leaf) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + leaf;
}

TEST(SaveImageWin, ADeviceDependentBitmapIsNotSaved) {
    register_png_encoder();
    int64_t image = create_image(AUTO_ID, 16, 16, 32);
    ASSERT_NE(image, 0);
    ImageObject* record = find_image(image);
    int64_t section = record->handle;
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(ddb, nullptr);
    std::string file = scratch_name("rc_ddb_save.png");
    DeleteFileA(file.c_str());
    record->handle = reinterpret_cast<intptr_t>(ddb);
    EXPECT_EQ(save_image(image, file.c_str(), FORMAT_PNG), 0);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    // The section itself saves.
    record->handle = section;
    DeleteObject(ddb);
    EXPECT_EQ(save_image(image, file.c_str(), FORMAT_PNG), 1);
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(file.c_str());
    free_image(image);
}

}  // namespace

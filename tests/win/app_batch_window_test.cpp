// File > Batch... past its two dialogs: the pictures go into the folder on
// the batch's threads while the main window's loop runs, and the progress
// window ends with the summary and what failed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/shell/batch_window.h"
#include "app_pictures.h"
#include "codecs/png_writer.h"
#include "main_window_fixture.h"

using namespace pictures;

namespace {

std::string window_text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class BatchWindow : public MainWindowFixture {};

TEST_F(BatchWindow, WritesEachPictureAndSaysWhatFailed) {
    use_main_window(true);
    register_png_encoder();
    const std::string folder = scratch_folder("batch_window"), out = folder + "cut-outs";
    ASSERT_TRUE(write_picture(folder + "a.png", PNG, 300, 200));
    ASSERT_TRUE(write_picture(folder + "b.jpg", JPEG, 640, 480));
    ASSERT_TRUE(write_bytes(folder + "notes.txt", "not a picture", 13));
    ASSERT_TRUE(start_batch({folder + "a.png", folder + "b.jpg", folder + "notes.txt"}, out));
    EXPECT_FALSE(start_batch({folder + "a.png"}, out));  // one batch at a time
    HWND progress = reinterpret_cast<HWND>(batch_window());
    ASSERT_TRUE(IsWindowVisible(progress));

    const DWORD give_up = GetTickCount() + 60000;
    while (batch_running() && static_cast<LONG>(GetTickCount() - give_up) < 0) handle_event(wait_window_event(10));
    ASSERT_FALSE(batch_running());
    EXPECT_EQ(window_text(GetDlgItem(progress, 0)), "3 pictures: 2 written, 1 failed");
    HWND report = FindWindowExA(progress, nullptr, "Edit", nullptr);
    EXPECT_EQ(window_text(report), "notes.txt: Not a picture roundcut can read\r\n");
    for (const char* name : {"a.png", "b.png"}) {
        const std::string bytes = read_bytes(out + "\\" + name);
        EXPECT_EQ(bytes.substr(0, 4), "\x89PNG") << name;
    }

    SendMessageA(progress, WM_COMMAND, 1, 0);  // Close
    EXPECT_EQ(batch_window(), 0);
    EXPECT_FALSE(IsWindow(progress));
}

}  // namespace

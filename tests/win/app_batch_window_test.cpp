// File > Batch... past its two dialogs: the pictures go into the folder on
// the batch's threads while the main window's loop runs, and the progress
// window ends with the summary and what failed.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/shell/batch_window.h"
#include "app_pictures.h"
#include "codecs/png_writer.h"
#include "main_window_fixture.h"

using namespace pictures;

namespace {

class BatchWindow : public MainWindowFixture {};

TEST_F(BatchWindow, WritesEachPictureAndSaysWhatFailed) {
    use_main_window(true);
    register_png_encoder();
    const std::string in = scratch_folder("batch_window"), out = in + "cut-outs";
    ASSERT_TRUE(write_picture(in + "a.png", PNG, 300, 200) && write_picture(in + "b.jpg", JPEG, 640, 480));
    ASSERT_TRUE(write_bytes(in + "notes.txt", "not a picture", 13));
    ASSERT_TRUE(start_batch({in + "a.png", in + "b.jpg", in + "notes.txt"}, out));
    EXPECT_FALSE(start_batch({in + "a.png"}, out));  // one batch at a time
    HWND progress = reinterpret_cast<HWND>(batch_window());
    ASSERT_TRUE(IsWindowVisible(progress));
    for (const DWORD end = GetTickCount() + 60000; batch_running() && static_cast<LONG>(GetTickCount() - end) < 0;)
        handle_event(wait_window_event(10));
    char text[200] = {}, report[200] = {};
    GetWindowTextA(GetDlgItem(progress, 0), text, sizeof text);
    GetWindowTextA(FindWindowExA(progress, nullptr, "Edit", nullptr), report, sizeof report);
    EXPECT_STREQ(text, "3 pictures: 2 written, 1 failed");
    EXPECT_STREQ(report, "notes.txt: Not a picture roundcut can read\r\n");
    EXPECT_EQ(read_bytes(out + "\\a.png").substr(0, 4), "\x89PNG");
    EXPECT_EQ(read_bytes(out + "\\b.png").substr(0, 4), "\x89PNG");
    SendMessageA(progress, WM_COMMAND, 1, 0);  // Close
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_EQ(batch_window(), 0);
}

}  // namespace

// Pictures that arrive without the Load dialog, in the main window as
// start-up builds it: a real dropped-file block posted as WM_DROPFILES, and
// each clipboard format put there by the test and pasted with Ctrl+V typed
// through the system's input path.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/model/command_table.h"
#include "app/picture/load_file.h"
#include "app/picture/source.h"
#include "app/shell/load_command.h"
#include "app/shell/main_window.h"
#include "app_pictures.h"
#include "codecs/png_writer.h"
#include "main_window_fixture.h"
#include "ui/statusbar.h"
#include "ui_test_support.h"
#include "unit/dib_fixtures.h"

using namespace pictures;

namespace {


HWND main_hwnd() { return reinterpret_cast<HWND>(window_handle(app.window)); }

void run_loop(int ms = 150) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(GetTickCount() - end) < 0) handle_event(wait_window_event(5));
    while (int32_t code = take_next_event()) handle_event(code);
}

std::string status_field(int field) {
    HWND bar = FindWindowExA(main_hwnd(), nullptr, STATUSCLASSNAMEA, nullptr);
    char text[64] = {};
    SendMessageA(bar, SB_GETTEXTA, field, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::string> status_texts() {
    std::vector<std::string> out;
    for (int i = 0; i < 6; ++i) out.push_back(status_field(i));
    return out;
}

std::vector<std::string> texts_for(int w, int h) {
    const int side = std::min({w, h, 600});
    return {"B: " + std::to_string(w), "H: " + std::to_string(h), "XS: 0", "YS: 0",
            "XE: " + std::to_string(side), "YE: " + std::to_string(side)};
}

// Every pixel of two 24-bit images is the same.
::testing::AssertionResult same_pixels(int64_t a, int64_t b) {
    BitmapInfo ia{}, ib{};
    const uint8_t* pa = image_bits(a, &ia);
    const uint8_t* pb = image_bits(b, &ib);
    if (!pa || !pb) return ::testing::AssertionFailure() << "no pixels";
    if (ia.width != ib.width || ia.height != ib.height || ia.bits_per_pixel != ib.bits_per_pixel)
        return ::testing::AssertionFailure() << ia.width << "x" << ia.height << "x" << ia.bits_per_pixel << " vs "
                                             << ib.width << "x" << ib.height << "x" << ib.bits_per_pixel;
    for (int32_t y = 0; y < ia.height; ++y)
        for (int32_t x = 0; x < ia.width; ++x)
            if (std::memcmp(pa + y * ia.stride + 3 * x, pb + y * ib.stride + 3 * x, 3) != 0)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << ia.height - 1 - y << ": " << std::hex << colour_at(a, x, ia.height - 1 - y)
                       << " vs " << colour_at(b, x, ib.height - 1 - y);
    return ::testing::AssertionSuccess();
}

// Straight alpha that varies over the picture, for the pictures with alpha.
uint32_t alpha_of(int32_t x, int32_t y) { return static_cast<uint32_t>((x * 37 + y * 11) % 256); }

// A w x h picture of the pattern, blue-green-red-alpha, top row first.
std::vector<uint8_t> bgra_pattern(int32_t w, int32_t h, bool alpha) {
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = pattern(x, y);
            uint8_t* p = &out[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = c & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = (c >> 16) & 0xFF;
            p[3] = alpha ? static_cast<uint8_t>(alpha_of(x, y)) : 255;
        }
    return out;
}

// A packed DIB of the pattern: 24-bit bottom-up, or 32-bit top-down with a
// version-5 header and alpha bitfields.
std::vector<uint8_t> pattern_dib(int32_t w, int32_t h, bool v5_with_alpha) {
    const auto bgra = bgra_pattern(w, h, v5_with_alpha);
    if (v5_with_alpha) {
        dib::Shape s{.header = 124, .width = w, .height = -h, .bits = 32, .compression = 3,
                    .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
        return dib::build(s, bgra);
    }
    dib::Shape s{.width = w, .height = h};
    std::vector<uint8_t> rows(dib::stride(s) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            std::memcpy(&rows[(h - 1 - y) * dib::stride(s) + 3 * x], &bgra[(static_cast<size_t>(y) * w + x) * 4], 3);
    return dib::build(s, rows);
}

HGLOBAL global_copy(const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    return block;
}

// A dropped-file block as the shell makes it: DROPFILES, then the wide
// names, each ended by a zero, and one more zero.
HGLOBAL file_list(const std::vector<std::string>& files) {
    std::wstring names;
    for (const std::string& f : files) names += std::wstring(f.begin(), f.end()) + L'\0';
    names += L'\0';
    std::vector<uint8_t> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.pt = {20, 20};
    header.fWide = TRUE;
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
    return global_copy(block.data(), block.size());
}

struct Offer {
    UINT format;
    HGLOBAL block;
};

// Puts the blocks on the clipboard in place of what was there.
void offer(std::initializer_list<Offer> offers) {
    ASSERT_TRUE(OpenClipboard(main_hwnd()));
    EmptyClipboard();
    for (const Offer& o : offers) EXPECT_NE(SetClipboardData(o.format, o.block), nullptr);
    CloseClipboard();
}

UINT png_format() { return RegisterClipboardFormatA("PNG"); }

class DropAndPaste : public MainWindowFixture {
protected:
    static void SetUpTestSuite() {
        MainWindowFixture::SetUpTestSuite();
        folder = scratch_folder("drop_paste");
    }
    void SetUp() override {
        AppFixture::SetUp();
        if (use_main_window(true)) run_loop(100);
        ASSERT_NE(app.window, 0);
    }
    void TearDown() override {
        set_gadget_state(app.left_image_gadget, 0);
        set_gadget_state(app.right_image_gadget, 0);
        run_loop(10);
        AppFixture::TearDown();
    }

    void press_ctrl_v() {
        SetForegroundWindow(main_hwnd());
        SetActiveWindow(main_hwnd());
        SetFocus(reinterpret_cast<HWND>(gadget_handle(app.load_button)));
        run_loop(30);
        send_keys({VK_CONTROL, 'V'});
        run_loop();
    }

    // What a paste or drop must leave: the load's status texts, the crop
    // shown on the left, and a render with the current outer alpha.
    void expect_shown_like_a_load(int w, int h) {
        EXPECT_EQ(status_texts(), texts_for(w, h));
        EXPECT_EQ(app.source_width, w);
        EXPECT_EQ(app.source_height, h);
        EXPECT_EQ(app.crop.XS, 0);
        EXPECT_EQ(app.crop.YS, 0);
        EXPECT_EQ(app.crop.side, std::min({w, h, 600}));
        EXPECT_EQ(get_gadget_state(app.left_image_gadget), image_handle(app.crop_image));
        EXPECT_EQ(alpha_at(app.output_image, 0, 0), app.outer_alpha);
        EXPECT_EQ(colour_at(app.output_image, 299, 299), colour_at(app.crop_image, 299, 299));
    }

    // The source a file load of `file` makes, to compare with.
    int64_t loaded(const std::string& file) {
        const int64_t image = decode_picture_file(file.c_str());
        EXPECT_NE(image, 0);
        return image;
    }

    std::string write_png_with_alpha(const char* name, int32_t w, int32_t h) {
        const std::string path = folder + name;
        const auto bgra = bgra_pattern(w, h, true);
        EXPECT_EQ(write_png(path.c_str(), bgra.data(), w, h, w * 4, 0, 0, 32, 6), 1);
        return path;
    }

    static inline std::string folder;
};

TEST_F(DropAndPaste, ADroppedFileLoadsLikeAChosenOneAndTheFirstOfSeveralWins) {
    EXPECT_TRUE(GetWindowLongA(main_hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    const std::string first = folder + "first.bmp", second = folder + "second.png", text = folder + "note.png";
    ASSERT_TRUE(write_picture(first, BMP, 650, 610));
    ASSERT_TRUE(write_picture(second, PNG, 40, 30));
    ASSERT_TRUE(write_bytes(text, "not a picture", 13));
    const std::string cut = folder + "cut.jpg";
    ASSERT_TRUE(write_picture(cut, JPEG, 90, 70));
    const std::string whole = read_bytes(cut);
    ASSERT_TRUE(write_bytes(cut, whole.data(), whole.size() / 2));

    const struct {
        std::vector<std::string> files;
        int w, h;
        std::string same_as;  // empty: the black fallback
        std::string problem;  // the seventh status field
    } cases[] = {
        {{first, second}, 650, 610, first, ""},
        {{second}, 40, 30, second, ""},
        {{text, first}, 600, 600, "", "Not a picture roundcut can read"},
        {{cut}, 90, 70, cut, "Damaged JPEG"},
        {{second}, 40, 30, second, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files.front());
        app.outer_alpha = (app.outer_alpha + 7) % 256;
        ASSERT_TRUE(PostMessageA(main_hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(file_list(c.files)), 0));
        run_loop();
        expect_shown_like_a_load(c.w, c.h);
        EXPECT_EQ(status_field(6), c.problem);
        const int64_t expected = c.same_as.empty() ? create_image(AUTO_ID, 600, 600, 24) : loaded(c.same_as);
        EXPECT_TRUE(same_pixels(app.source_image, expected));
        free_image(expected);
    }
    // A block naming no file changes nothing.
    const int64_t before = app.source_image;
    PostMessageA(main_hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(file_list({})), 0);
    run_loop();
    EXPECT_EQ(app.source_image, before);
}

TEST_F(DropAndPaste, EachClipboardFormatPastesAsTheNewSource) {
    const std::string png_path = write_png_with_alpha("alpha.png", 37, 23);
    const std::string png_bytes = read_bytes(png_path);
    ASSERT_FALSE(png_bytes.empty());
    const std::string listed = folder + "listed.jpg";
    ASSERT_TRUE(write_picture(listed, JPEG, 700, 640));
    const auto v5 = pattern_dib(37, 23, true);
    const auto plain = pattern_dib(61, 45, false);
    const std::string plain_file = folder + "plain.bmp";
    ASSERT_TRUE(write_picture(plain_file, BMP, 61, 45));

    const struct {
        const char* what;
        std::function<void()> put;
        int w, h;
        std::string same_as;
    } cases[] = {
        {"file list", [&] { offer({{CF_HDROP, file_list({listed, png_path})}}); }, 700, 640, listed},
        {"PNG", [&] { offer({{png_format(), global_copy(png_bytes.data(), png_bytes.size())}}); }, 37, 23, png_path},
        // Composited over black exactly as the same picture loaded from a PNG file.
        {"DIBV5 with alpha", [&] { offer({{CF_DIBV5, global_copy(v5.data(), v5.size())}}); }, 37, 23, png_path},
        {"DIB", [&] { offer({{CF_DIB, global_copy(plain.data(), plain.size())}}); }, 61, 45, plain_file},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.put();
        app.outer_alpha = (app.outer_alpha + 5) % 256;
        press_ctrl_v();
        expect_shown_like_a_load(c.w, c.h);
        const int64_t expected = loaded(c.same_as);
        EXPECT_TRUE(same_pixels(app.source_image, expected));
        free_image(expected);
    }
}

TEST_F(DropAndPaste, TheBestUsableFormatWinsAndNothingUsableChangesNothing) {
    const std::string png_path = write_png_with_alpha("best.png", 30, 20);
    const std::string png_bytes = read_bytes(png_path);
    const std::string listed = folder + "best.bmp";
    ASSERT_TRUE(write_picture(listed, BMP, 44, 33));
    const auto v5 = pattern_dib(26, 16, true);
    const auto plain = pattern_dib(50, 40, false);
    auto png = [&] { return Offer{png_format(), global_copy(png_bytes.data(), png_bytes.size())}; };
    auto dibv5 = [&] { return Offer{CF_DIBV5, global_copy(v5.data(), v5.size())}; };
    auto dib = [&] { return Offer{CF_DIB, global_copy(plain.data(), plain.size())}; };
    const std::string junk = "\x89PNG\r\n\x1a\n broken";
    const std::string notes = folder + "notes.txt";
    ASSERT_TRUE(write_bytes(notes, "not a picture", 13));

    const struct {
        const char* what;
        std::function<void()> put;
        int w, h;
    } cases[] = {
        {"files before PNG", [&] { offer({png(), {CF_HDROP, file_list({listed})}, dib()}); }, 44, 33},
        {"PNG before DIBV5 and DIB", [&] { offer({dib(), dibv5(), png()}); }, 30, 20},
        {"DIBV5 with alpha before DIB", [&] { offer({dib(), dibv5()}); }, 26, 16},
        {"a PNG that fails gives way", [&] { offer({{png_format(), global_copy(junk.data(), junk.size())}, dib()}); }, 50, 40},
        {"a listed file that is no picture gives way", [&] { offer({{CF_HDROP, file_list({notes})}, dib()}); }, 50, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.put();
        press_ctrl_v();
        expect_shown_like_a_load(c.w, c.h);
    }

    // Text only, an empty clipboard, a broken DIB: no change and no render.
    const auto texts = status_texts();
    const int64_t source = app.source_image, crop = app.crop_image;
    const int rendered_alpha = alpha_at(app.output_image, 0, 0);
    auto broken = pattern_dib(50, 40, false);
    broken.resize(broken.size() - 500);
    const struct {
        const char* what;
        std::function<void()> put;
    } useless[] = {
        {"text", [&] { offer({{CF_TEXT, global_copy("hello", 6)}}); }},
        {"empty", [&] { offer({}); }},
        {"DIB with rows missing", [&] { offer({{CF_DIB, global_copy(broken.data(), broken.size())}}); }},
        {"broken PNG", [&] { offer({{png_format(), global_copy(junk.data(), junk.size())}}); }},
    };
    for (const auto& c : useless) {
        SCOPED_TRACE(c.what);
        c.put();
        app.outer_alpha = (app.outer_alpha + 50) % 256;
        press_ctrl_v();
        EXPECT_EQ(status_texts(), texts);
        EXPECT_EQ(app.source_image, source);
        EXPECT_EQ(app.crop_image, crop);
        EXPECT_EQ(alpha_at(app.output_image, 0, 0), rendered_alpha);
    }
    EXPECT_FALSE(on_paste());

    // Text still pastes into a focused spin, as before the shortcut existed,
    // even with a picture offered beside it.
    HWND radius = reinterpret_cast<HWND>(gadget_handle(app.radius_spin));
    offer({{CF_TEXT, global_copy("123", 4)}, {CF_DIB, global_copy(plain.data(), plain.size())}});
    SetForegroundWindow(main_hwnd());
    SetFocus(radius);
    SendMessageA(radius, EM_SETSEL, 0, -1);
    run_loop(30);
    send_keys({VK_CONTROL, 'V'});
    run_loop();
    char text[16] = {};
    GetWindowTextA(radius, text, sizeof text);
    EXPECT_STREQ(text, "123");
    EXPECT_EQ(app.radius, 123);
    EXPECT_EQ(app.source_image, source);
}

}  // namespace

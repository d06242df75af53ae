// The main window's menu bar and shortcuts on the real window, and the
// remembered settings across real runs of roundcut.exe.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/model/about_text.h"
#include "app/model/command_table.h"
#include "app/model/settings.h"
#include "app/model/settings_file.h"
#include "app/model/version.h"
#include "app/shell/load_command.h"
#include "app/shell/main_menu.h"
#include "app/shell/main_window.h"
#include "app_pictures.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "main_window_fixture.h"
#include "ui/menu.h"
#include "ui/statusbar.h"
#include "ui_test_support.h"

using namespace pictures;

namespace {


HWND main_hwnd() { return reinterpret_cast<HWND>(window_handle(app.window)); }

bool run_loop(int ms = 80) {
    const DWORD end = GetTickCount() + ms;
    bool going = true;
    while (static_cast<LONG>(GetTickCount() - end) < 0) going = handle_event(wait_window_event(5)) && going;
    while (int32_t code = take_next_event()) going = handle_event(code) && going;
    return going;
}

// What choosing a menu item sends its window.
bool choose(uint16_t command, int ms = 80) {
    PostMessageA(main_hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return run_loop(ms);
}

// A visible dialog of this thread with this title, waited for.
HWND wait_for_dialog(DWORD thread, const char* title) {
    struct Search {
        const char* title;
        HWND found;
    } search{title, nullptr};
    for (int i = 0; i < 1000 && !search.found; ++i) {
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                char name[64] = {}, text[64] = {};
                GetClassNameA(window, name, sizeof name);
                GetWindowTextA(window, text, sizeof text);
                if (std::strcmp(name, "#32770") || std::strcmp(text, s->title) || !IsWindowVisible(window))
                    return TRUE;
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(10);
    }
    if (search.found) Sleep(150);  // let it fill itself in
    return search.found;
}

void press(HWND dialog, int button) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// Chooses the command while a helper thread plays the user in the dialog
// titled `title`; false when no such dialog came.
bool choose_with_user(uint16_t command, const char* title, std::function<void(HWND)> user) {
    const DWORD me = GetCurrentThreadId();
    std::atomic<bool> found{false}, done{false};
    std::thread helper([&] {
        HWND dialog = wait_for_dialog(me, title);
        if (!dialog) return;
        found = true;
        user(dialog);
        for (int i = 1; !done; ++i) {
            if (i % 100 == 0) press(dialog, IDCANCEL);  // never leave the test hanging
            Sleep(10);
        }
    });
    PostMessageA(main_hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    const DWORD end = GetTickCount() + 15000;
    while (!found && static_cast<LONG>(GetTickCount() - end) < 0) run_loop(20);
    run_loop(100);
    done = true;
    helper.join();
    return found;
}

// Types a name into a file dialog's name field and confirms it.
void choose_file(HWND dialog, const std::string& name) {
    HWND field = GetDlgItem(dialog, 0x47C);  // cmb13, the name combo
    if (field) {
        if (HWND edit = FindWindowExA(field, nullptr, "Edit", nullptr)) field = edit;
    } else {
        field = GetDlgItem(dialog, 0x480);  // edt1
    }
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    for (int attempt = 0; attempt < 3 && IsWindowVisible(dialog); ++attempt) {
        press(dialog, IDOK);
        for (int i = 0; i < 30 && IsWindowVisible(dialog); ++i) Sleep(10);
    }
}

class MainMenu : public MainWindowFixture {
protected:
    static void SetUpTestSuite() {
        MainWindowFixture::SetUpTestSuite();
        register_png_encoder();
        register_jpeg_encoder();
    }
    void SetUp() override {
        AppFixture::SetUp();
        remembered_load_folder[0] = remembered_save_folder[0] = '\0';
        if (use_main_window(true)) pump_events(100);
        ASSERT_NE(app.window, 0);
        bar = window_menu(app.window);
        ASSERT_NE(bar, 0);
    }
    void TearDown() override {
        reset_app_options();
        show_options();
        set_gadget_state(app.left_image_gadget, 0);
        set_gadget_state(app.right_image_gadget, 0);
        run_loop(10);
        remembered_load_folder[0] = remembered_save_folder[0] = '\0';
        AppFixture::TearDown();
    }
    int64_t bar = 0;
};

TEST_F(MainMenu, BarKeepsTheClientAreaAndOffersTheCommandTable) {
    EXPECT_EQ(window_width(app.window), 1330);
    EXPECT_EQ(window_height(app.window), 680);
    EXPECT_GT(window_height(app.window, WINDOW_OUTER), 680 + GetSystemMetrics(SM_CYCAPTION));
    RECT status;
    GetWindowRect(FindWindowExA(main_hwnd(), nullptr, STATUSCLASSNAMEA, nullptr), &status);
    MapWindowPoints(nullptr, main_hwnd(), reinterpret_cast<POINT*>(&status), 2);
    EXPECT_EQ(status.bottom, 680);

    // The bar holds the table's popups and items, each enabled; the output
    // sizes are radio items, 600 the one with its dot.
    HMENU menu = reinterpret_cast<HMENU>(bar);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(MAIN_MENU_COUNT));
    for (size_t p = 0; p < MAIN_MENU_COUNT; ++p) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(p), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, MAIN_MENU[p].title);
        HMENU popup = GetSubMenu(menu, static_cast<int>(p));
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(MAIN_MENU[p].count));
        for (size_t e = 0; e < MAIN_MENU[p].count; ++e) {
            const MenuEntry& entry = MAIN_MENU[p].entries[e];
            if (entry.kind != MENU_ENTRY_ITEM && entry.kind != MENU_ENTRY_CHECK) continue;
            EXPECT_STREQ(menu_item_text(bar, entry.command), entry.text);
            EXPECT_TRUE(menu_item_enabled(bar, entry.command)) << entry.text;
            EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(e)), entry.command) << entry.text;
        }
    }
    EXPECT_FALSE(menu_item_checked(bar, COMMAND_SMOOTH_EDGE));
    for (int i = 0; i < OUTPUT_SIZE_COUNT; ++i) {
        const uint16_t command = static_cast<uint16_t>(COMMAND_OUTPUT_SIZE_FIRST + i);
        EXPECT_EQ(menu_item_text(bar, command), std::to_string(OUTPUT_SIZE_CHOICES[i]));
        EXPECT_EQ(menu_item_checked(bar, command), OUTPUT_SIZE_CHOICES[i] == 600) << OUTPUT_SIZE_CHOICES[i];
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoA(menu, command, FALSE, &info));
        EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    }
    EXPECT_STREQ(menu_item_text(bar, 999), "");
    EXPECT_FALSE(menu_item_checked(bar, 999));
}

TEST_F(MainMenu, ShortcutsArriveAsTheirCommandsWhateverHasTheFocus) {
    HWND window = main_hwnd();
    SetForegroundWindow(window);
    SetActiveWindow(window);
    // Every lettered shortcut of the table, as the keyboard gives it.
    std::vector<std::pair<std::vector<WORD>, uint16_t>> cases;
    for (size_t i = 0; i < MAIN_SHORTCUT_COUNT; ++i) {
        const Shortcut& s = MAIN_SHORTCUTS[i];
        if (s.key < 'A' || s.key > 'Z') continue;
        std::vector<WORD> keys;
        if (s.modifiers & ACCEL_CONTROL) keys.push_back(VK_CONTROL);
        if (s.modifiers & ACCEL_SHIFT) keys.push_back(VK_SHIFT);
        keys.push_back(s.key);
        cases.push_back({keys, s.command});
    }
    ASSERT_FALSE(cases.empty());
    // An edit would take Ctrl+C and Ctrl+V for itself without the table.
    for (int64_t focus : {app.load_button, app.radius_spin}) {
        SetFocus(reinterpret_cast<HWND>(gadget_handle(focus)));
        pump_events(30);
        for (const auto& [keys, command] : cases) {
            send_keys(keys);
            const std::vector<TakenEvent> menu = only(pump_events(120), {EVENT_MENU});
            ASSERT_EQ(menu.size(), 1u) << command;
            EXPECT_EQ(menu[0].object, command);
            EXPECT_EQ(menu[0].window, app.window);
        }
    }
    EXPECT_EQ(get_gadget_text(app.radius_spin), "295");  // no pasted or typed letters
}

TEST_F(MainMenu, OptionCommandsSetTheStateAndTheirMarks) {
    ASSERT_TRUE(choose(COMMAND_SMOOTH_EDGE));
    EXPECT_EQ(app.smooth_edge, 1);
    EXPECT_TRUE(menu_item_checked(bar, COMMAND_SMOOTH_EDGE));
    ASSERT_TRUE(choose(COMMAND_SMOOTH_EDGE));
    EXPECT_EQ(app.smooth_edge, 0);
    EXPECT_FALSE(menu_item_checked(bar, COMMAND_SMOOTH_EDGE));

    for (int i = OUTPUT_SIZE_COUNT - 1; i >= 0; --i) {
        ASSERT_TRUE(choose(static_cast<uint16_t>(COMMAND_OUTPUT_SIZE_FIRST + i)));
        EXPECT_EQ(app.output_size, OUTPUT_SIZE_CHOICES[i]);
        for (int j = 0; j < OUTPUT_SIZE_COUNT; ++j)
            EXPECT_EQ(menu_item_checked(bar, static_cast<uint16_t>(COMMAND_OUTPUT_SIZE_FIRST + j)), i == j);
    }

    // Reset: the start state, shown by the controls and the marks, and
    // rendered at once.
    ASSERT_TRUE(choose(COMMAND_SMOOTH_EDGE));
    ASSERT_TRUE(choose(COMMAND_OUTPUT_SIZE_FIRST + 1));
    ASSERT_TRUE(choose(COMMAND_START_ON_FACES));
    app.radius = 40;
    app.step_y = 9;
    app.outer_alpha = 10;
    app.background_colour = 0xFF;
    set_gadget_text(app.radius_spin, "40");
    set_gadget_state(app.outer_alpha_trackbar, 10);
    ASSERT_TRUE(choose(COMMAND_RESET_DEFAULTS));
    EXPECT_EQ(app.radius, 295);
    EXPECT_EQ(app.step_y, 1);
    EXPECT_EQ(app.outer_alpha, 255);
    EXPECT_EQ(app.background_colour, 0);
    EXPECT_EQ(app.smooth_edge, 0);
    EXPECT_EQ(app.output_size, 600);
    EXPECT_EQ(get_gadget_text(app.radius_spin), "295");
    EXPECT_EQ(get_gadget_text(app.step_y_spin), "1");
    EXPECT_EQ(get_gadget_state(app.outer_alpha_trackbar), 255);
    EXPECT_FALSE(menu_item_checked(bar, COMMAND_SMOOTH_EDGE));
    EXPECT_FALSE(menu_item_checked(bar, COMMAND_START_ON_FACES));
    EXPECT_EQ(app.start_on_faces, 0);
    EXPECT_TRUE(menu_item_checked(bar, COMMAND_OUTPUT_SIZE_FIRST + 3));
    EXPECT_EQ(get_gadget_state(app.right_image_gadget), image_handle(app.output_image));

    // Unknown numbers are ignored; Exit alone ends the loop.
    for (uint16_t command : {uint16_t(999), uint16_t(1116)})
        EXPECT_TRUE(choose(command)) << command;
    EXPECT_EQ(app.output_size, 600);
    EXPECT_FALSE(choose(COMMAND_EXIT));
}

// The option is a mark; Ctrl+F on the window puts the square on the face of
// the astronaut photograph (python3-skimage's) and shows it everywhere.
TEST_F(MainMenu, StartOnFacesIsAMarkAndCtrlFSquaresOnTheFace) {
    const char* astronaut = "Z:\\usr\\lib\\python3\\dist-packages\\skimage\\data\\astronaut.png";
    if (GetFileAttributesA(astronaut) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no python3-skimage";
    for (int on : {1, 0}) {
        ASSERT_TRUE(choose(COMMAND_START_ON_FACES));
        EXPECT_EQ(app.start_on_faces, on);
        EXPECT_EQ(menu_item_checked(bar, COMMAND_START_ON_FACES), on == 1);
    }
    load_picture_file(astronaut);
    EXPECT_EQ(app.crop.XS + app.crop.YS, 0);
    SetForegroundWindow(main_hwnd());
    send_keys({VK_CONTROL, 'F'});
    run_loop(300);
    EXPECT_GT(app.crop.XS, 0);
    EXPECT_LT(app.crop.side, 512);
    HWND status = FindWindowExA(main_hwnd(), nullptr, "msctls_statusbar32", nullptr);
    char text[64] = {};
    SendMessageA(status, SB_GETTEXTA, 2, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(text, "XS: " + std::to_string(app.crop.XS));
    EXPECT_EQ(get_gadget_state(app.left_image_gadget), image_handle(app.crop_image));
    EXPECT_EQ(get_gadget_state(app.right_image_gadget), image_handle(app.output_image));
}

TEST_F(MainMenu, FileCommandsLoadAndSaveThroughTheRememberedFolders) {
    const std::string pictures = scratch_folder("menu-pictures"), out = scratch_folder("menu-out");
    ASSERT_TRUE(write_picture(pictures + "first.png", PNG, 400, 300));
    ASSERT_TRUE(write_picture(pictures + "second.png", PNG, 250, 350));

    // Open is Load with its render.
    ASSERT_TRUE(choose_with_user(COMMAND_OPEN, "SELECT IMAGE", [&](HWND d) { choose_file(d, pictures + "first.png"); }));
    EXPECT_EQ(app.source_width, 400);
    EXPECT_EQ(get_gadget_state(app.right_image_gadget), image_handle(app.output_image));
    EXPECT_EQ(std::string(remembered_load_folder) + "\\", pictures);
    // The next one opens in that folder: a bare name is found there.
    ASSERT_TRUE(choose_with_user(COMMAND_OPEN, "SELECT IMAGE", [&](HWND d) { choose_file(d, "second.png"); }));
    EXPECT_EQ(app.source_width, 250);

    ASSERT_TRUE(choose_with_user(COMMAND_SAVE_PNG, "SELECT IMAGE", [&](HWND d) { choose_file(d, out + "a"); }));
    EXPECT_EQ(read_bytes(out + "a.png").substr(0, 4), "\x89PNG") << remembered_save_folder << " " << app.source_width;
    EXPECT_EQ(std::string(remembered_save_folder) + "\\", out);
    ASSERT_TRUE(choose_with_user(COMMAND_SAVE_JPG, "SELECT IMAGE", [&](HWND d) { choose_file(d, "b"); }));
    EXPECT_EQ(read_bytes(out + "b.jpg").substr(0, 2), "\xFF\xD8") << remembered_save_folder;
    EXPECT_EQ(std::string(remembered_load_folder) + "\\", pictures);

    // Cancelled dialogs keep the folders.
    ASSERT_TRUE(choose_with_user(COMMAND_OPEN, "SELECT IMAGE", [](HWND d) { press(d, IDCANCEL); }));
    EXPECT_EQ(std::string(remembered_load_folder) + "\\", pictures);
}

// The settings file as start-up and the idle loop use it, with APPDATA
// pointed at a scratch folder for the test.
TEST_F(MainMenu, ReadSettingsShowInTheControlsAndMarksAndChangesAreWritten) {
    char saved[MAX_PATH] = {};
    const bool had = GetEnvironmentVariableA("APPDATA", saved, sizeof saved) > 0;
    const std::string appdata = scratch_folder("menu-appdata");
    SetEnvironmentVariableA("APPDATA", appdata.c_str());
    const std::string ini = appdata + "roundcut\\roundcut.ini";
    DeleteFileA(ini.c_str());  // an earlier run's
    RemoveDirectoryA((appdata + "roundcut").c_str());
    EXPECT_EQ(settings_file(), ini);
    // No file: the start state, and nothing to write while it holds.
    load_settings();
    EXPECT_EQ(app.radius, 295);
    EXPECT_TRUE(store_settings());
    EXPECT_EQ(GetFileAttributesA((appdata + "roundcut").c_str()), INVALID_FILE_ATTRIBUTES);
    CreateDirectoryA((appdata + "roundcut").c_str(), nullptr);
    const std::string text = "radius=77\nstep_xy=12\ninner_alpha=40\nsmooth_edge=1\noutput_size=1024\n";
    ASSERT_TRUE(write_bytes(ini, text.data(), text.size()));

    load_settings();
    show_options();
    EXPECT_EQ(get_gadget_text(app.radius_spin), "77");
    EXPECT_EQ(get_gadget_text(app.step_xy_spin), "12");
    EXPECT_EQ(get_gadget_state(app.inner_alpha_trackbar), 40);
    EXPECT_TRUE(menu_item_checked(bar, COMMAND_SMOOTH_EDGE));
    for (int i = 0; i < OUTPUT_SIZE_COUNT; ++i)
        EXPECT_EQ(menu_item_checked(bar, static_cast<uint16_t>(COMMAND_OUTPUT_SIZE_FIRST + i)), i == 4);
    // Nothing changed, nothing written.
    EXPECT_TRUE(store_settings());
    EXPECT_EQ(read_bytes(ini), text);

    ASSERT_TRUE(choose(COMMAND_OUTPUT_SIZE_FIRST + 2));
    EXPECT_TRUE(store_settings());
    const std::string written = read_bytes(ini);
    EXPECT_NE(written.find("\r\nradius=77\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("\r\noutput_size=512\r\n"), std::string::npos) << written;

    // A write that fails (a folder where the file should be) is tried again.
    ASSERT_TRUE(DeleteFileA(ini.c_str()));
    ASSERT_TRUE(CreateDirectoryA(ini.c_str(), nullptr));
    ASSERT_TRUE(choose(COMMAND_OUTPUT_SIZE_FIRST + 1));
    EXPECT_FALSE(store_settings());
    EXPECT_FALSE(store_settings());  // too soon after the failure
    ASSERT_TRUE(RemoveDirectoryA(ini.c_str()));
    EXPECT_TRUE(store_settings(true));
    EXPECT_NE(read_bytes(ini).find("\r\noutput_size=256\r\n"), std::string::npos);

    if (had) SetEnvironmentVariableA("APPDATA", saved);
    else SetEnvironmentVariableA("APPDATA", nullptr);
}

TEST_F(MainMenu, BackgroundColourAndAboutOpenTheirDialogs) {
    app.background_colour = 0x123456;
    ASSERT_TRUE(choose_with_user(COMMAND_BACKGROUND_COLOUR, "Color", [](HWND d) { press(d, IDCANCEL); }));
    EXPECT_EQ(app.background_colour, 0x123456);
    EXPECT_EQ(get_gadget_state(app.right_image_gadget), image_handle(app.output_image));  // rendered like Back-Color

    std::string text;
    ASSERT_TRUE(choose_with_user(COMMAND_ABOUT, ABOUT_TITLE, [&](HWND d) {
        char buffer[2048] = {};
        GetDlgItemTextA(d, 0xFFFF, buffer, sizeof buffer);  // a message box's text
        text = buffer;
        press(d, IDOK);
    }));
    EXPECT_EQ(text.rfind(std::string("roundcut ") + roundcut_version(), 0), 0u) << text;
    for (const char* part : {"libpng 1.6", "PNG Reference Library License", "zlib 1.", "zlib License",
                             "libjpeg-turbo 2.", "IJG License",
                             "This software is based in part on the work of the Independent JPEG Group.",
                             "MinGW-w64 runtime", "THIRD_PARTY_NOTICES.txt"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
}

}  // namespace

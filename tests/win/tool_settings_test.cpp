// Remembered settings across real runs of roundcut.exe: each run gets an
// APPDATA folder of its own (never the user's), is changed from outside the
// way its controls and menu are (messages to its real windows), closed, and
// started again.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/model/command_table.h"
#include "app_pictures.h"

using namespace pictures;

namespace {

std::string tool_exe() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    folder.resize(folder.find_last_of('\\') + 1);
    return folder + "..\\app\\roundcut.exe";
}

// This process's environment with APPDATA replaced.
std::vector<char> environment_with(const std::string& appdata) {
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* p = strings; *p; p += std::strlen(p) + 1)
        if (_strnicmp(p, "APPDATA=", 8) != 0) block.insert(block.end(), p, p + std::strlen(p) + 1);
    FreeEnvironmentStringsA(strings);
    const std::string mine = "APPDATA=" + appdata;
    block.insert(block.end(), mine.c_str(), mine.c_str() + mine.size() + 1);
    block.push_back('\0');
    return block;
}

struct Tool {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;

    // Starts the tool, with a picture to open when one is given.
    bool start(const std::string& appdata, const std::string& picture = "") {
        std::vector<char> environment = environment_with(appdata);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string exe = tool_exe();
        std::string command = "\"" + exe + "\" \"" + picture + "\"";
        if (!CreateProcessA(exe.c_str(), picture.empty() ? nullptr : command.data(), nullptr, nullptr, FALSE, 0,
                            environment.data(), nullptr, &startup, &process))
            return false;
        for (int i = 0; i < 600 && !window; ++i) {
            EnumWindows(
                [](HWND w, LPARAM data) -> BOOL {
                    auto* tool = reinterpret_cast<Tool*>(data);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    char name[64] = {};
                    GetClassNameA(w, name, sizeof name);
                    if (pid != tool->process.dwProcessId || !IsWindowVisible(w) || std::strncmp(name, "WindowClass_", 12))
                        return TRUE;
                    tool->window = w;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(this));
            if (!window) Sleep(50);
        }
        // The window shows while start-up is still filling it in: wait for
        // the main loop.
        WaitForInputIdle(process.hProcess, 20000);
        settle();
        return window != nullptr;
    }

    // The control of this class that covers client point (x, y).
    HWND control(const char* class_name, int x, int y) const {
        for (HWND c = nullptr; (c = FindWindowExA(window, c, class_name, nullptr));) {
            RECT r;
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return c;
        }
        return nullptr;
    }
    HWND radius_edit() const { return control("Edit", 640, 80); }
    HWND step_x_edit() const { return control("Edit", 60, 640); }
    HWND outer_trackbar() const { return control(TRACKBAR_CLASSA, 640, 300); }

    std::string text(HWND control) const {
        char buffer[64] = {};
        SendMessageA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    // Each action is followed by a pause in which the tool handles it: a
    // message sent from another thread while the tool itself is changing a
    // control (and so posts no events) would raise no event.
    void settle() const {
        WaitForInputIdle(process.hProcess, 5000);
        Sleep(150);
    }
    // What typing into the spin's edit does.
    void type(HWND edit, const char* text) {
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        settle();
    }
    // What dragging the trackbar to an alpha does (vertical: opaque at the top).
    void slide(HWND trackbar, int alpha) {
        SendMessageA(trackbar, TBM_SETPOS, TRUE, 255 - alpha);
        SendMessageA(window, WM_VSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(trackbar));
        settle();
    }
    // A menu posts the chosen item's command to its window.
    void choose(uint16_t command) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        settle();
    }

    // Closes the window like its close box; the exit code, or -1.
    int close() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
        else GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return static_cast<int>(code);
    }
};

bool has_line(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\r\n") != std::string::npos;
}

std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (found.cFileName[0] != '.') names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

TEST(SettingsAcrossRuns, ChangesAreWrittenAndTheNextRunShowsThem) {
    const std::string appdata = scratch_folder("settings-runs");
    const std::string ini = appdata + "roundcut\\roundcut.ini";
    // A colour and custom colours from an earlier run, which this run keeps.
    CreateDirectoryA((appdata + "roundcut").c_str(), nullptr);
    const std::string custom = "custom_colours=#FF8000,#000000,#00FF00,#000000,#000000,#000000,#000000,#000000,"
                               "#000000,#000000,#000000,#000000,#000000,#000000,#000000,#0000FF";
    const std::string earlier = "[roundcut]\r\nbackground_colour=#FF8000\r\n" + custom + "\r\nload_folder=C:\\pics\r\n";
    ASSERT_TRUE(write_bytes(ini, earlier.data(), earlier.size()));

    Tool first;
    ASSERT_TRUE(first.start(appdata.substr(0, appdata.size() - 1)));
    ASSERT_NE(first.radius_edit(), nullptr);
    ASSERT_NE(first.outer_trackbar(), nullptr);
    EXPECT_EQ(first.text(first.radius_edit()), "295");
    first.type(first.radius_edit(), "123");
    first.type(first.step_x_edit(), "7");
    first.slide(first.outer_trackbar(), 100);
    first.choose(COMMAND_SMOOTH_EDGE);
    first.choose(COMMAND_OUTPUT_SIZE_FIRST + 1);
    // Written once the tool is idle, before it ends.
    std::string written;
    for (int i = 0; i < 100 && !has_line(written, "output_size=256"); ++i) {
        Sleep(50);
        written = read_bytes(ini);
    }
    EXPECT_TRUE(has_line(written, "output_size=256")) << written;
    EXPECT_EQ(first.close(), 0);

    written = read_bytes(ini);
    for (const std::string line : {"radius=123", "step_x=7", "step_y=1", "outer_alpha=100", "inner_alpha=255",
                                   "smooth_edge=1", "output_size=256", "background_colour=#FF8000", custom.c_str(),
                                   "load_folder=C:\\pics", "save_folder="})
        EXPECT_TRUE(has_line(written, line)) << line << "\n" << written;
    EXPECT_EQ(files_in(appdata + "roundcut\\"), std::vector<std::string>{"roundcut.ini"});  // no temporary left

    Tool second;
    ASSERT_TRUE(second.start(appdata.substr(0, appdata.size() - 1)));
    EXPECT_EQ(second.text(second.radius_edit()), "123");
    EXPECT_EQ(second.text(second.step_x_edit()), "7");
    EXPECT_EQ(SendMessageA(second.outer_trackbar(), TBM_GETPOS, 0, 0), 255 - 100);
    // (Wine answers no menu state to another process: the marks a read
    // file gives are checked in-process, in the main menu's tests.)
    // Reset to defaults is a change like any other.
    second.choose(COMMAND_RESET_DEFAULTS);
    EXPECT_EQ(second.text(second.radius_edit()), "295");
    EXPECT_EQ(second.close(), 0);
    written = read_bytes(ini);
    for (const std::string line : {"radius=295", "step_x=1", "outer_alpha=255", "smooth_edge=0", "output_size=600",
                                   "background_colour=#000000", custom.c_str(), "load_folder=C:\\pics"})
        EXPECT_TRUE(has_line(written, line)) << line << "\n" << written;

    // A picture named on the command line ("Open with") is loaded: its
    // folder becomes the one last loaded from.
    const std::string pictures = scratch_folder("opened-with");
    ASSERT_TRUE(write_picture(pictures + "photo.png", PNG, 300, 200));
    Tool third;
    ASSERT_TRUE(third.start(appdata.substr(0, appdata.size() - 1), pictures + "photo.png"));
    EXPECT_EQ(third.close(), 0);
    EXPECT_TRUE(has_line(read_bytes(ini), "load_folder=" + pictures.substr(0, pictures.size() - 1))) << read_bytes(ini);
}

TEST(SettingsAcrossRuns, DamagedOrUnwritableFilesNeverStopTheTool) {
    // Nonsense, out-of-range values and a cut last line: defaults where
    // nothing can be read, clamped values where something can.
    const std::string damaged = scratch_folder("settings-damaged");
    CreateDirectoryA((damaged + "roundcut").c_str(), nullptr);
    const std::string junk = std::string("[roundcut]\nradius=abc\nstep_x=0\nouter_alpha=999\noutput_size=300\n\xff\xfe\x00\x01\n"
                                         "step_x=", 75) + "\nradius=4";
    ASSERT_TRUE(write_bytes(damaged + "roundcut\\roundcut.ini", junk.data(), junk.size()));
    Tool tool;
    ASSERT_TRUE(tool.start(damaged.substr(0, damaged.size() - 1)));
    EXPECT_EQ(tool.text(tool.radius_edit()), "295");
    EXPECT_EQ(tool.text(tool.step_x_edit()), "1");
    EXPECT_EQ(SendMessageA(tool.outer_trackbar(), TBM_GETPOS, 0, 0), 0);  // alpha 255
    EXPECT_EQ(tool.close(), 0);

    // "roundcut" is a file where the folder should be: nothing can be
    // written, and the tool works and ends as ever.
    const std::string blocked = scratch_folder("settings-blocked");
    ASSERT_TRUE(write_bytes(blocked + "roundcut", "x", 1));
    Tool second;
    ASSERT_TRUE(second.start(blocked.substr(0, blocked.size() - 1)));
    second.type(second.radius_edit(), "77");
    second.choose(COMMAND_SMOOTH_EDGE);
    Sleep(300);
    EXPECT_TRUE(IsWindow(second.window));
    EXPECT_EQ(second.close(), 0);
    EXPECT_EQ(read_bytes(blocked + "roundcut"), "x");
    EXPECT_EQ(files_in(blocked), std::vector<std::string>{"roundcut"});
}

}  // namespace

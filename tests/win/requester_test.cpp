// The requesters in real dialogs: a helper thread finds the dialog, reads
// what it shows, types into it and presses its buttons, as a user would.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "ui/requester.h"

namespace {

const char* const TITLE = "SELECT IMAGE";

// The dialog a requester opened on `thread`: by title, or the first visible
// dialog of the thread when the title is null.  Null after ten seconds.
HWND wait_for_dialog(DWORD thread, const char* title) {
    struct Search {
        const char* title;
        HWND found;
    };
    for (int i = 0; i < 1000; ++i) {
        Search search = {title, nullptr};
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                char name[64] = {}, text[64] = {};
                GetClassNameA(window, name, sizeof name);
                GetWindowTextA(window, text, sizeof text);
                if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
                if (s->title && std::strcmp(text, s->title) != 0) return TRUE;
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            Sleep(150);  // let the dialog finish filling itself in
            return search.found;
        }
        Sleep(10);
    }
    return nullptr;
}

// The file dialog's name field: an edit, or the edit inside a combo box.
HWND name_field(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, cmb13)) {
        constexpr UINT GET_EDIT_CONTROL = WM_USER + 7;  // of an extended combo box
        if (auto edit = reinterpret_cast<HWND>(SendMessageA(combo, GET_EDIT_CONTROL, 0, 0))) return edit;
        if (HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
        return combo;
    }
    return GetDlgItem(dialog, edt1);
}

std::string field_text(HWND dialog) {
    char text[REQUESTER_PATH_SIZE] = {};
    GetWindowTextA(name_field(dialog), text, sizeof text);
    return text;
}

void type_text(HWND dialog, const std::string& text) {
    HWND field = name_field(dialog);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (char c : text) SendMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void press(HWND dialog, int button) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// Presses OK after typing.  While the name-completion list is open, the
// first press may only close the list, as Return does.
void confirm(HWND dialog) {
    for (int attempt = 0; attempt < 3 && IsWindowVisible(dialog); ++attempt) {
        press(dialog, IDOK);
        for (int i = 0; i < 30 && IsWindowVisible(dialog); ++i) Sleep(10);
    }
}

// Runs `user` on a helper thread against the dialog that `call` opens on
// this thread.  The helper always closes the dialog, with Cancel when `user`
// did not.
template <typename Call>
auto with_user(const char* title, std::function<void(HWND)> user, Call call) {
    DWORD me = GetCurrentThreadId();
    std::atomic<bool> found{false}, returned{false};
    std::thread helper([&] {
        HWND dialog = wait_for_dialog(me, title);
        if (!dialog) return;
        found = true;
        user(dialog);
        // Whatever the user left open is cancelled, so the test never hangs.
        for (int i = 1; !returned; ++i) {
            if (i % 100 == 0) press(dialog, IDCANCEL);
            Sleep(10);
        }
    });
    auto result = call();
    returned = true;
    helper.join();
    EXPECT_TRUE(found) << "no dialog appeared";
    return result;
}

std::string folder;  // a scratch folder with a few files, made once

void make_folder() {
    if (!folder.empty()) return;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char full[MAX_PATH];
    GetLongPathNameA(temp, full, sizeof full);
    folder = std::string(full) + "rc_requester_test";
    if (folder.back() == '\\') folder.pop_back();
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"a.txt", "b.txt", "c.txt", "typed.png", "given.png"}) {
        HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
    }
}

bool same_path(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

class RequesterTest : public ::testing::Test {
protected:
    void SetUp() override { make_folder(); }
};

TEST_F(RequesterTest, CancelGivesEmptyAndATypedNameComesBackAsFullPath) {
    std::string cancelled = with_user(
        TITLE, [](HWND dialog) { press(dialog, IDCANCEL); },
        [] { return std::string(open_file_requester(TITLE, nullptr, "All files|*.*|", 0)); });
    EXPECT_EQ(cancelled, "");

    std::string shown_name = "?";
    std::string typed = with_user(
        TITLE,
        [&](HWND dialog) {
            shown_name = field_text(dialog);
            type_text(dialog, "typed.png");
            confirm(dialog);
        },
        [] { return std::string(open_file_requester(TITLE, (folder + "\\*.png").c_str(), "All files|*.*|", 0)); });
    EXPECT_EQ(shown_name, "");  // a wildcard default leaves the name empty
    EXPECT_TRUE(same_path(typed, folder + "\\typed.png")) << typed;

    // The save form answers the same way; a new name need not exist.
    std::string saved = with_user(
        TITLE,
        [](HWND dialog) {
            type_text(dialog, "new_file.png");
            confirm(dialog);
        },
        [] { return std::string(save_file_requester(TITLE, (folder + "\\*").c_str(), "PNG|*.png|", 0)); });
    EXPECT_TRUE(same_path(saved, folder + "\\new_file.png")) << saved;
}

TEST_F(RequesterTest, PatternIndexSelectsTheFilterAndDefaultFileFillsDirectoryAndName) {
    int selected = -1;
    std::string shown_name;
    std::string chosen = with_user(
        TITLE,
        [&](HWND dialog) {
            selected = static_cast<int>(SendMessageA(GetDlgItem(dialog, cmb1), CB_GETCURSEL, 0, 0));
            shown_name = field_text(dialog);
            press(dialog, IDOK);
        },
        [] {
            return std::string(open_file_requester(TITLE, (folder + "\\given.png").c_str(),
                                                   "Text files|*.txt|Pictures|*.png|", 1));
        });
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(shown_name, "given.png");
    EXPECT_TRUE(same_path(chosen, folder + "\\given.png")) << chosen;  // it opened in that folder

    // A name the dialog would refuse is not offered.
    shown_name = "?";
    with_user(
        TITLE,
        [&](HWND dialog) {
            shown_name = field_text(dialog);
            press(dialog, IDCANCEL);
        },
        [] { return std::string(open_file_requester(TITLE, (folder + "\\x?.png").c_str(), nullptr, 0)); });
    EXPECT_EQ(shown_name, "");
}

TEST_F(RequesterTest, MultiSelectionOfThreeFilesYieldsThreeFullPathsThenEmpty) {
    std::string first = with_user(
        TITLE,
        [](HWND dialog) {
            type_text(dialog, "\"a.txt\" \"b.txt\" \"c.txt\"");
            confirm(dialog);
        },
        [] {
            return std::string(
                open_file_requester_multi(TITLE, (folder + "\\*").c_str(), "Text|*.txt|", 0, REQUESTER_MULTI_FLAG));
        });
    std::string second = next_selected_file();
    std::string third = next_selected_file();
    EXPECT_TRUE(same_path(first, folder + "\\a.txt")) << first;
    EXPECT_TRUE(same_path(second, folder + "\\b.txt")) << second;
    EXPECT_TRUE(same_path(third, folder + "\\c.txt")) << third;
    EXPECT_STREQ(next_selected_file(), "");
}

TEST_F(RequesterTest, ColourRequesterConfirmsCancelsAndKeepsTheColour) {
    auto ok = [](HWND dialog) { press(dialog, IDOK); };
    auto cancel = [](HWND dialog) { press(dialog, IDCANCEL); };
    EXPECT_EQ(with_user(nullptr, ok, [] { return color_requester(-1); }), 0);
    EXPECT_EQ(with_user(nullptr, cancel, [] { return color_requester(-1); }), -1);
    EXPECT_EQ(with_user(nullptr, ok, [] { return color_requester(0x336699); }), 0x336699);
    EXPECT_EQ(requester_state()->custom_colours[0], 0x336699u);  // kept as the first custom colour
    EXPECT_EQ(with_user(nullptr, cancel, [] { return color_requester(0x102030); }), -1);
}

LRESULT CALLBACK plain_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcA(window, message, w, l);
}

HWND plain_window(const char* title, DWORD ex_style, int x) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plain_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RequesterTestWindow";
    RegisterClassA(&wc);  // once; later calls fail harmlessly
    return CreateWindowExA(ex_style, "RequesterTestWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 40, 200, 150,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

void pump() {
    MSG msg;
    for (int i = 0; i < 5; ++i) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

TEST_F(RequesterTest, OtherWindowsAreDisabledAndLoweredDuringTheDialogAndRestoredAfter) {
    HWND main = plain_window("main", 0, 20);
    HWND other = plain_window("other", 0, 240);
    HWND topmost = plain_window("topmost", WS_EX_TOPMOST, 460);
    HWND disabled = plain_window("disabled", 0, 680);
    ASSERT_TRUE(main && other && topmost && disabled);
    EnableWindow(disabled, FALSE);
    SetForegroundWindow(main);
    pump();
    ASSERT_EQ(GetForegroundWindow(), main);

    struct Seen {
        HWND owner = nullptr;
        BOOL other_enabled = TRUE, main_enabled = TRUE;
        LONG topmost_style = -1;
    } seen;
    with_user(
        TITLE,
        [&](HWND dialog) {
            seen.owner = GetWindow(dialog, GW_OWNER);
            seen.other_enabled = IsWindowEnabled(other);
            seen.main_enabled = IsWindowEnabled(main);
            seen.topmost_style = GetWindowLongA(topmost, GWL_EXSTYLE);
            press(dialog, IDCANCEL);
        },
        [] { return std::string(open_file_requester(TITLE, nullptr, nullptr, 0)); });

    EXPECT_EQ(seen.owner, main);  // the foreground window of this process owns the dialog
    EXPECT_FALSE(seen.other_enabled);
    EXPECT_FALSE(seen.main_enabled);  // the dialog disables its owner
    EXPECT_EQ(seen.topmost_style & WS_EX_TOPMOST, 0);

    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(topmost));
    EXPECT_NE(GetWindowLongA(topmost, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_FALSE(IsWindowEnabled(disabled));  // the guard only undoes what it did

    // The colour dialog is guarded the same way.
    BOOL during = TRUE;
    SetForegroundWindow(main);
    pump();
    with_user(
        nullptr,
        [&](HWND dialog) {
            during = IsWindowEnabled(other);
            press(dialog, IDCANCEL);
        },
        [] { return color_requester(-1); });
    EXPECT_FALSE(during);
    EXPECT_TRUE(IsWindowEnabled(other));

    for (HWND w : {main, other, topmost, disabled}) DestroyWindow(w);
}

}  // namespace

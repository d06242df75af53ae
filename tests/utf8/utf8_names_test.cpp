// File names in several scripts through the program's 8-bit paths, in a
// process that carries the program's own manifest (UTF-8 code page): the
// file dialogs with single and multiple selection, loading through GDI+,
// and both saves with their extension rules and temporary files.  Every
// name exists twice, as a narrow literal (UTF-8, as the program sees it)
// and a wide one (UTF-16, as the file system stores it), both encoded by
// the compiler, so no conversion under test checks itself.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "app/output/save.h"
#include "app/picture/source.h"
#include "app_fixture.h"
#include "app_pictures.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"
#include "ui/requester.h"

namespace {

struct Name {
    const char* utf8;
    const wchar_t* wide;
    int32_t width, height;  // of the picture stored under the name, each its own
};

const Name NAMES[] = {
    {"\xE7\x85\xA7\xE7\x89\x87_\xE6\x97\xA5\xE8\x90\xBD", L"\u7167\u7247_\u65E5\u843D", 301, 211},  // Chinese
    {"\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD1\x84\xD0\xB8\xD1\x8F",
     L"\u0424\u043E\u0442\u043E\u0433\u0440\u0430\u0444\u0438\u044F", 302, 212},  // Cyrillic
    {"\xCE\xA6\xCF\x89\xCF\x84\xCE\xBF\xCE\xB3\xCF\x81\xCE\xB1\xCF\x86\xCE\xAF\xCE\xB1",
     L"\u03A6\u03C9\u03C4\u03BF\u03B3\u03C1\u03B1\u03C6\u03AF\u03B1", 303, 213},  // Greek
    {"\xF0\x9F\x8C\x84 sunrise", L"\U0001F304 sunrise", 304, 214},                // an emoji
    {"caf\xC3\xA9 \xC3\x86", L"caf\u00E9 \u00C6", 305, 215},                     // Latin-1 letters
};

// The scratch folder, itself named outside ASCII.
const char* const FOLDER_NAME = "rc_utf8_\xCE\xB5\xCE\xBB_\xE6\xB5\x8B\xE8\xAF\x95";
const wchar_t* const FOLDER_WIDE = L"rc_utf8_\u03B5\u03BB_\u6D4B\u8BD5";

std::wstring temp_wide() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t full[MAX_PATH];
    GetLongPathNameW(temp, full, MAX_PATH);
    return full;
}

// The temporary folder's path has no characters outside ASCII here, so its
// narrow form is the same characters.
std::string narrow_ascii(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class Utf8Names : public AppFixture {
protected:
    std::wstring folder_w;
    std::string folder;  // both end in '\'

    void SetUp() override {
        AppFixture::SetUp();
        register_png_encoder();
        register_jpeg_encoder();
        std::wstring temp = temp_wide();
        for (wchar_t c : temp) ASSERT_LT(c, 128) << "the temporary folder's path is not ASCII";
        folder_w = temp + FOLDER_WIDE + L"\\";
        folder = narrow_ascii(temp) + FOLDER_NAME + "\\";
        empty_folder();
        ASSERT_TRUE(CreateDirectoryW(folder_w.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        empty_folder();
        RemoveDirectoryW(folder_w.c_str());
        AppFixture::TearDown();
    }
    void empty_folder() {
        for (const std::wstring& f : files()) DeleteFileW((folder_w + f).c_str());
    }
    std::set<std::wstring> files() {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder_w + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }
    // A test picture stored under the wide name, written by way of an ASCII name.
    void store_picture(const Name& n, const wchar_t* extension) {
        std::string plain = pictures::scratch_folder("utf8") + "picture.png";
        ASSERT_TRUE(pictures::write_picture(plain, pictures::PNG, n.width, n.height));
        std::wstring target = folder_w + n.wide + extension;
        ASSERT_TRUE(MoveFileExW(std::wstring(plain.begin(), plain.end()).c_str(), target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED));
    }
    std::string head_of(const std::wstring& name, size_t bytes) {
        HANDLE file = CreateFileW((folder_w + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "";
        std::string data(bytes, '\0');
        DWORD got = 0;
        ReadFile(file, data.data(), static_cast<DWORD>(bytes), &got, nullptr);
        CloseHandle(file);
        data.resize(got);
        return data;
    }
};

TEST_F(Utf8Names, TheManifestMakesUtf8TheCodePage) { EXPECT_EQ(GetACP(), 65001u); }

TEST_F(Utf8Names, LoadAndBothSavesInEveryScript) {
    std::set<std::wstring> expected;
    for (const Name& n : NAMES) {
        SCOPED_TRACE(n.utf8);
        store_picture(n, L".png");
        expected.insert(std::wstring(n.wide) + L".png");
        load_source((folder + n.utf8 + ".png").c_str());
        EXPECT_EQ(app.source_width, n.width);  // not the black fallback of a missing file
        EXPECT_EQ(app.source_height, n.height);

        // A name without extension gets ".png"; a ".JPG" typed stays as typed.
        EXPECT_EQ(save_output_as((folder + n.utf8 + "_cut").c_str(), SAVE_PNG), 1);
        EXPECT_EQ(save_output_as((folder + n.utf8 + "_cut.JPG").c_str(), SAVE_JPG), 1);
        expected.insert(std::wstring(n.wide) + L"_cut.png");
        expected.insert(std::wstring(n.wide) + L"_cut.JPG");
        EXPECT_EQ(head_of(std::wstring(n.wide) + L"_cut.png", 8), "\x89PNG\r\n\x1a\n");
        EXPECT_EQ(head_of(std::wstring(n.wide) + L"_cut.JPG", 3), "\xFF\xD8\xFF");

        // Saving again replaces the file in place.
        EXPECT_EQ(save_output_as((folder + n.utf8 + "_cut.png").c_str(), SAVE_PNG), 1);
    }
    // Exactly these files: no temporary file left, no name mangled to '?'.
    EXPECT_EQ(files(), expected);
}

// The dialog's name field: an edit, or the edit inside a combo box.
HWND name_field(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, cmb13)) {
        constexpr UINT GET_EDIT_CONTROL = WM_USER + 7;  // of an extended combo box
        if (auto edit = reinterpret_cast<HWND>(SendMessageW(combo, GET_EDIT_CONTROL, 0, 0))) return edit;
        if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr)) return edit;
        return combo;
    }
    return GetDlgItem(dialog, edt1);
}

HWND wait_for_dialog(DWORD thread) {
    for (int i = 0; i < 1000; ++i) {
        HWND found = nullptr;
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM data) -> BOOL {
                wchar_t name[64] = {};
                GetClassNameW(window, name, 64);
                if (std::wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
                *reinterpret_cast<HWND*>(data) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found) {
            Sleep(150);  // let the dialog finish filling itself in
            return found;
        }
        Sleep(10);
    }
    return nullptr;
}

// Opens a dialog with `call` while a helper thread types `typed` (UTF-16,
// as a keyboard would give it) into its name field and presses OK.
template <typename Call>
std::string with_typed_name(const std::wstring& typed, Call call) {
    DWORD me = GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread helper([&] {
        HWND dialog = wait_for_dialog(me);
        if (!dialog) return;
        SetWindowTextW(name_field(dialog), typed.c_str());
        for (int i = 0; !returned; ++i) {
            // OK, again if a completion list took the first press; Cancel in the end.
            if (i % 50 == 0) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(i < 200 ? IDOK : IDCANCEL, BN_CLICKED), 0);
            Sleep(10);
        }
    });
    std::string result = call();
    returned = true;
    helper.join();
    return result;
}

TEST_F(Utf8Names, DialogsGiveNamesInEveryScriptSingleAndMultiple) {
    for (const Name& n : NAMES) store_picture(n, L".png");
    const std::string start = folder + "*.png";
    for (const Name& n : NAMES) {
        std::string chosen = with_typed_name(std::wstring(n.wide) + L".png", [&] {
            return std::string(open_file_requester("SELECT IMAGE", start.c_str(), "Pictures|*.png|", 0));
        });
        EXPECT_EQ(chosen, folder + n.utf8 + ".png");
    }
    // 90 Chinese characters: 270 bytes of UTF-8, more than the 259 a path
    // could have in a single-byte code page.
    std::string long_utf8;
    std::wstring long_wide;
    for (int i = 0; i < 90; ++i) {
        // The first name's first two characters in turn, 3 bytes each.
        long_utf8.append(NAMES[0].utf8 + 3 * (i % 2), 3);
        long_wide += NAMES[0].wide[i % 2];
    }
    std::string chosen_long = with_typed_name(long_wide + L".png", [&] {
        return std::string(open_file_requester("SELECT IMAGE", start.c_str(), "Pictures|*.png|", 0));
    });
    EXPECT_EQ(chosen_long, folder + long_utf8 + ".png");

    // A save dialog takes a new name, here one with a character beyond
    // 16 bits (two UTF-16 units, four UTF-8 bytes).
    const Name& emoji = NAMES[3];
    std::string saved = with_typed_name(std::wstring(emoji.wide) + L" new.png", [&] {
        return std::string(save_file_requester("SELECT IMAGE", start.c_str(), "Pictures|*.png|", 0));
    });
    EXPECT_EQ(saved, folder + emoji.utf8 + " new.png");

    std::wstring all;
    for (const Name& n : NAMES) all += L"\"" + std::wstring(n.wide) + L".png\" ";
    std::set<std::string> chosen;
    std::string first = with_typed_name(all, [&] {
        return std::string(open_file_requester_multi("SELECT IMAGE", start.c_str(), "Pictures|*.png|", 0,
                                                     REQUESTER_MULTI_FLAG));
    });
    for (std::string path = first; !path.empty(); path = next_selected_file()) chosen.insert(path);
    std::set<std::string> expected;
    for (const Name& n : NAMES) expected.insert(folder + n.utf8 + ".png");
    EXPECT_EQ(chosen, expected);
}

}  // namespace

// roundcut-cli run as a user runs it, over a handful of pictures: one that
// is none, one named in another script, one whose output name is taken.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/model/crop.h"
#include "app/output/output_size.h"
#include "app/output/render.h"
#include "app/output/save.h"
#include "app/picture/source.h"
#include "app_fixture.h"
#include "app_pictures.h"
#include "codecs/jpeg_writer.h"
#include "codecs/png_writer.h"

using namespace pictures;

namespace {

std::wstring wide(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    out.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                   static_cast<int>(out.size())));
    return out;
}

// Runs the program with this command line; its exit code and what it
// printed.
DWORD run(std::wstring command, std::string* printed) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return 999;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = write;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        CloseHandle(read);
        CloseHandle(write);
        return 998;
    }
    CloseHandle(write);
    char block[4096];
    DWORD got = 0;
    while (ReadFile(read, block, sizeof block, &got, nullptr) && got) printed->append(block, got);
    CloseHandle(read);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 997;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

class RoundcutCli : public AppFixture {};

TEST_F(RoundcutCli, WritesWhatTheWindowSavesAndReportsEveryPicture) {
    register_png_encoder();
    register_jpeg_encoder();
    const std::string folder = scratch_folder("cli"), out = folder + "out";
    ASSERT_TRUE(write_picture(folder + "a.png", PNG, 700, 500));
    ASSERT_TRUE(write_picture(folder + "b.jpg", JPEG, 500, 800));
    const std::wstring other = wide(folder) + L"\x0444\x043E\x0442\x043E.jpg";  // "photo" in Cyrillic
    ASSERT_TRUE(CopyFileW(wide(folder + "b.jpg").c_str(), other.c_str(), FALSE));
    ASSERT_TRUE(write_bytes(folder + "notes.txt", "not a picture", 13));
    CreateDirectoryA(out.c_str(), nullptr);
    WIN32_FIND_DATAW found;  // an earlier run's files
    for (HANDLE f = FindFirstFileW((wide(out) + L"\\*.png").c_str(), &found); f != INVALID_HANDLE_VALUE;
         f = FindNextFileW(f, &found) ? f : (FindClose(f), INVALID_HANDLE_VALUE))
        DeleteFileW((wide(out) + L"\\" + found.cFileName).c_str());
    ASSERT_TRUE(write_bytes(out + "\\a.png", "old", 3));

    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string cli = exe;
    cli.resize(cli.find_last_of('\\') + 1);
    cli += "..\\app\\roundcut-cli.exe";
    std::string printed;
    const DWORD code = run(L"\"" + wide(cli) + L"\" --out \"" + wide(out) + L"\" --size 256 --smooth --outside-alpha 60 --jobs 2 \"" +
                               wide(folder) + L"a.png\" \"" + wide(folder) + L"b.jpg\" \"" + other + L"\" \"" +
                               wide(folder) + L"notes.txt\"",
                           &printed);
    EXPECT_EQ(code, 1u) << printed;
    for (const std::string& line : {"[1/4] a.png -> " + out + "\\a (2).png", "[2/4] b.jpg -> " + out + "\\b.png",
                                   std::string("[4/4] notes.txt: Not a picture roundcut can read"),
                                   std::string("4 pictures: 3 written, 1 failed, ")})
        EXPECT_NE(printed.find(line), std::string::npos) << line << "\n" << printed;
    EXPECT_NE(printed.find("[3/4] \xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.jpg -> "), std::string::npos) << printed;
    EXPECT_EQ(read_bytes(out + "\\a.png"), "old");

    // The window's Save of the same pictures, the centred square and the same options.
    app.output_size = 256;
    app.smooth_edge = 1;
    app.outer_alpha = 60;
    for (const char* name : {"a", "b"}) {
        load_source((folder + name + (name[0] == 'a' ? ".png" : ".jpg")).c_str());
        app.crop = centred_square(app.source_width, app.source_height);
        grab_crop_square();
        ASSERT_EQ(save_output_as((folder + name + "-window").c_str(), SAVE_PNG), 1);
        const std::string window = read_bytes(folder + name + "-window.png");
        EXPECT_EQ(read_bytes(out + "\\" + name + (name[0] == 'a' ? " (2).png" : ".png")), window) << name;
        if (name[0] == 'b') {
            HANDLE file = CreateFileW((wide(out) + L"\\\x0444\x043E\x0442\x043E.png").c_str(), GENERIC_READ, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
            std::string bytes(window.size() + 1, '\0');
            DWORD got = 0;
            ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
            CloseHandle(file);
            bytes.resize(got);
            EXPECT_EQ(bytes, window);
        }
    }
}

}  // namespace

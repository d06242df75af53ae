// The settings file's text: what it reads back, what damaged text gives,
// and the settings' way into and out of the tool's state.
#include "app/model/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/model/state.h"
#include "core/memory.h"
#include "ui/requester.h"

namespace {

Settings parsed(const std::string& text) {
    Settings s;
    parse_settings(text.data(), text.size(), &s);
    return s;
}

Settings defaults() {
    Settings s;
    default_settings(&s);
    return s;
}

Settings unusual() {
    Settings s = defaults();
    s.radius = 1;
    s.step_x = 200;
    s.step_y = 17;
    s.step_xy = 3;
    s.inner_alpha = 0;
    s.outer_alpha = 128;
    s.background_colour = 0x123456;  // blue 0x12, green 0x34, red 0x56
    for (int i = 0; i < 16; ++i) s.custom_colours[i] = 0x010203u * static_cast<uint32_t>(i + 1);
    s.smooth_edge = 1;
    s.output_size = 2048;
    s.start_on_faces = 1;
    std::strcpy(s.load_folder, "C:\\Users\\Ann\\Pictures 2024");
    std::strcpy(s.save_folder, "Z:\\tmp\\caf\xc3\xa9 = out");  // UTF-8 and an "=" of its own
    return s;
}

TEST(Settings, TextReadsBackToTheSameSettings) {
    for (const Settings& s : {defaults(), unusual()}) {
        const std::string text = settings_text(s);
        EXPECT_TRUE(same_settings(parsed(text), s)) << text;
        // Lines end in CR LF; read with bare LF the file means the same.
        std::string unix_text;
        for (char c : text)
            if (c != '\r') unix_text += c;
        EXPECT_TRUE(same_settings(parsed(unix_text), s));
    }
    const Settings d = defaults();
    EXPECT_EQ(d.radius, 295);
    EXPECT_EQ(d.step_x + d.step_y + d.step_xy, 3);
    EXPECT_EQ(d.inner_alpha + d.outer_alpha, 510);
    EXPECT_EQ(d.background_colour, 0);
    EXPECT_EQ(d.smooth_edge, 0);
    EXPECT_EQ(d.output_size, 600);
    EXPECT_EQ(d.start_on_faces, 0);
    EXPECT_STREQ(d.load_folder, "");
    // Colours are written red first, as people write them.
    EXPECT_NE(settings_text(unusual()).find("background_colour=#563412\r\n"), std::string::npos);
}

TEST(Settings, DamagedTextKeepsTheDefaultOfEveryKeyItCannotRead) {
    const struct {
        const char* name;
        std::string text;
        int64_t radius, step_x;
    } cases[] = {
        {"empty", "", 295, 1},
        {"no line break at all", "radius=42", 295, 1},
        {"cut in the last value", "radius=42\nstep_x=12", 42, 1},
        {"CR LF and blanks around", "[roundcut]\r\n  radius = 42 \t\r\nstep_x=5\r\n", 42, 5},
        {"letters", "radius=abc\nstep_x=5x\n", 295, 1},
        {"empty value and key", "radius=\n=5\nstep_x\n", 295, 1},
        {"hexadecimal and signs", "radius=$20\nstep_x=+4\n", 295, 1},
        {"NUL inside a line", std::string("radius=4\0002\nstep_x=3\n", 20), 295, 3},
        {"binary junk", std::string("\xff\xfe\x00\x01radius\x80=\n\n\x1b", 14), 295, 1},
        {"last one wins, unknown keys ignored", "radius=10\nradius=20\nsize=9\nRADIUS=30\n", 20, 1},
        {"comments and sections", "; radius=5\n# radius=6\n[other]\nstep_x=9\n", 295, 9},
    };
    for (const auto& c : cases) {
        const Settings s = parsed(c.text);
        EXPECT_EQ(s.radius, c.radius) << c.name;
        EXPECT_EQ(s.step_x, c.step_x) << c.name;
        EXPECT_EQ(s.output_size, 600) << c.name;
        EXPECT_EQ(s.background_colour, 0) << c.name;
    }
}

TEST(Settings, OutOfRangeValuesAreClampedToTheControlsRanges) {
    const struct {
        const char* text;
        int64_t Settings::*field;
        int64_t expected;
    } cases[] = {
        {"radius=0\n", &Settings::radius, 1},
        {"radius=-7\n", &Settings::radius, 1},
        {"radius=501\n", &Settings::radius, 500},
        {"radius=99999999999999999999999999\n", &Settings::radius, 500},
        {"radius=-99999999999999999999999999\n", &Settings::radius, 1},
        {"step_y=0\n", &Settings::step_y, 1},
        {"step_xy=201\n", &Settings::step_xy, 200},
        {"inner_alpha=-1\n", &Settings::inner_alpha, 0},
        {"outer_alpha=256\n", &Settings::outer_alpha, 255},
        {"smooth_edge=7\n", &Settings::smooth_edge, 1},
        {"smooth_edge=-1\n", &Settings::smooth_edge, 0},
        // Exactly six digits, or the default.
        {"background_colour=#1000000\n", &Settings::background_colour, 0},
        {"background_colour=#FFFFFFFFFFFFFFFFFFFFFFFF\n", &Settings::background_colour, 0},
        {"background_colour=#112233\n", &Settings::background_colour, 0x332211},
        {"background_colour=#FFF\n", &Settings::background_colour, 0},
        {"background_colour=#ff\n", &Settings::background_colour, 0},
        {"background_colour=112233\n", &Settings::background_colour, 0},
        // Sizes go to the nearest choice, the smaller of two as near.
        {"output_size=0\n", &Settings::output_size, 128},
        {"output_size=300\n", &Settings::output_size, 256},
        {"output_size=384\n", &Settings::output_size, 256},
        {"output_size=556\n", &Settings::output_size, 512},
        {"output_size=1000\n", &Settings::output_size, 1024},
        {"output_size=9999999\n", &Settings::output_size, 2048},
        {"output_size=512\n", &Settings::output_size, 512},
    };
    for (const auto& c : cases) EXPECT_EQ(parsed(c.text).*c.field, c.expected) << c.text;
}

TEST(Settings, CustomColoursAndFoldersAreReadEntryByEntry) {
    Settings s = parsed("custom_colours=#FF0000, nonsense ,#0000ff,#1234567\n");
    EXPECT_EQ(s.custom_colours[0], 0x0000FFu);
    EXPECT_EQ(s.custom_colours[1], 0u);
    EXPECT_EQ(s.custom_colours[2], 0xFF0000u);
    EXPECT_EQ(s.custom_colours[3], 0u);
    EXPECT_EQ(s.custom_colours[15], 0u);
    s = parsed("custom_colours=" + std::string(40, ',') + "#010203\n");  // past the 16th: ignored
    for (uint32_t c : s.custom_colours) EXPECT_EQ(c, 0u);

    // A folder too long for the dialogs, or with control characters, would
    // name some other folder: it is dropped whole.
    const std::string longest(SETTINGS_FOLDER_SIZE - 1, 'a');
    EXPECT_STREQ(parsed("load_folder=" + longest + "\n").load_folder, longest.c_str());
    EXPECT_STREQ(parsed("load_folder=" + longest + "a\n").load_folder, "");
    EXPECT_STREQ(parsed("save_folder=C:\\a\tb\n").save_folder, "");
    EXPECT_STREQ(parsed("save_folder=C:\\a\x7f\n").save_folder, "C:\\a\x7f");
}

TEST(Settings, FolderOfAPathAndTheDialogsStart) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"C:\\pictures\\cat.png", "C:\\pictures"}, {"C:\\cat.png", "C:\\"},   {"\\cat.png", "\\"},
        {"Z:/tmp/x/cat.jpg", "Z:/tmp/x"},          {"cat.png", ""},           {"", ""},
        {"\\\\server\\share\\a.png", "\\\\server\\share"},
    };
    char folder[SETTINGS_FOLDER_SIZE];
    for (const auto& c : cases) {
        folder_of(c.path, folder, sizeof folder);
        EXPECT_STREQ(folder, c.folder) << c.path;
    }
    folder_of(nullptr, folder, sizeof folder);
    EXPECT_STREQ(folder, "");
    folder_of("C:\\abcdef\\x.png", folder, 9);  // does not fit: no folder rather than a wrong one
    EXPECT_STREQ(folder, "");

    EXPECT_EQ(dialog_start(""), "");
    EXPECT_EQ(dialog_start("C:\\pictures"), "C:\\pictures\\");
    // The requester splits it into that folder and no file name.
    char name[REQUESTER_PATH_SIZE] = "x";
    char* directory = split_default_file(dialog_start("C:\\pictures").c_str(), name, sizeof name);
    ASSERT_NE(directory, nullptr);
    EXPECT_STREQ(directory, "C:\\pictures");
    EXPECT_STREQ(name, "");
    runtime_free(directory);
}

TEST(Settings, ReachTheToolsStateClampedAndResetKeepsColoursAndFolders) {
    clear_app_state();
    set_app_defaults();
    Settings s = unusual();
    s.radius = 9000;  // clamped on the way in
    settings_to_app(s);
    EXPECT_EQ(app.radius, 500);
    EXPECT_EQ(app.step_y, 17);
    EXPECT_EQ(app.outer_alpha, 128);
    EXPECT_EQ(app.background_colour, 0x123456);
    EXPECT_EQ(app.smooth_edge, 1);
    EXPECT_EQ(app.output_size, 2048);
    EXPECT_EQ(requester_state()->custom_colours[4], 0x050A0Fu);
    EXPECT_STREQ(remembered_load_folder, "C:\\Users\\Ann\\Pictures 2024");

    // Spins store typed numbers unclamped; the settings never do.
    app.step_x = 0;
    Settings back;
    settings_from_app(&back);
    EXPECT_EQ(back.step_x, 1);
    EXPECT_EQ(back.radius, 500);
    EXPECT_STREQ(back.save_folder, unusual().save_folder);

    reset_app_options();
    EXPECT_EQ(app.radius, 295);
    EXPECT_EQ(app.step_x + app.step_y + app.step_xy, 3);
    EXPECT_EQ(app.inner_alpha + app.outer_alpha, 510);
    EXPECT_EQ(app.background_colour, 0);
    EXPECT_EQ(app.smooth_edge, 0);
    EXPECT_EQ(app.output_size, 600);
    EXPECT_EQ(requester_state()->custom_colours[4], 0x050A0Fu);
    EXPECT_STREQ(remembered_save_folder, unusual().save_folder);

    settings_to_app(defaults());
    clear_app_state();
}

}  // namespace

TEST(Settings, WindowPlaceReadsBackClampedAndSurvivesReset) {
    const Settings s = parsed("window_x=-200\nwindow_y=40000\nwindow_width=1346\nwindow_height=-5\nwindow_maximised=7\n");
    EXPECT_TRUE(s.window_x == -200 && s.window_y == 32767 && s.window_width == 1346 && s.window_height == 0 &&
                s.window_maximised == 1 && defaults().window_width == 0);
    EXPECT_TRUE(same_settings(s, parsed(settings_text(s))));
    settings_to_app(s);
    reset_app_options();
    EXPECT_TRUE(app.window_x == -200 && app.window_width == 1346 && app.window_maximised == 1);
}

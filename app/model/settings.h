// The settings the tool remembers between runs, and their text form: an
// INI-style file of "key=value" lines.  Reading is forgiving: every key that
// is missing, unreadable or nonsense keeps its default, numbers out of range
// are clamped to what the controls accept, and a last line without its line
// break (a file cut short) is not trusted.
//
// Portable: the file's place and the reading and writing of it live in
// settings_file.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/model/options.h"
#include "ui/requester.h"

// Longest remembered folder, with its terminating zero: the dialogs' path
// limit (259 UTF-16 units in UTF-8).
constexpr size_t SETTINGS_FOLDER_SIZE = REQUESTER_PATH_SIZE;

struct Settings {
    int64_t radius;              // each in its range of app/model/options.h
    int64_t step_x, step_y, step_xy;
    int64_t inner_alpha, outer_alpha;
    int64_t background_colour;   // 0x00BBGGRR
    uint32_t custom_colours[16]; // the colour dialog's, 0x00BBGGRR each
    int64_t smooth_edge;         // 0 or 1
    int64_t output_size;         // one of OUTPUT_SIZE_CHOICES
    int64_t start_on_faces;      // 0 or 1
    int64_t window_x, window_y, window_width, window_height;  // the main window as last left; width 0: none
    int64_t window_maximised;    // 0 or 1
    char load_folder[SETTINGS_FOLDER_SIZE];  // empty: none yet
    char save_folder[SETTINGS_FOLDER_SIZE];
};

// The tool's start state: radius 295, steps 1, alphas 255, black, smooth
// edge off, output size 600, not starting on faces, custom colours black,
// no folders.
void default_settings(Settings* settings);

// Every value brought into its range: radius, steps, alphas and colours
// clamped, smooth edge and start on faces 0 or 1, the output size to the nearest choice (the
// smaller one of two equally near), folders cut to their buffers.
void clamp_settings(Settings* settings);

// The settings a file's text gives (size bytes, NULs included, need not end
// in one): the defaults, overridden by each good line.
void parse_settings(const char* text, size_t size, Settings* settings);

// The file's text for these settings (clamped first); parse_settings reads
// it back to the same settings.
std::string settings_text(const Settings& settings);

bool same_settings(const Settings& a, const Settings& b);

// The folder part of a path (up to its last "\" or "/", without it; "C:\"
// keeps its "\"); empty when it has none or it does not fit.
void folder_of(const char* path, char* folder, size_t size);

// What to hand a file dialog as its default file so it opens in `folder`:
// the folder with a "\" after it, which names no file; empty for no folder.
std::string dialog_start(const char* folder);

// The tool's state as settings, and settings put into the tool's state
// (the application block, the colour dialog's custom colours and the
// remembered folders below).  Clamped on the way in.
void settings_from_app(Settings* settings);
void settings_to_app(const Settings& settings);

// The folders the Load and Save dialogs last returned from.
extern char remembered_load_folder[SETTINGS_FOLDER_SIZE];
extern char remembered_save_folder[SETTINGS_FOLDER_SIZE];

// Reset to defaults: radius, steps, alphas, background colour, smooth edge,
// output size and start on faces back to the start state; the custom colours, the
// remembered folders and the window's place stay.
void reset_app_options();

// The settings file, %APPDATA%\roundcut\roundcut.ini: where it is, and
// reading and writing it (settings_file_win.cpp; builds without the user's
// application data folder remember nothing).
#pragma once

#include <string>

// The file's full name; empty when the platform names no folder for it.
std::string settings_file();

// Reads the file into the tool's state; a missing or unreadable file leaves
// the defaults.
void load_settings();

// Writes the tool's settings when they differ from what was last read or
// written, through a temporary file moved over the old one.  A write that
// fails is tried again at a later call, but not within two seconds of the
// failure unless `now` (the last call, at exit); false while it fails.
bool store_settings(bool now = false);

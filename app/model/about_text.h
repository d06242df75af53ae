// The text of Help > About roundcut.
#pragma once

#include <string>

constexpr const char* ABOUT_TITLE = "About roundcut";

// The name, the version and short notices of the libraries built into the
// program, lines separated by "\r\n".
std::string about_text();

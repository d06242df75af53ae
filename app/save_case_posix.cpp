// Lower-casing for builds without the platform: the C library's rule for the
// current locale, byte by byte.
#include <cctype>
#include <string>

#include "app/save.h"

std::string lower_case(const char* text) {
    if (!text) return {};
    std::string copy = text;
    for (char& c : copy) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return copy;
}

// Lower-casing in the system locale: the ANSI code page's own letter rules.
#include <windows.h>

#include <string>

#include "app/save.h"

std::string lower_case(const char* text) {
    if (!text) return {};
    std::string copy = text;
    if (!copy.empty()) CharLowerBuffA(copy.data(), static_cast<DWORD>(copy.size()));
    return copy;
}

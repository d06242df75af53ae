#include "app/model/number_text.h"

std::string number_text(int64_t value) {
    char digits[24];
    int n = 0;
    // Worked on the magnitude in 64 unsigned bits, so the most negative
    // value needs no special case.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::string text;
    text.reserve(n + 1);
    if (value < 0) text.push_back('-');
    while (n > 0) text.push_back(digits[--n]);
    return text;
}

namespace {

int digit_value(char c, int base) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    return d < base ? d : -1;
}

}  // namespace

int64_t parse_number(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    } else if (*p == '+') {
        ++p;
    }
    int base = 10;
    if (*p == '$') {
        base = 16;
        ++p;
    } else if (*p == '%') {
        base = 2;
        ++p;
    }
    // Unsigned arithmetic: the value wraps at 64 bits without overflow.
    uint64_t value = 0;
    for (int d; (d = digit_value(*p, base)) >= 0; ++p) value = value * base + static_cast<uint64_t>(d);
    if (negative) value = 0 - value;
    return static_cast<int64_t>(value);
}

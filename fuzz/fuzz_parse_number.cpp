// parse_number on arbitrary text, and the forms it must read back exactly:
// number_text's decimal output, "$" hexadecimal and "%" binary of the same
// value, with leading blanks, a sign and trailing junk around them.
#include <cstring>
#include <string>

#include "app/model/number_text.h"
#include "fuzz_input.h"

namespace {

std::string in_base(uint64_t value, int base) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % base]);
        value /= base;
    } while (value);
    return text;
}

bool is_digit_of(char c, int base) {
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    return d < base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The raw input as text: anything may come back, nothing may go wrong.
    std::string raw(reinterpret_cast<const char*>(data), size);
    int64_t whole = parse_number(raw.c_str());
    // Whatever follows the first NUL is never read.
    if (size > 0) {
        std::string cut(raw.c_str());
        FUZZ_CHECK(parse_number(cut.c_str()) == whole);
    }

    FuzzInput in{data, size};
    const uint64_t value = in.u64();
    const uint8_t shape = in.byte();
    const int base = (shape & 3) == 1 ? 16 : (shape & 3) == 2 ? 2 : 10;
    const bool negative = shape & 4, plus = shape & 8;
    std::string blanks;
    for (int n = (shape >> 4) & 3; n > 0; --n) blanks += (shape & 64) ? '\t' : ' ';

    // Trailing junk: the rest of the input up to its first character that
    // could continue the digits.
    std::string junk;
    while (!in.empty()) {
        char c = static_cast<char>(in.byte());
        if (c == 0) break;
        if (junk.empty() && is_digit_of(c, base)) continue;
        junk += c;
    }

    std::string digits = in_base(value, base);
    std::string text = blanks + (negative ? "-" : plus ? "+" : "") + (base == 16 ? "$" : base == 2 ? "%" : "") + digits;
    // The value wraps at 64 bits: "-" of v is 0 - v in unsigned arithmetic.
    const int64_t expected = static_cast<int64_t>(negative ? 0 - value : value);
    FUZZ_CHECK(parse_number(text.c_str()) == expected);
    FUZZ_CHECK(parse_number((text + junk).c_str()) == expected);

    // A decimal number's own text reads back as the number.
    const int64_t signed_value = static_cast<int64_t>(value);
    FUZZ_CHECK(parse_number(number_text(signed_value).c_str()) == signed_value);
    // Upper-case hexadecimal reads the same as lower case.
    if (base == 16) {
        std::string upper = text;
        for (char& c : upper)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        FUZZ_CHECK(parse_number(upper.c_str()) == expected);
    }
    // A sign, or a blank between sign and digits, ends the number at once.
    FUZZ_CHECK(parse_number(("- " + digits).c_str()) == 0);
    FUZZ_CHECK(parse_number(("+-" + digits).c_str()) == 0);
    return 0;
}

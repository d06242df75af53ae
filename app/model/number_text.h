// Text helpers of the tool: numbers to decimal text and typed text to numbers.
#pragma once

#include <cstdint>
#include <string>

// The value in decimal, with a leading "-" for negatives.
std::string number_text(int64_t value);

// Reads a number the way the spin gadgets are typed into: leading spaces and
// tabs skipped, an optional "-" or "+", then "$" for hexadecimal, "%" for
// binary or plain decimal digits, up to the first character that is not a
// digit of that base.  No digits (or no text) give 0; the value wraps at
// 64 bits.
int64_t parse_number(const char* text);

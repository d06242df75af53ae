#include "app/model/number_text.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberText, Decimal) {
    EXPECT_EQ(number_text(0), "0");
    EXPECT_EQ(number_text(600), "600");
    EXPECT_EQ(number_text(-12), "-12");
    EXPECT_EQ(number_text(INT64_MAX), "9223372036854775807");
    EXPECT_EQ(number_text(INT64_MIN), "-9223372036854775808");
}

TEST(ParseNumber, Forms) {
    const struct {
        const char* text;
        int64_t value;
    } cases[] = {
        {"  -12abc", -12}, {"$1F", 31},  {"$ff", 255},   {"%101", 5},   {"+7", 7},     {"- 5", 0},
        {"", 0},           {"abc", 0},   {"\t 295", 295}, {"12 34", 12}, {"$", 0},      {"%102", 2},
        {"-$10", -16},     {"+-3", 0},   {"0009", 9},    {"$fG", 15},   {"-0", 0},     {"%", 0},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_number(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(parse_number(nullptr), 0);
}

TEST(ParseNumber, WrapsAt64Bits) {
    EXPECT_EQ(parse_number("9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parse_number("18446744073709551617"), 1);
    EXPECT_EQ(parse_number("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(parse_number("$10000000000000005"), 5);
    EXPECT_EQ(parse_number("-%1"), -1);
    // Very long digit strings keep wrapping: the value modulo 2^64.
    std::string many;
    while (many.size() < 5000) many += "123456789";
    many.resize(5000);
    EXPECT_EQ(parse_number(many.c_str()), INT64_C(1512223424050994009));
    EXPECT_EQ(parse_number(std::string(5000, '9').c_str()), -1);  // 10^5000 - 1, and 2^64 divides 10^5000
    EXPECT_EQ(number_text(parse_number("-42")), "-42");
}

}  // namespace

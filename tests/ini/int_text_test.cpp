#include "toolkit/int_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct IntCase {
    std::string name;
    std::string text;
    std::optional<std::int32_t> expected;
};

void PrintTo(const IntCase& c, std::ostream* os) {
    *os << c.name;
}

std::string caseName(const testing::TestParamInfo<IntCase>& info) {
    return info.param.name;
}

constexpr auto kNone = std::nullopt;

// Rows shared by both parsers: without a "0x" prefix they must agree.
const std::vector<IntCase> kIntegerRows = {
    {"Zero", "0", 0},
    {"PlusSign", "+7", 7},
    {"MinusSign", "-1", -1},
    {"LeadingBlanks", "   42", 42},
    {"LeadingZeros", "0000000000000012", 12},
    {"Largest", "2147483647", 2147483647},
    {"MostNegativeAccepted", "-2147483647", -2147483647},
    {"OneBeyondLargest", "2147483648", kNone},
    {"MinInt32IsBeyondInSize", "-2147483648", kNone},
    {"DigitsThatWouldWrap", "42949672961", kNone},
    {"VeryLong", "99999999999999999999999999", kNone},
    {"HexLower", "$ff", 255},
    {"HexUpper", "$FF", 255},
    {"HexZero", "$0", 0},
    {"HexLargestPositive", "$7FFFFFFF", 2147483647},
    {"HexWrapsToMinusOne", "$FFFFFFFF", -1},
    {"HexWrapsToMin", "$80000000", INT32_MIN},
    {"HexNineDigits", "$000000001", kNone},
    {"HexWithBlanksBefore", "  $1a", 26},
    {"Empty", "", kNone},
    {"BlanksOnly", "   ", kNone},
    {"DollarAlone", "$", kNone},
    {"SignAlone", "-", kNone},
    {"TwoSigns", "+-1", kNone},
    {"SignedHex", "-$1", kNone},
    {"HexWithSign", "$-1", kNone},
    {"NotHexDigit", "$1g", kNone},
    {"Letters", "abc", kNone},
    {"BlankBetweenDigits", "1 2", kNone},
    {"TrailingBlank", "12 ", kNone},
    {"BlankAfterSign", "- 1", kNone},
    {"TabIsNoBlank", "\t1", kNone},
    {"Fraction", "1.5", kNone},
    {"TrailingNul", std::string("1\0", 2), kNone},
};

class ParseInteger : public testing::TestWithParam<IntCase> {};

TEST_P(ParseInteger, ReadsTheNumberOrNone) {
    EXPECT_EQ(tk::parseInteger(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseInteger, testing::ValuesIn(kIntegerRows), caseName);

TEST(ParseIntegerPlain, TakesNoZeroXPrefix) {
    EXPECT_EQ(tk::parseInteger("0x10"), std::nullopt);
}

class ParseIniInteger : public testing::TestWithParam<IntCase> {};

TEST_P(ParseIniInteger, ReadsTheNumberOrNone) {
    EXPECT_EQ(tk::parseIniInteger(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(SharedRows, ParseIniInteger, testing::ValuesIn(kIntegerRows), caseName);

// The settings flags and the "0x" prefix rule.
INSTANTIATE_TEST_SUITE_P(PrefixRows, ParseIniInteger,
                         testing::ValuesIn(std::vector<IntCase>{
                             {"FlagZero", "0", 0},
                             {"FlagHexZero", "$0", 0},
                             {"FlagZeroXZero", "0x0", 0},
                             {"FlagOne", "1", 1},
                             {"FlagTwo", "2", 2},
                             {"FlagMinusOne", "-1", -1},
                             {"FlagZeroXOne", "0x1", 1},
                             {"FlagLetters", "abc", kNone},
                             {"FlagZeroXAlone", "0x", kNone},
                             {"FlagEmpty", "", kNone},
                             {"FlagDollarAlone", "$", kNone},
                             {"FlagBlankBetweenDigits", "1 2", kNone},
                             {"UpperX", "0X1F", 31},
                             {"ZeroXWraps", "0xFFFFFFFF", -1},
                             {"ZeroXNineDigits", "0x100000000", kNone},
                             {"ZeroXThenSign", "0x-1", kNone},
                             {"ZeroXThenBlank", "0x 1", kNone},
                             {"PrefixOnlyAtStart", " 0x1", kNone},
                             {"DoubleZeroX", "00x1", kNone},
                             {"DollarAfterZeroX", "0x$1", kNone},
                         }),
                         caseName);

}  // namespace

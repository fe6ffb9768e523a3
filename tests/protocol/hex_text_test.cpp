#include "protocol/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>

#include "tests/protocol/byte_strings.h"

namespace {

using protocol::BytesToHexText;
using protocol::HexTextToBytes;
using test_bytes::bytes;
using test_bytes::spelled;

struct HexTextCase {
    const char* name;
    std::string text;
    bool ok;
    const char* output;  // spelled; after false, the pairs that passed before the failure
};

void PrintTo(const HexTextCase& row, std::ostream* os) {
    *os << row.name;
}

using namespace std::string_literals;

const HexTextCase kHexTextCases[] = {
    {"ReadInputsRequest", "ff fa 2c 32 00 ff f0", true, "FF FA 2C 32 00 FF F0"},
    {"OneGroup", "FF", true, "FF"},
    {"ZeroByte", "00", true, "00"},
    {"MixedCase", "Ff fA", true, "FF FA"},
    {"BlanksAndControlsTrimmed", "  0a 0d\t", true, "0A 0D"},
    {"TrailingBlankTrimmed", "ff fa ", true, "FF FA"},
    {"NulAroundTrimmed", "\0ff\r\n\0"s, true, "FF"},
    {"AnyNonDigitSeparates", "ff,fa-2c:32", true, "FF FA 2C 32"},
    {"LetterAfterFSeparates", "ffgfa", true, "FF FA"},
    {"TabInsideSeparates", "ff\tfa", true, "FF FA"},
    {"NulInsideSeparates", "ff\0fa"s, true, "FF FA"},
    {"HighByteSeparates",
     "ff\xA0"
     "fa",
     true, "FF FA"},
    {"Empty", "", false, ""},
    {"OnlyBlanks", "   ", false, ""},
    {"OneDigit", "1", false, ""},
    {"ThreeDigits", "fff", false, ""},
    {"FourDigits", "fffa", false, ""},
    {"TwoBlanksBetween", "ff  fa", false, ""},
    {"TrailingCommaKept", "ff fa,", false, ""},
    {"HighByteAtTheEndIsNotTrimmed", "ff\xA0", false, ""},
    {"ZeroXPrefix", "0x41", false, ""},
    {"LetterInDigitPosition", "fg", false, ""},
    {"DigitInSeparatorPosition", "ff0fa", false, "FF"},
    {"LetterPastFInSecondGroup", "ff zz", false, "FF"},
    {"FailureAfterTwoPairs", "01 02 0x", false, "01 02"},
    // An 8-bit character is never a digit, whatever a locale would make of it.
    {"HighLetterIsNoDigit",
     "ff \xE1"
     "a",
     false, "FF"},
};

class HexTextCases : public testing::TestWithParam<HexTextCase> {};

TEST_P(HexTextCases, ResultAndOutput) {
    const HexTextCase& row = GetParam();
    std::string output = "stale";
    EXPECT_EQ(HexTextToBytes(row.text, output), row.ok);
    EXPECT_EQ(spelled(output), row.output);
}

// The manual send hands in one string as both text and output.
TEST_P(HexTextCases, SameStringAsTextAndOutput) {
    const HexTextCase& row = GetParam();
    std::string line = row.text;
    EXPECT_EQ(HexTextToBytes(line, line), row.ok);
    EXPECT_EQ(spelled(line), row.output);
}

INSTANTIATE_TEST_SUITE_P(HexText, HexTextCases, testing::ValuesIn(kHexTextCases),
                         [](const testing::TestParamInfo<HexTextCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(HexText, RoundTripsEveryByteValue) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    std::string back;
    ASSERT_TRUE(HexTextToBytes(BytesToHexText(all), back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(BytesToHexText(bytes("FF FA 00")), "ff fa 00");
    EXPECT_EQ(BytesToHexText(""), "");
}

TEST(HexText, RoundTripsRandomByteStrings) {
    std::mt19937 random(2024);
    for (int round = 0; round < 200; ++round) {
        std::string raw(random() % 64, '\0');
        for (char& c : raw) {
            c = static_cast<char>(random() % 256);
        }
        SCOPED_TRACE(spelled(raw));
        std::string back;
        EXPECT_EQ(HexTextToBytes(BytesToHexText(raw), back), !raw.empty());
        EXPECT_EQ(back, raw);
    }
}

}  // namespace

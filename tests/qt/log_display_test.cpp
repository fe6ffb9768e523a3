#include "toolkit/qt/display_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct DisplayCase {
    std::string name;
    std::string line;
    std::u16string shown;
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class LogLineDisplay : public testing::TestWithParam<DisplayCase> {};

TEST_P(LogLineDisplay, ShowsBytesAsPlainText) {
    const DisplayCase& c = GetParam();
    EXPECT_EQ(tkqt::logLineToDisplay(c.line), QString::fromStdU16String(c.shown));
}

using namespace std::string_literals;

const std::vector<DisplayCase> kDisplayRows = {
    {"PrintableAscii", "Hello, 42!", u"Hello, 42!"},
    {"Empty", "", u""},
    {"CrLfIsOneBreak", "a\r\nb", u"a\nb"},
    {"LfBreaks", "a\nb", u"a\nb"},
    {"LoneCrBreaks", "a\rb", u"a\nb"},
    {"LfCrIsTwoBreaks", "a\n\rb", u"a\n\nb"},
    {"CrCrLfIsTwoBreaks", "a\r\r\nb", u"a\n\nb"},
    {"TrailingCr", "a\r", u"a\n"},
    {"NulIsSymbol", "a\0b"s, u"a\u2400b"},
    {"EscapeIsSymbol", "\x1b[0m", u"\u241B[0m"},
    {"TabIsSymbol", "a\tb", u"a\u2409b"},
    {"UnitSeparatorIsSymbol", "\x1f", u"\u241F"},
    {"DeleteIsSymbol", "\x7f", u"\u2421"},
    {"HighBytesAreLatin1", "caf\xe9 \xa0\xff\x80", u"caf\u00e9 \u00a0\u00ff\u0080"},
    {"MarkupStaysLiteral", "<b>x</b>&amp;", u"<b>x</b>&amp;"},
};

INSTANTIATE_TEST_SUITE_P(Rows, LogLineDisplay, testing::ValuesIn(kDisplayRows),
                         [](const auto& info) { return info.param.name; });

TEST(BoxTextDisplay, CarriageReturnStartsANewLine) {
    EXPECT_EQ(tkqt::boxTextToDisplay("one\rtwo\r\nthree\nfour"), QString("one\ntwo\nthree\nfour"));
    EXPECT_EQ(tkqt::boxTextToDisplay("caf\xe9"), QString::fromUtf8("caf\u00e9"));
}

TEST(Latin1Text, RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const QString text = tkqt::fromLatin1(all);
    EXPECT_TRUE(tkqt::isLatin1(text));
    EXPECT_EQ(tkqt::toLatin1(text), all);
    EXPECT_FALSE(tkqt::isLatin1(QString::fromUtf8("a\u20ac")));
}

}  // namespace

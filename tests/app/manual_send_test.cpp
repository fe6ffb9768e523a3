// The manual send: text as typed or hex bytes, the syntax box, the focus afterwards.
#include <optional>
#include <string>
#include <vector>

#include "tests/app/window_fixture.h"

namespace testsupport {
namespace {

const char* const kHexError =
    "Error in HEX string: It must consist of TWO hexa digits\r"
    "followed by a space, repeated as many times as you like.\r"
    "ff fa 2c 32 00 ff f0 will read the inputs.";

struct SendRow {
    const char* name;
    bool hex;
    std::string text;
    std::optional<std::string> sent;  // one send with these bytes, or none
    bool errorBox;
};

class ManualSend : public WindowTest, public ::testing::WithParamInterface<SendRow> {};

TEST_P(ManualSend, ClickSendsTheTextOrItsBytesUnchanged) {
    const SendRow& row = GetParam();
    TQM47f1& f = startLive();
    f.SendHex.setChecked(row.hex);
    f.SendTxt.setText(row.text);
    f.SendBtn.operatorClick();
    if (row.sent) {
        EXPECT_EQ(socket.sends, std::vector<std::string>{*row.sent});
    } else {
        EXPECT_TRUE(socket.sends.empty());
    }
    EXPECT_EQ(boxes.count(), row.errorBox ? 1U : 0U);
    if (row.errorBox) {
        EXPECT_EQ(boxes.boxes()[0].kind, tk::BoxKind::error);
        EXPECT_EQ(boxes.boxes()[0].title, "Error");
        EXPECT_EQ(boxes.boxes()[0].text, kHexError);
    }
    EXPECT_EQ(f.SendTxt.text(), row.text);
    EXPECT_TRUE(f.SendTxt.focused());
    EXPECT_EQ(f.SendTxt.selStart(), 0);
    EXPECT_EQ(f.SendTxt.selLength(), static_cast<int>(row.text.size()));
    EXPECT_EQ(logTail(), std::vector<std::string>{});
}

const SendRow kSends[] = {
    {"InitialText", false, "Enter something!", "Enter something!", false},
    {"BlanksKept", false, "  two  blanks  ", "  two  blanks  ", false},
    {"HighBytesAsTyped", false, "caf\xE9", "caf\xE9", false},
    {"EmptyTextSendsNothing", false, "", std::nullopt, false},
    {"HexReadInputs", true, "ff fa 2c 32 00 ff f0", std::string("\xFF\xFA\x2C\x32\x00\xFF\xF0", 7),
     false},
    {"HexProbe", true, "ff f6", std::string("\xFF\xF6", 2), false},
    {"HexSingleFF", true, "ff", std::string("\xFF", 1), false},
    {"HexOneDigit", true, "1", std::nullopt, true},
    {"HexFromPlainText", true, "Enter something!", std::nullopt, true},
    {"HexEmpty", true, "", std::nullopt, true},
    {"HexDigitInSeparator", true, "ff0fa", std::nullopt, true},
};
INSTANTIATE_TEST_SUITE_P(Rows, ManualSend, ::testing::ValuesIn(kSends),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, EnterSendsLikeAClickAddsNothingAndKeepsTheCaret) {
    TQM47f1& f = startLive();
    f.SendTxt.setFocus();
    f.SendTxt.setSelection(3, 0);
    f.SendTxt.operatorKey('\r');
    EXPECT_EQ(socket.sends, std::vector<std::string>{"Enter something!"});
    EXPECT_EQ(f.SendTxt.text(), "Enter something!");
    EXPECT_EQ(f.SendTxt.selStart(), 3);
    EXPECT_EQ(f.SendTxt.selLength(), 0);
}

TEST_F(WindowTest, EnterWithoutASessionReportsNotConnectedOnce) {
    TQM47f1& f = start();  // the default address: never connected here
    f.SendTxt.setFocus();
    f.SendTxt.operatorKey('\r');
    EXPECT_EQ(logTail(), std::vector<std::string>{"Socket error: 10057"});
    EXPECT_TRUE(socket.calls.empty());
    f.SendTxt.setText("");
    f.SendTxt.operatorKey('\r');
    EXPECT_EQ(logTail().size(), 1U);
}

TEST_F(WindowTest, HexSyntaxIsCheckedBeforeTheSocketIsUsed) {
    TQM47f1& f = start();
    f.SendHex.setChecked(true);
    f.SendTxt.setText("zz");
    f.SendTxt.setFocus();
    f.SendTxt.operatorKey('\r');
    EXPECT_EQ(boxes.countOf(tk::BoxKind::error), 1U);
    EXPECT_EQ(logTail(), std::vector<std::string>{});
}

}  // namespace
}  // namespace testsupport

// The edit box: when its change notification comes (program and operator), what the operator's
// keys do to text and selection, and what focus does to the selection.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

namespace toolkit_test {
namespace {

using namespace std::string_literals;

// ---- Setting the text by program

struct SetTextCase {
    const char* name;
    std::string before;
    std::string after;
    bool raises;
};

void PrintTo(const SetTextCase& row, std::ostream* os) {
    *os << row.name;
}

const SetTextCase kSetTextCases[] = {
    {"SameText", "192.168.0.25", "192.168.0.25", false},
    {"EmptyToEmpty", "", "", false},
    {"Different", "80", "8080", true},
    {"ToEmpty", "80", "", true},
    {"FromEmpty", "", "80", true},
    {"CaseOnly", "ff fa", "FF FA", true},
    {"TrailingBlank", "ab", "ab ", true},
    {"DiffersAfterNul", "a\0b"s, "a\0c"s, true},
    {"SameWithNul", "a\0b"s, "a\0b"s, false},
    {"HighByte", "\xE9", "\xC9", true},
};

class EditSetText : public testing::TestWithParam<SetTextCase>, protected Window {
  protected:
    tk::TEdit edit{form, nullptr, "Edit"};
    Spy change;
    ViewSpy view;
};

TEST_P(EditSetText, RaisesChangeOnlyWhenTheTextDiffers) {
    const SetTextCase& row = GetParam();
    edit.setText(row.before);
    std::string seenInside;
    edit.OnChange = [&, count = change.handler()](tk::TObject* sender) {
        seenInside = edit.text();
        count(sender);
    };
    view.attach(edit);

    edit.setText(row.after);

    EXPECT_EQ(edit.text(), row.after);
    EXPECT_EQ(change.count, row.raises ? 1 : 0);
    EXPECT_EQ(view.count(tk::Aspect::text), row.raises ? 1 : 0);
    if (row.raises) {
        // The notification runs inside the operation and already sees the new text.
        EXPECT_EQ(seenInside, row.after);
        EXPECT_EQ(change.senders.front(), &edit);
    }
}

TEST_P(EditSetText, RaisesAlsoWhenDisabled) {
    const SetTextCase& row = GetParam();
    edit.setText(row.before);
    edit.setEnabled(false);
    edit.OnChange = change.handler();

    edit.setText(row.after);

    EXPECT_EQ(change.count, row.raises ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Edit, EditSetText, testing::ValuesIn(kSetTextCases),
                         [](const testing::TestParamInfo<SetTextCase>& info) {
                             return std::string(info.param.name);
                         });

class EditTest : public testing::Test, protected Window {
  protected:
    tk::TEdit edit{form, nullptr, "Edit"};
    tk::TButton button{form, nullptr, "Button"};
    Spy change;
};

TEST_F(EditTest, SetTextLeavesTheCaretAtTheEndWithoutSelection) {
    edit.setText("ab");
    edit.setSelection(0, 2);

    edit.setText("hello");

    EXPECT_EQ(edit.selStart(), 5);
    EXPECT_EQ(edit.selLength(), 0);
    edit.operatorType("!");
    EXPECT_EQ(edit.text(), "hello!");
}

// ---- The operator's keys

using KeyFilter = void (*)(char& key);

void consumeDigits(char& key) {
    if (std::isdigit(static_cast<unsigned char>(key)) != 0) {
        key = 0;
    }
}
void consumeBackspace(char& key) {
    if (key == '\b') {
        key = 0;
    }
}
void upperCase(char& key) {
    key = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
}

struct KeysCase {
    const char* name;
    std::string text;
    int selStart;
    int selLength;
    std::string keys;
    KeyFilter onKeyPress;  // may be null
    std::string expected;
    int changes;
    int caret;
};

void PrintTo(const KeysCase& row, std::ostream* os) {
    *os << row.name;
}

const KeysCase kKeysCases[] = {
    {"TypingRaisesPerCharacter", "", 0, 0, "abc", nullptr, "abc", 3, 3},
    {"TypingInsertsAtTheCaret", "ac", 1, 0, "b", nullptr, "abc", 1, 2},
    {"TypingReplacesTheSelection", "hello", 1, 3, "X", nullptr, "hXo", 1, 2},
    {"TypingReplacesSelectAll", "8080", 0, 4, "23", nullptr, "23", 2, 2},
    {"HighBytesAreText", "", 0, 0, "\xE9\xFF", nullptr, "\xE9\xFF", 2, 2},
    {"BackspaceDeletesBeforeTheCaret", "abc", 2, 0, "\b", nullptr, "ac", 1, 1},
    {"BackspaceDeletesTheSelection", "abcd", 1, 2, "\b", nullptr, "ad", 1, 1},
    {"BackspaceEmptiesInSteps", "ab", 2, 0, "\b\b\b", nullptr, "", 2, 0},
    {"BackspaceAtTheStartDoesNothing", "abc", 0, 0, "\b", nullptr, "abc", 0, 0},
    {"ControlKeysAreNoText", "ab", 2, 0, "\r\x1b\x7f\t", nullptr, "ab", 0, 2},
    {"ConsumedKeyChangesNothing", "12", 2, 0, "3", consumeDigits, "12", 0, 2},
    {"ConsumedKeyKeepsTheSelection", "hello", 1, 3, "7", consumeDigits, "hello", 0, 1},
    {"OnlyUnconsumedKeysLand", "", 0, 0, "a1b2", consumeDigits, "ab", 2, 2},
    {"ConsumedBackspaceDeletesNothing", "ab", 2, 0, "\b", consumeBackspace, "ab", 0, 2},
    {"ReplacedKeyLands", "", 0, 0, "ff", upperCase, "FF", 2, 2},
};

class EditKeys : public testing::TestWithParam<KeysCase>, protected Window {
  protected:
    tk::TEdit edit{form, nullptr, "Edit"};
    Spy change;
};

TEST_P(EditKeys, ChangeTextAndRaiseByTheRules) {
    const KeysCase& row = GetParam();
    edit.setText(row.text);
    edit.setSelection(row.selStart, row.selLength);
    edit.OnChange = change.handler();
    int keyPresses = 0;
    edit.OnKeyPress = [&](tk::TObject*, char& key) {
        ++keyPresses;
        if (row.onKeyPress != nullptr) {
            row.onKeyPress(key);
        }
    };

    edit.operatorType(row.keys);

    EXPECT_EQ(edit.text(), row.expected);
    EXPECT_EQ(change.count, row.changes);
    EXPECT_EQ(keyPresses, static_cast<int>(row.keys.size()));
    EXPECT_EQ(edit.selStart(), row.caret);
    if (row.changes > 0) {
        EXPECT_EQ(edit.selLength(), 0);
    }
    EXPECT_EQ(boxes.count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Edit, EditKeys, testing::ValuesIn(kKeysCases),
                         [](const testing::TestParamInfo<KeysCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(EditTest, EachTypedCharacterIsSeenByItsOwnChange) {
    std::vector<std::string> seen;
    edit.OnChange = [&](tk::TObject*) { seen.push_back(edit.text()); };

    edit.operatorType("ff ");

    EXPECT_EQ(seen, (std::vector<std::string>{"f", "ff", "ff "}));
}

TEST_F(EditTest, OperatorEditRaisesOnlyOnARealChange) {
    edit.setText("ff fa");
    edit.OnChange = change.handler();

    edit.operatorEdit("ff fa", 2);  // pasting the same text over itself
    EXPECT_EQ(change.count, 0);

    edit.operatorEdit("ff fa 2c", 8);
    EXPECT_EQ(change.count, 1);
    EXPECT_EQ(edit.text(), "ff fa 2c");
    EXPECT_EQ(edit.selStart(), 8);
}

// ---- Focus

TEST_F(EditTest, FocusFromAnotherControlSelectsAll) {
    edit.setText("8080");
    edit.setSelection(2, 0);
    button.setFocus();
    ASSERT_TRUE(button.focused());

    edit.setFocus();

    EXPECT_TRUE(edit.focused());
    EXPECT_FALSE(button.focused());
    EXPECT_EQ(edit.selStart(), 0);
    EXPECT_EQ(edit.selLength(), 4);
    edit.operatorType("9");
    EXPECT_EQ(edit.text(), "9");
}

TEST_F(EditTest, FocusAlreadyThereKeepsTheSelection) {
    edit.setText("8080");
    edit.setFocus();
    edit.setSelection(1, 2);

    edit.setFocus();

    EXPECT_EQ(edit.selStart(), 1);
    EXPECT_EQ(edit.selLength(), 2);
}

TEST_F(EditTest, ButtonClickTakesTheFocusBeforeItsHandler) {
    edit.setFocus();
    bool focusedInside = false;
    button.OnClick = [&](tk::TObject*) { focusedInside = button.focused(); };

    button.operatorClick();

    EXPECT_TRUE(focusedInside);
    EXPECT_TRUE(button.focused());
    EXPECT_FALSE(edit.focused());
}

}  // namespace
}  // namespace toolkit_test

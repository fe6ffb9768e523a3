// Captions, enabling, the check box, the log and the circles: the rules the window logic relies
// on when it sets a control's state by program and when the operator clicks.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

namespace toolkit_test {
namespace {

using namespace std::string_literals;

// Every kind of control the window uses, each with its notifications counted in one place.
struct Controls : Window {
    Controls() {
        label.OnClick = count();
        edit.OnChange = count();
        edit.OnKeyPress = [this](tk::TObject*, char&) { ++notifications; };
        button.OnClick = count();
        bitBtn.OnClick = count();
        checkBox.OnClick = count();
    }
    tk::TNotifyEvent count() {
        return [this](tk::TObject*) { ++notifications; };
    }

    int notifications = 0;
    tk::TLabel label{form, nullptr, "laOrvaneTxt"};
    tk::TEdit edit{form, nullptr, "AddrEdit"};
    tk::TMemo memo{form, nullptr, "Memo"};
    tk::TButton button{form, nullptr, "ClearBtn"};
    tk::TBitBtn bitBtn{form, nullptr, "CloseBtn"};
    tk::TCheckBox checkBox{form, nullptr, "OutBox0"};
    tk::TPanel panel{form, nullptr, "Panel1"};
    tk::TShape shape{form, nullptr, "TB0"};
    tk::TImage image{form, nullptr, "Image1"};
};

// ---- Captions

struct CaptionCase {
    const char* name;
    std::string caption;
};

void PrintTo(const CaptionCase& row, std::ostream* os) {
    *os << row.name;
}

const CaptionCase kCaptionCases[] = {
    {"AccessKeyFirst", "&Connect"},
    {"AccessKeyInside", "Dis&connect"},
    {"DoubledAmpersand", "&&"},
    {"TrailingAmpersand", "A&"},
    {"Empty", ""},
    {"HighBytes", "\xC4&\xFF"},
};

class Captions : public testing::TestWithParam<CaptionCase>, protected Controls {};

TEST_P(Captions, ReadBackExactly) {
    const std::string& caption = GetParam().caption;
    button.setCaption(caption);
    bitBtn.setCaption(caption);
    checkBox.setCaption(caption);
    label.setCaption(caption);

    EXPECT_EQ(button.caption(), caption);
    EXPECT_EQ(bitBtn.caption(), caption);
    EXPECT_EQ(checkBox.caption(), caption);
    EXPECT_EQ(label.caption(), caption);
}

INSTANTIATE_TEST_SUITE_P(Controls, Captions, testing::ValuesIn(kCaptionCases),
                         [](const testing::TestParamInfo<CaptionCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Enabling

class ControlsTest : public testing::Test, protected Controls {};

TEST_F(ControlsTest, EnablingWhatIsEnabledTellsTheViewNothing) {
    for (tk::TControl* control : form.controls()) {
        SCOPED_TRACE(control->name());
        ViewSpy view;
        view.attach(*control);

        control->setEnabled(true);
        EXPECT_EQ(view.aspects.size(), 0u);
        control->setEnabled(false);
        control->setEnabled(false);
        EXPECT_FALSE(control->enabled());
        EXPECT_EQ(view.count(tk::Aspect::enabled), 1);
        control->setEnabled(true);
        EXPECT_TRUE(control->enabled());
        EXPECT_EQ(view.count(tk::Aspect::enabled), 2);
    }
}

// ---- A disabled control takes no operator input

struct DisabledCase {
    const char* name;
    tk::TControl& (*target)(Controls&);
    void (*operate)(Controls&);
};

void PrintTo(const DisabledCase& row, std::ostream* os) {
    *os << row.name;
}

const DisabledCase kDisabledCases[] = {
    {"EditTyping", [](Controls& c) -> tk::TControl& { return c.edit; },
     [](Controls& c) { c.edit.operatorType("ab"); }},
    {"EditBackspace", [](Controls& c) -> tk::TControl& { return c.edit; },
     [](Controls& c) { c.edit.operatorKey('\b'); }},
    {"EditPaste", [](Controls& c) -> tk::TControl& { return c.edit; },
     [](Controls& c) { c.edit.operatorEdit("80 pasted", 9); }},
    {"ButtonClick", [](Controls& c) -> tk::TControl& { return c.button; },
     [](Controls& c) { c.button.operatorClick(); }},
    {"BitBtnClick", [](Controls& c) -> tk::TControl& { return c.bitBtn; },
     [](Controls& c) { c.bitBtn.operatorClick(); }},
    {"CheckBoxClick", [](Controls& c) -> tk::TControl& { return c.checkBox; },
     [](Controls& c) { c.checkBox.operatorClick(); }},
    {"LabelClick", [](Controls& c) -> tk::TControl& { return c.label; },
     [](Controls& c) { c.label.operatorClick(); }},
};

class DisabledControl : public testing::TestWithParam<DisabledCase>, protected Controls {};

TEST_P(DisabledControl, TakesNoOperatorInputUntilEnabled) {
    const DisabledCase& row = GetParam();
    edit.setText("80");
    notifications = 0;
    tk::TControl& target = row.target(*this);
    target.setEnabled(false);

    row.operate(*this);

    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(edit.text(), "80");
    EXPECT_FALSE(checkBox.checked());
    EXPECT_EQ(form.activeControl(), nullptr);

    // The same input on the enabled control does reach it, so the above proves the rule.
    target.setEnabled(true);
    row.operate(*this);
    EXPECT_GT(notifications, 0);
    EXPECT_EQ(boxes.count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Controls, DisabledControl, testing::ValuesIn(kDisabledCases),
                         [](const testing::TestParamInfo<DisabledCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ControlsTest, DisabledControlTakesNoFocus) {
    edit.setFocus();
    button.setEnabled(false);

    button.setFocus();

    EXPECT_TRUE(edit.focused());
}

// ---- The check box

struct SetCheckedCase {
    const char* name;
    bool enabled;
    bool before;
    bool after;
    bool raises;
};

void PrintTo(const SetCheckedCase& row, std::ostream* os) {
    *os << row.name;
}

const SetCheckedCase kSetCheckedCases[] = {
    {"Tick", true, false, true, true},
    {"Untick", true, true, false, true},
    {"TickTicked", true, true, true, false},
    {"UntickUnticked", true, false, false, false},
    {"TickWhileDisabled", false, false, true, true},
    {"UntickWhileDisabled", false, true, false, true},
    {"TickTickedWhileDisabled", false, true, true, false},
};

class CheckBoxSetChecked : public testing::TestWithParam<SetCheckedCase>, protected Window {
  protected:
    tk::TCheckBox box{form, nullptr, "OutBox0"};
};

TEST_P(CheckBoxSetChecked, RaisesClickOnlyOnAChange) {
    const SetCheckedCase& row = GetParam();
    box.setChecked(row.before);
    box.setEnabled(row.enabled);
    std::vector<bool> seenInside;
    box.OnClick = [&](tk::TObject*) { seenInside.push_back(box.checked()); };

    box.setChecked(row.after);

    EXPECT_EQ(box.checked(), row.after);
    if (row.raises) {
        EXPECT_EQ(seenInside, std::vector<bool>{row.after});
    } else {
        EXPECT_TRUE(seenInside.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(CheckBox, CheckBoxSetChecked, testing::ValuesIn(kSetCheckedCases),
                         [](const testing::TestParamInfo<SetCheckedCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ControlsTest, CheckBoxClickTogglesAndRaisesOnce) {
    std::vector<bool> seenInside;
    checkBox.OnClick = [&](tk::TObject*) { seenInside.push_back(checkBox.checked()); };
    edit.setFocus();

    checkBox.operatorClick();
    EXPECT_TRUE(checkBox.checked());
    EXPECT_TRUE(checkBox.focused());
    checkBox.operatorClick();

    EXPECT_FALSE(checkBox.checked());
    EXPECT_EQ(seenInside, (std::vector<bool>{true, false}));
}

TEST_F(ControlsTest, CheckBoxHandlerThatUndoesTheClickRaisesOnceMore) {
    // An output switch that cannot be set puts itself back: that too is a change of state.
    std::vector<bool> seenInside;
    checkBox.OnClick = [&](tk::TObject*) {
        seenInside.push_back(checkBox.checked());
        if (checkBox.checked()) {
            checkBox.setChecked(false);
        }
    };

    checkBox.operatorClick();

    EXPECT_FALSE(checkBox.checked());
    EXPECT_EQ(seenInside, (std::vector<bool>{true, false}));
}

// ---- The log

TEST_F(ControlsTest, MemoAppendsWholeLinesAndClears) {
    memo.append("Connected");
    memo.append("");
    memo.append("\xFF\xFA\0\r"s);
    EXPECT_EQ(memo.lines(), (std::vector<std::string>{"Connected", "", "\xFF\xFA\0\r"s}));
    EXPECT_EQ(memo.clearCount(), 0u);

    memo.clear();
    EXPECT_TRUE(memo.lines().empty());
    EXPECT_EQ(memo.clearCount(), 1u);

    memo.append("after");
    EXPECT_EQ(memo.lines(), std::vector<std::string>{"after"});

    // Clearing an empty log is still a clear: a view that refills on the count stays right.
    memo.clear();
    memo.clear();
    EXPECT_EQ(memo.clearCount(), 3u);
}

// ---- The circles

TEST_F(ControlsTest, ShapeFillReadsBackAsSet) {
    ViewSpy view;
    view.attach(shape);
    for (tk::TColor color : {tk::clGray, tk::clLime, tk::clGreen, tk::clLime, tk::clGray}) {
        SCOPED_TRACE(color);
        shape.setBrushColor(color);
        EXPECT_EQ(shape.brushColor(), color);
    }
    EXPECT_EQ(view.count(tk::Aspect::fill), 5);

    shape.setBrushColor(tk::clGray);
    EXPECT_EQ(view.count(tk::Aspect::fill), 5);
}

}  // namespace
}  // namespace toolkit_test

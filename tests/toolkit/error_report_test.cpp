// The general error report: an error that escapes the outermost handler of any event ends that
// handler where it was raised, shows one report box, and the program goes on. Also the titles
// each kind of box carries.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"
#include "toolkit/error.h"

namespace toolkit_test {
namespace {

using namespace std::chrono_literals;

struct ReportWindow : Window {
    ReportWindow() {
        timer.setInterval(250ms);
        otherBtn.OnClick = [this](tk::TObject*) { memo.append("later"); };
    }
    // A handler's steps around the point where it fails.
    void failingSteps() {
        memo.append("before");
        throw tk::Error("Boom");
        memo.append("after");
    }
    tk::TNotifyEvent failing() {
        return [this](tk::TObject*) { failingSteps(); };
    }

    tk::TMemo memo{form, nullptr, "Memo"};
    tk::TButton button{form, nullptr, "ClearBtn"};
    tk::TButton otherBtn{form, nullptr, "OtherBtn"};
    tk::TCheckBox checkBox{form, nullptr, "OutBox0"};
    tk::TCheckBox otherBox{form, nullptr, "OutBox1"};
    tk::TLabel label{form, nullptr, "laOrvaneTxt"};
    tk::TEdit edit{form, nullptr, "SendEdit"};
    tk::TTimer timer{form, "Timer1"};
};

struct SourceCase {
    const char* name;
    // Puts the failing handler in place, then raises the event as the loop would.
    void (*install)(ReportWindow&);
    void (*raise)(ReportWindow&);
};

void PrintTo(const SourceCase& row, std::ostream* os) {
    *os << row.name;
}

const SourceCase kSourceCases[] = {
    {"ButtonClick", [](ReportWindow& w) { w.button.OnClick = w.failing(); },
     [](ReportWindow& w) { w.button.operatorClick(); }},
    {"CheckBoxClick", [](ReportWindow& w) { w.checkBox.OnClick = w.failing(); },
     [](ReportWindow& w) { w.checkBox.operatorClick(); }},
    {"LabelClick", [](ReportWindow& w) { w.label.OnClick = w.failing(); },
     [](ReportWindow& w) { w.label.operatorClick(); }},
    {"EditChange", [](ReportWindow& w) { w.edit.OnChange = w.failing(); },
     [](ReportWindow& w) { w.edit.operatorType("f"); }},
    {"EditKeyPress",
     [](ReportWindow& w) { w.edit.OnKeyPress = [&w](tk::TObject*, char&) { w.failingSteps(); }; },
     [](ReportWindow& w) { w.edit.operatorKey('f'); }},
    {"TimerTick",
     [](ReportWindow& w) {
         w.timer.OnTimer = w.failing();
         w.timer.setEnabled(true);
     },
     [](ReportWindow& w) { w.loop.advance(250ms); }},
    {"PostedCall", [](ReportWindow&) {},
     [](ReportWindow& w) {
         w.loop.post([&w] { w.failingSteps(); });
         w.loop.processPending();
     }},
    {"FormCreate", [](ReportWindow& w) { w.form.OnCreate = w.failing(); },
     [](ReportWindow& w) { w.form.create(); }},
    {"FormDestroy", [](ReportWindow& w) { w.form.OnDestroy = w.failing(); },
     [](ReportWindow& w) { w.form.destroy(); }},
    {"FormCloseControl",
     [](ReportWindow& w) {
         w.form.OnClose = [&w](tk::TObject*, tk::TCloseAction&) { w.failingSteps(); };
     },
     [](ReportWindow& w) { w.form.operatorClose(); }},
};

class ErrorReport : public testing::TestWithParam<SourceCase>, protected ReportWindow {};

TEST_P(ErrorReport, EndsTheHandlerShowsOneBoxAndTheProgramGoesOn) {
    const SourceCase& row = GetParam();
    row.install(*this);

    row.raise(*this);

    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.boxes()[0].kind, tk::BoxKind::errorReport);
    EXPECT_EQ(boxes.boxes()[0].title, "QM47");
    EXPECT_EQ(boxes.boxes()[0].text, "Boom.");
    EXPECT_EQ(memo.lines(), std::vector<std::string>{"before"});
    EXPECT_FALSE(loop.quitting());

    otherBtn.operatorClick();
    EXPECT_EQ(memo.lines(), (std::vector<std::string>{"before", "later"}));
    EXPECT_EQ(boxes.count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Events, ErrorReport, testing::ValuesIn(kSourceCases),
                         [](const testing::TestParamInfo<SourceCase>& info) {
                             return std::string(info.param.name);
                         });

class ErrorReportTest : public testing::Test, protected ReportWindow {};

TEST_F(ErrorReportTest, WhatTheOperatorDidBeforeTheErrorStaysDone) {
    checkBox.OnClick = failing();
    edit.OnChange = failing();

    checkBox.operatorClick();
    edit.operatorType("ff");

    EXPECT_TRUE(checkBox.checked());
    EXPECT_EQ(edit.text(), "ff");
    // Every key is an event of its own, so each failing change is reported.
    EXPECT_EQ(boxes.countOf(tk::BoxKind::errorReport), 3u);
}

TEST_F(ErrorReportTest, TimerKeepsTickingAfterAFailingTick) {
    timer.OnTimer = failing();
    timer.setEnabled(true);

    loop.advance(750ms);

    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(boxes.countOf(tk::BoxKind::errorReport), 3u);
}

TEST_F(ErrorReportTest, StandardLibraryErrorIsReportedWithItsText) {
    button.OnClick = [](tk::TObject*) { (void)std::stoi("zz"); };

    button.operatorClick();

    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "stoi.");
}

// ---- A handler raised inside a program operation does not catch: the outer handler ends.

struct NestedCase {
    const char* name;
    void (*inner)(ReportWindow&);  // the program operation that raises the failing handler
    void (*check)(ReportWindow&);  // the operation itself stays done
};

void PrintTo(const NestedCase& row, std::ostream* os) {
    *os << row.name;
}

const NestedCase kNestedCases[] = {
    {"SetChecked",
     [](ReportWindow& w) {
         w.otherBox.OnClick = [&w](tk::TObject*) { w.failingSteps(); };
         w.otherBox.setChecked(true);
     },
     [](ReportWindow& w) { EXPECT_TRUE(w.otherBox.checked()); }},
    {"SetText",
     [](ReportWindow& w) {
         w.edit.OnChange = [&w](tk::TObject*) { w.failingSteps(); };
         w.edit.setText("10.0.0.1");
     },
     [](ReportWindow& w) { EXPECT_EQ(w.edit.text(), "10.0.0.1"); }},
};

class NestedErrorReport : public testing::TestWithParam<NestedCase>, protected ReportWindow {};

TEST_P(NestedErrorReport, EndsTheOuterHandlerToo) {
    const NestedCase& row = GetParam();
    checkBox.OnClick = [this, &row](tk::TObject*) {
        memo.append("outer first");
        row.inner(*this);
        memo.append("outer last");
    };

    checkBox.operatorClick();

    EXPECT_EQ(memo.lines(), (std::vector<std::string>{"outer first", "before"}));
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Boom.");
    EXPECT_TRUE(checkBox.checked());
    row.check(*this);
}

INSTANTIATE_TEST_SUITE_P(Events, NestedErrorReport, testing::ValuesIn(kNestedCases),
                         [](const testing::TestParamInfo<NestedCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Titles

TEST_F(ErrorReportTest, EachKindOfBoxCarriesItsTitle) {
    struct Row {
        tk::BoxKind kind;
        const char* title;
    };
    const Row rows[] = {
        {tk::BoxKind::plain, "QM47"},
        {tk::BoxKind::warning, "Warning"},
        {tk::BoxKind::error, "Error"},
        {tk::BoxKind::errorReport, "QM47"},
    };
    const std::string text = "First line\rsecond line";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title);
        boxes.clear();

        app.messageBox(row.kind, text);

        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.boxes()[0].kind, row.kind);
        EXPECT_EQ(boxes.boxes()[0].title, row.title);
        EXPECT_EQ(boxes.boxes()[0].text, text);
    }
}

}  // namespace
}  // namespace toolkit_test

// The main window's own events: closing ends the loop unless the close handler refuses;
// creation and destruction handlers run once each.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

namespace toolkit_test {
namespace {

struct CloseCase {
    const char* name;
    bool handler;
    tk::TCloseAction action;
    bool ends;
};

void PrintTo(const CloseCase& row, std::ostream* os) {
    *os << row.name;
}

const CloseCase kCloseCases[] = {
    {"NoHandler", false, tk::caHide, true},
    {"Hide", true, tk::caHide, true},
    {"Free", true, tk::caFree, true},
    {"Refused", true, tk::caNone, false},
};

class FormClose : public testing::TestWithParam<CloseCase>, protected Window {
  protected:
    // The handler as it ran: the action it was offered and whether the loop had ended by then.
    std::vector<tk::TCloseAction> offered;
    std::vector<bool> quittingInside;

    void installHandler() {
        const CloseCase& row = GetParam();
        if (!row.handler) {
            return;
        }
        form.OnClose = [this, &row](tk::TObject* sender, tk::TCloseAction& action) {
            EXPECT_EQ(sender, &form);
            offered.push_back(action);
            quittingInside.push_back(loop.quitting());
            action = row.action;
        };
    }
    void expectClosedByTheRules() {
        const CloseCase& row = GetParam();
        EXPECT_EQ(loop.quitting(), row.ends);
        if (row.handler) {
            EXPECT_EQ(offered, std::vector<tk::TCloseAction>{tk::caHide});
            EXPECT_EQ(quittingInside, std::vector<bool>{false});
        }
        EXPECT_EQ(boxes.count(), 0u);
    }
};

TEST_P(FormClose, ByProgramRunsTheHandlerThenEndsTheLoop) {
    installHandler();
    form.close();
    expectClosedByTheRules();
}

TEST_P(FormClose, ByTheCloseControlDoesTheSame) {
    installHandler();
    form.operatorClose();
    expectClosedByTheRules();
}

TEST_P(FormClose, ByAButtonHandlerDoesTheSame) {
    installHandler();
    tk::TBitBtn closeBtn{form, nullptr, "CloseBtn"};
    closeBtn.OnClick = [this](tk::TObject*) { form.close(); };
    closeBtn.operatorClick();
    expectClosedByTheRules();
}

INSTANTIATE_TEST_SUITE_P(Form, FormClose, testing::ValuesIn(kCloseCases),
                         [](const testing::TestParamInfo<CloseCase>& info) {
                             return std::string(info.param.name);
                         });

class FormTest : public testing::Test, protected Window {};

TEST_F(FormTest, EndedLoopStopsRunning) {
    form.close();
    loop.post([] { FAIL() << "a call after the end ran"; });
    EXPECT_FALSE(loop.runUntil([] { return false; }, std::chrono::milliseconds(100)));
}

TEST_F(FormTest, CreateAndDestroyRunTheirHandlersOnce) {
    int created = 0;
    int destroyed = 0;
    form.OnCreate = [&](tk::TObject* sender) {
        EXPECT_EQ(sender, &form);
        ++created;
    };
    form.OnDestroy = [&](tk::TObject* sender) {
        EXPECT_EQ(sender, &form);
        ++destroyed;
    };

    form.create();
    form.destroy();
    form.destroy();

    EXPECT_EQ(created, 1);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace toolkit_test

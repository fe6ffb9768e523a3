// The virtual-clock loop itself, where a fault would make other tests pass or fail for the
// wrong reason: the order of posted calls and ticks, calls that post again, and a clock moved
// on while a box is open inside a tick.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

namespace toolkit_test {
namespace {

using namespace std::chrono_literals;

class TestLoopTest : public testing::Test, protected Window {
  protected:
    // What ran, with the clock reading when it ran.
    void note(const std::string& what) {
        events.push_back(what + "@" + std::to_string(loop.now().count()));
    }
    std::vector<std::string> events;
};

TEST_F(TestLoopTest, PostedCallsRunBeforeTheNextTick) {
    tk::TTimer timer{form, "Timer1"};
    timer.setInterval(250ms);
    timer.OnTimer = [&](tk::TObject*) {
        note("tick");
        loop.post([&] { note("posted by tick"); });
    };
    timer.setEnabled(true);
    loop.post([&] { note("posted first"); });

    loop.advance(500ms);

    EXPECT_EQ(events, (std::vector<std::string>{"posted first@0", "tick@250", "posted by tick@250",
                                                "tick@500", "posted by tick@500"}));
}

TEST_F(TestLoopTest, CallPostedByACallRunsAfterThoseAlreadyWaiting) {
    loop.post([&] {
        note("a");
        loop.post([&] { note("c"); });
    });
    loop.post([&] { note("b"); });

    loop.processPending();

    EXPECT_EQ(events, (std::vector<std::string>{"a@0", "b@0", "c@0"}));
}

TEST_F(TestLoopTest, CallThatAlwaysPostsAgainDoesNotHoldTheClock) {
    int calls = 0;
    bool stop = false;
    std::function<void()> again = [&] {
        ++calls;
        if (!stop) {
            loop.post(again);
        }
    };
    tk::TTimer timer{form, "Timer1"};
    timer.setInterval(250ms);
    int ticks = 0;
    timer.OnTimer = [&](tk::TObject*) { ++ticks; };
    timer.setEnabled(true);
    loop.post(again);

    loop.advance(250ms);

    EXPECT_EQ(ticks, 1);
    EXPECT_GT(calls, 1);
    stop = true;
    loop.processPending();
}

TEST_F(TestLoopTest, ClockMovedOnWhileABoxIsOpenInATickNeverRunsBack) {
    // A tick that shows a box; while it is open, the test lets 500 ms pass.
    tk::TTimer timer{form, "Timer1"};
    timer.setInterval(250ms);
    timer.OnTimer = [&](tk::TObject*) {
        note("tick");
        if (loop.now() == 250ms) {
            app.messageBox(tk::BoxKind::plain, "open");
        }
    };
    boxes.whileOpen = [&](const testsupport::RecordedBox&) { loop.advance(500ms); };
    timer.setEnabled(true);

    loop.advance(250ms);
    EXPECT_EQ(loop.now(), 750ms);
    loop.advance(250ms);

    EXPECT_EQ(events, (std::vector<std::string>{"tick@250", "tick@500", "tick@750", "tick@1000"}));
    EXPECT_EQ(loop.now(), 1000ms);
}

}  // namespace
}  // namespace toolkit_test

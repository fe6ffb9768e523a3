// The timer on the virtual clock: when ticks come, and what starting and stopping do to them.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

namespace toolkit_test {
namespace {

using namespace std::chrono_literals;
using tk::Millis;

class TimerTest : public testing::Test, protected Window {
  protected:
    TimerTest() {
        timer1.setInterval(250ms);
        timer2.setInterval(200ms);
        timer1.OnTimer = record(timer1);
        timer2.OnTimer = record(timer2);
    }
    // Each tick as (timer, clock reading inside the tick).
    tk::TNotifyEvent record(tk::TTimer& timer) {
        return [this, &timer](tk::TObject*) { ticks.emplace_back(timer.name(), loop.now()); };
    }
    std::vector<Millis> ticksOf(const std::string& name) const {
        std::vector<Millis> at;
        for (const auto& [timer, when] : ticks) {
            if (timer == name) {
                at.push_back(when);
            }
        }
        return at;
    }

    std::vector<std::pair<std::string, Millis>> ticks;
    tk::TTimer timer1{form, "Timer1"};
    tk::TTimer timer2{form, "Timer2"};
};

TEST_F(TimerTest, FirstTickComesOneIntervalAfterStart) {
    loop.advance(100ms);
    timer1.setEnabled(true);

    loop.advance(249ms);
    EXPECT_TRUE(ticks.empty());
    loop.advance(1ms);

    EXPECT_EQ(ticksOf("Timer1"), std::vector<Millis>{350ms});
}

TEST_F(TimerTest, EachIntervalGivesExactlyOneTick) {
    timer1.setEnabled(true);
    for (int i = 0; i < 3; ++i) {
        loop.advance(250ms);
    }
    EXPECT_EQ(ticksOf("Timer1"), (std::vector<Millis>{250ms, 500ms, 750ms}));

    // One long step fires every tick that fell due, not one.
    loop.advance(1000ms);
    EXPECT_EQ(ticksOf("Timer1").size(), 7u);
}

TEST_F(TimerTest, StartingARunningTimerKeepsItsPhase) {
    timer1.setEnabled(true);
    loop.advance(200ms);

    timer1.setEnabled(true);
    loop.advance(50ms);

    EXPECT_EQ(ticksOf("Timer1"), std::vector<Millis>{250ms});
    EXPECT_EQ(loop.runningTimers(), 1u);
}

TEST_F(TimerTest, StoppedAndStartedAgainBeginsANewInterval) {
    timer1.setEnabled(true);
    loop.advance(200ms);

    timer1.setEnabled(false);
    timer1.setEnabled(false);  // stopping a stopped timer does nothing
    EXPECT_FALSE(timer1.enabled());
    loop.advance(100ms);
    EXPECT_TRUE(ticks.empty());
    timer1.setEnabled(true);
    loop.advance(250ms);

    EXPECT_EQ(ticksOf("Timer1"), std::vector<Millis>{550ms});
    EXPECT_EQ(loop.runningTimers(), 1u);
}

TEST_F(TimerTest, TickThatStopsItsOwnTimerIsTheLast) {
    timer1.OnTimer = [&](tk::TObject*) {
        ticks.emplace_back("Timer1", loop.now());
        timer1.setEnabled(false);
    };
    timer1.setEnabled(true);

    loop.advance(1000ms);

    EXPECT_EQ(ticksOf("Timer1"), std::vector<Millis>{250ms});
    EXPECT_FALSE(timer1.enabled());
    EXPECT_EQ(loop.runningTimers(), 0u);
}

TEST_F(TimerTest, TwoTimersFireInTimeOrderWithTheClockAtEachTick) {
    timer1.setEnabled(true);
    timer2.setEnabled(true);

    loop.advance(900ms);

    const std::vector<std::pair<std::string, Millis>> expected = {
        {"Timer2", 200ms}, {"Timer1", 250ms}, {"Timer2", 400ms}, {"Timer1", 500ms},
        {"Timer2", 600ms}, {"Timer1", 750ms}, {"Timer2", 800ms},
    };
    EXPECT_EQ(ticks, expected);
    EXPECT_EQ(loop.now(), 900ms);
}

TEST_F(TimerTest, TickThatStartsTheOtherTimerCountsFromItsOwnTime) {
    timer1.OnTimer = [&](tk::TObject*) {
        ticks.emplace_back("Timer1", loop.now());
        timer1.setEnabled(false);
        timer2.setEnabled(true);
    };
    timer1.setEnabled(true);

    loop.advance(700ms);

    EXPECT_EQ(ticksOf("Timer2"), (std::vector<Millis>{450ms, 650ms}));
}

TEST_F(TimerTest, DestroyedRunningTimerNeverTicksAgain) {
    auto timer = std::make_unique<tk::TTimer>(form, "Timer3");
    timer->setInterval(100ms);
    int count = 0;
    timer->OnTimer = [&](tk::TObject*) { ++count; };
    timer->setEnabled(true);
    loop.advance(100ms);

    timer.reset();
    loop.advance(500ms);

    EXPECT_EQ(count, 1);
    EXPECT_EQ(loop.runningTimers(), 0u);
}

}  // namespace
}  // namespace toolkit_test

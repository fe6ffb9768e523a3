#include "toolkit/qt/qt_event_loop.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "tests/qt/qt_test_support.h"
#include "toolkit/qt/qt_message_boxes.h"

namespace {

using namespace std::chrono_literals;
using tk::EventLoop;

TEST(QtEventLoop, FirstTickComesOneIntervalLaterThenRepeats) {
    tkqt::QtEventLoop loop;
    QElapsedTimer clock;
    std::vector<qint64> ticksAt;
    clock.start();
    const auto timer = loop.startTimer(30ms, [&] { ticksAt.push_back(clock.elapsed()); });
    ASSERT_TRUE(qttest::runLoopUntil(loop, [&] { return ticksAt.size() == 3; }));
    loop.stopTimer(timer);
    EXPECT_GE(ticksAt[0], 29);  // not at once: a precise timer never fires early
}

TEST(QtEventLoop, TimerStoppedInsideItsOwnTickTicksNoMore) {
    tkqt::QtEventLoop loop;
    int selfStopping = 0;
    int other = 0;
    EventLoop::Handle self = 0;
    self = loop.startTimer(2ms, [&] {
        if (++selfStopping == 2) {
            loop.stopTimer(self);
            loop.stopTimer(self);  // stopping a stopped timer does nothing
        }
    });
    const auto watcher = loop.startTimer(2ms, [&] { ++other; });
    ASSERT_TRUE(qttest::runLoopUntil(loop, [&] { return other == 6; }));
    loop.stopTimer(watcher);
    EXPECT_EQ(selfStopping, 2);
}

TEST(QtEventLoop, PostedCallsRunInOrderAndOnePostedInsideWaitsForReadyDescriptors) {
    tkqt::QtEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    std::string order;
    loop.post([&] {
        order += 'A';
        loop.post([&] { order += 'C'; });
    });
    loop.post([&] { order += 'B'; });
    const auto watch = loop.watchFd(fds[0], EventLoop::ioRead, [&](unsigned) {
        if (order.find('r') == std::string::npos) {
            order += 'r';
        }
    });
    ASSERT_TRUE(qttest::runLoopUntil(loop, [&] { return order.size() == 4; }));
    EXPECT_EQ(order, "ABrC");
    loop.unwatchFd(watch);
    ::close(fds[0]);
    ::close(fds[1]);
}

class QtEventLoopWatch : public testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0); }
    void TearDown() override {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    // Runs the loop for a few timer ticks, long enough for a ready descriptor to be reported.
    void spin() {
        int ticks = 0;
        const auto timer = loop_.startTimer(1ms, [&] { ++ticks; });
        qttest::runLoopUntil(loop_, [&] { return ticks == 5; });
        loop_.stopTimer(timer);
    }

    tkqt::QtEventLoop loop_;
    int fds_[2];
};

TEST_F(QtEventLoopWatch, ReportsReadAndWriteSeparatelyAndStaysSilentWithNone) {
    std::vector<unsigned> ready;
    EventLoop::Handle watch = 0;
    watch = loop_.watchFd(fds_[0], EventLoop::ioWrite, [&](unsigned events) {
        ready.push_back(events);
        loop_.setWatchEvents(watch, EventLoop::ioNone);
    });
    ASSERT_TRUE(qttest::runLoopUntil(loop_, [&] { return !ready.empty(); }));
    EXPECT_EQ(ready, std::vector<unsigned>{EventLoop::ioWrite});

    ready.clear();
    loop_.setWatchEvents(watch, EventLoop::ioRead);
    spin();
    EXPECT_TRUE(ready.empty()) << "nothing to read yet";

    ASSERT_EQ(::write(fds_[1], "x", 1), 1);
    ASSERT_TRUE(qttest::runLoopUntil(loop_, [&] { return !ready.empty(); }));
    EXPECT_EQ(ready, std::vector<unsigned>{EventLoop::ioRead});

    ready.clear();
    spin();
    EXPECT_TRUE(ready.empty()) << "silenced with ioNone although the byte is still there";
    loop_.unwatchFd(watch);
}

TEST_F(QtEventLoopWatch, UnwatchedInsideItsCallbackIsCalledNoMore) {
    int calls = 0;
    EventLoop::Handle watch = 0;
    watch = loop_.watchFd(fds_[0], EventLoop::ioRead, [&](unsigned) {
        ++calls;
        loop_.unwatchFd(watch);
    });
    ASSERT_EQ(::write(fds_[1], "x", 1), 1);
    ASSERT_TRUE(qttest::runLoopUntil(loop_, [&] { return calls == 1; }));
    spin();
    EXPECT_EQ(calls, 1);
}

TEST(QtEventLoop, QuitEndsNestedRunsAndTheOutermost) {
    tkqt::QtEventLoop loop;
    std::string order;
    loop.post([&] {
        order += "nested(";
        loop.post([&] { loop.quit(); });
        loop.runUntil([] { return false; });
        order += ")";
    });
    loop.run();
    order += "end";
    EXPECT_EQ(order, "nested()end");
    EXPECT_TRUE(loop.quitting());
}

TEST(QtEventLoop, RunUntilReturnsWhenItsConditionHolds) {
    tkqt::QtEventLoop loop;
    int ticks = 0;
    const auto timer = loop.startTimer(1ms, [&] { ++ticks; });
    loop.runUntil([&] { return ticks == 3; });
    loop.stopTimer(timer);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(loop.quitting());
}

// A termination while a box is open must still end the program: the box's nested loop sits
// on top of the run that has to end.
TEST(QtEventLoop, QuitClosesAnOpenModalBox) {
    tkqt::QtEventLoop loop;
    tkqt::QtMessageBoxes boxes;
    bool boxReturned = false;
    loop.post([&] {
        loop.post([&] { loop.quit(); });
        boxes.show(tk::BoxKind::warning, "Warning", "open");
        boxReturned = true;
    });
    bool timedOut = false;
    loop.startTimer(5s, [&] {
        timedOut = true;
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
        }
        loop.quit();
    });
    loop.run();
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(boxReturned);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace

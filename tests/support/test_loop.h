// The deterministic event loop for tests: a virtual clock that the test advances, and real
// poll() on file descriptors so socket tests still talk TCP on loopback. Nothing here sleeps.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>

#include "toolkit/event_loop.h"

namespace testsupport {

class TestLoop : public tk::EventLoop {
  public:
    using tk::EventLoop::runUntil;

    Handle startTimer(tk::Millis interval, std::function<void()> onTick) override;
    void stopTimer(Handle timer) override;
    Handle watchFd(int fd, unsigned events, std::function<void(unsigned)> onReady) override;
    void setWatchEvents(Handle watch, unsigned events) override;
    void unwatchFd(Handle watch) override;
    void post(std::function<void()> call) override;
    // Nested runs (a modal box): turns until done, quit, or 10 s of real time.
    void runUntil(const std::function<bool()>& done) override;
    void quit() override { quitting_ = true; }
    bool quitting() const override { return quitting_; }

    // Moves the virtual clock forward, firing every tick that falls due, in order; posted calls
    // and ready descriptors are handled between ticks.
    void advance(tk::Millis by);
    // Turns (posted calls, then ready descriptors) until `done` holds; false when the real-time
    // bound ran out first. The virtual clock stands still.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds realBound);
    // Handles what is ready now, without waiting, until nothing is left (bounded).
    void processPending();

    tk::Millis now() const { return now_; }
    bool timerRunning(Handle timer) const { return timers_.count(timer) != 0; }
    std::size_t runningTimers() const { return timers_.size(); }
    std::size_t watchedFds() const { return watches_.size(); }

  private:
    struct Timer {
        tk::Millis interval;
        tk::Millis due;
        std::function<void()> onTick;
    };
    struct Watch {
        int fd;
        unsigned events;
        std::function<void(unsigned)> onReady;
    };
    // One turn: the calls posted before it, then one poll; true when anything ran.
    bool turn(int pollTimeoutMs);

    tk::Millis now_{0};
    Handle nextHandle_ = 1;
    std::map<Handle, Timer> timers_;
    std::map<Handle, Watch> watches_;
    std::deque<std::function<void()>> posted_;
    bool quitting_ = false;
};

}  // namespace testsupport

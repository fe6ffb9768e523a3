// The one event loop everything runs on: periodic timers, file-descriptor watches, posted
// calls and nested runs (a modal box keeps the loop going while it is open).
//
// Implementations: the Qt loop for the program (toolkit/qt) and a virtual-clock loop for tests
// (tests/support). Every callback they deliver goes through dispatch(), so an error that
// escapes a handler is reported by the guard and never crosses into the loop itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace tk {

using Millis = std::chrono::milliseconds;

// Catches what escapes an outermost event handler (the application's general error report).
class EventGuard {
  public:
    virtual ~EventGuard() = default;
    virtual void runEvent(const std::function<void()>& handler) noexcept = 0;
};

class EventLoop {
  public:
    using Handle = std::uint64_t;  // 0 is never a valid handle
    enum IoEvents : unsigned { ioNone = 0, ioRead = 1, ioWrite = 2 };

    virtual ~EventLoop() = default;

    // Periodic: the first tick comes one interval from now.
    virtual Handle startTimer(Millis interval, std::function<void()> onTick) = 0;
    // Stopping an unknown or stopped handle does nothing; safe from inside its own tick.
    virtual void stopTimer(Handle timer) = 0;

    // onReady gets the subset of the watched events that are ready. A watch with ioNone stays
    // registered but silent.
    virtual Handle watchFd(int fd, unsigned events,
                           std::function<void(unsigned ready)> onReady) = 0;
    virtual void setWatchEvents(Handle watch, unsigned events) = 0;
    virtual void unwatchFd(Handle watch) = 0;

    // Runs `call` after the events already waiting.
    virtual void post(std::function<void()> call) = 0;

    // Handles events until `done` holds or quit() was called; may be nested.
    virtual void runUntil(const std::function<bool()>& done) = 0;
    void run() {
        runUntil([] { return false; });
    }
    virtual void quit() = 0;
    virtual bool quitting() const = 0;

    void setGuard(EventGuard* guard) { guard_ = guard; }

    // The entry of every event: operator input, ticks, socket notifications.
    void dispatch(const std::function<void()>& handler) {
        if (guard_ != nullptr) {
            guard_->runEvent(handler);
        } else {
            handler();
        }
    }

  private:
    EventGuard* guard_ = nullptr;
};

}  // namespace tk

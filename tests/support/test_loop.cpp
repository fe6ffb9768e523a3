#include "tests/support/test_loop.h"

#include <poll.h>

#include <algorithm>
#include <vector>

namespace testsupport {

tk::EventLoop::Handle TestLoop::startTimer(tk::Millis interval, std::function<void()> onTick) {
    const Handle handle = nextHandle_++;
    // A zero interval would fire forever at one instant; real loops treat it as "soon".
    interval = std::max(interval, tk::Millis(1));
    timers_.emplace(handle, Timer{interval, now_ + interval, std::move(onTick)});
    return handle;
}

void TestLoop::stopTimer(Handle timer) {
    timers_.erase(timer);
}

tk::EventLoop::Handle TestLoop::watchFd(int fd, unsigned events,
                                        std::function<void(unsigned)> onReady) {
    const Handle handle = nextHandle_++;
    watches_.emplace(handle, Watch{fd, events, std::move(onReady)});
    return handle;
}

void TestLoop::setWatchEvents(Handle watch, unsigned events) {
    auto found = watches_.find(watch);
    if (found != watches_.end()) {
        found->second.events = events;
    }
}

void TestLoop::unwatchFd(Handle watch) {
    watches_.erase(watch);
}

void TestLoop::post(std::function<void()> call) {
    posted_.push_back(std::move(call));
}

bool TestLoop::turn(int pollTimeoutMs) {
    bool ran = false;
    // Only what was posted before this turn: a call that posts again waits for the next one.
    for (std::size_t n = posted_.size(); n > 0 && !posted_.empty(); --n) {
        std::function<void()> call = std::move(posted_.front());
        posted_.pop_front();
        dispatch(call);
        ran = true;
    }
    std::vector<pollfd> fds;
    std::vector<Handle> handles;
    for (const auto& [handle, watch] : watches_) {
        short events = 0;
        if ((watch.events & ioRead) != 0) {
            events |= POLLIN;
        }
        if ((watch.events & ioWrite) != 0) {
            events |= POLLOUT;
        }
        if (events != 0) {
            fds.push_back(pollfd{watch.fd, events, 0});
            handles.push_back(handle);
        }
    }
    if (fds.empty()) {
        // Nothing to watch: wait the turn out rather than spin a core (a condition may hang on
        // another process or thread, such as the simulator's output reader).
        if (posted_.empty() && pollTimeoutMs > 0) {
            ::poll(nullptr, 0, pollTimeoutMs);
        }
        return ran;
    }
    if (!posted_.empty()) {
        pollTimeoutMs = 0;
    }
    if (::poll(fds.data(), fds.size(), pollTimeoutMs) <= 0) {
        return ran;
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        auto found = watches_.find(handles[i]);
        if (found == watches_.end()) {
            continue;  // unwatched by an earlier callback of this turn
        }
        unsigned ready = 0;
        const bool failed = (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        if ((fds[i].revents & POLLIN) != 0 || failed) {
            ready |= ioRead;
        }
        if ((fds[i].revents & POLLOUT) != 0 || failed) {
            ready |= ioWrite;
        }
        ready &= found->second.events;
        if (ready == 0) {
            continue;
        }
        // Copy: the callback may unwatch itself.
        std::function<void(unsigned)> onReady = found->second.onReady;
        dispatch([&] { onReady(ready); });
        ran = true;
    }
    return ran;
}

void TestLoop::processPending() {
    for (int i = 0; i < 10000 && turn(0); ++i) {
    }
}

void TestLoop::advance(tk::Millis by) {
    const tk::Millis end = now_ + by;
    for (;;) {
        processPending();
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= end &&
                (next == timers_.end() || it->second.due < next->second.due)) {
                next = it;
            }
        }
        if (next == timers_.end()) {
            break;
        }
        now_ = next->second.due;
        next->second.due += next->second.interval;
        std::function<void()> onTick = next->second.onTick;  // the tick may stop its timer
        dispatch(onTick);
    }
    // A tick may have moved the clock on itself (advance() while its box is open).
    now_ = std::max(now_, end);
    processPending();
}

bool TestLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds realBound) {
    const auto deadline = std::chrono::steady_clock::now() + realBound;
    while (!done()) {
        if (quitting_ || std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        turn(10);
    }
    return true;
}

void TestLoop::runUntil(const std::function<bool()>& done) {
    runUntil(done, std::chrono::seconds(10));
}

}  // namespace testsupport

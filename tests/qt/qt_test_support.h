// Helpers for tests on the real Qt loop.
#pragma once

#include <chrono>
#include <functional>

#include "toolkit/qt/qt_event_loop.h"

namespace qttest {

// Runs the loop until `done` holds; false when `bound` of real time ran out first.
inline bool runLoopUntil(tkqt::QtEventLoop& loop, const std::function<bool()>& done,
                         std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    bool timedOut = false;
    const auto guard = loop.startTimer(bound, [&timedOut] { timedOut = true; });
    loop.runUntil([&] { return timedOut || done(); });
    loop.stopTimer(guard);
    return done();
}

}  // namespace qttest

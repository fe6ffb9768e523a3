// Runs the program's Qt loop until a condition holds, bounded in real time.
#pragma once

#include <chrono>
#include <functional>

#include "toolkit/qt/qt_event_loop.h"

namespace bench {

// False when `bound` ran out first. A single-shot timer wakes the loop at the bound, so no
// periodic wake-up adds to what is measured.
bool runUntil(tkqt::QtEventLoop& loop, const std::function<bool()>& done,
              std::chrono::milliseconds bound);

// Runs the loop for `time` of real time.
void runFor(tkqt::QtEventLoop& loop, std::chrono::milliseconds time);

}  // namespace bench

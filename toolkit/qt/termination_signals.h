// SIGTERM and SIGINT as the operator's close: how a script or a desktop session ends the
// program, so that it ends as through the window's close control (the settings are written).
//
// The handler only writes to a pipe; the loop watches the pipe and calls `onSignal` as an
// event of its own. One instance at a time; the previous handlers come back when it goes.
#pragma once

#include <csignal>
#include <functional>

#include "toolkit/event_loop.h"

namespace tkqt {

class TerminationSignals {
  public:
    TerminationSignals(tk::EventLoop& loop, std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void drain();

    tk::EventLoop& loop_;
    std::function<void()> onSignal_;
    int pipe_[2] = {-1, -1};
    tk::EventLoop::Handle watch_ = 0;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
};

}  // namespace tkqt

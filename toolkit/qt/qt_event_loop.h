// The program's event loop on Qt: precise timers, socket notifiers, queued calls and nested
// runs. Every callback goes through dispatch(), so no error ever crosses Qt's event loop.
//
// Needs a QApplication (or QCoreApplication) that outlives it. Does not call
// QCoreApplication::exec(): run() is this loop, and quit() ends it without touching Qt's own
// quit state, so a message box shown after the run (while the window is destroyed) still works.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <map>
#include <memory>
#include <unordered_map>

#include "toolkit/event_loop.h"

namespace tkqt {

class QtEventLoop : public tk::EventLoop {
  public:
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    Handle startTimer(tk::Millis interval, std::function<void()> onTick) override;
    void stopTimer(Handle timer) override;
    Handle watchFd(int fd, unsigned events, std::function<void(unsigned ready)> onReady) override;
    void setWatchEvents(Handle watch, unsigned events) override;
    void unwatchFd(Handle watch) override;
    void post(std::function<void()> call) override;
    void runUntil(const std::function<bool()>& done) override;
    // Ends every run, the outermost included; a modal box open meanwhile is closed, since its
    // nested loop sits on top of the runs it has to end.
    void quit() override;
    bool quitting() const override { return quitting_; }

  private:
    class Host;
    struct Timer {
        Handle handle;
        std::shared_ptr<std::function<void()>> onTick;
    };
    struct Watch {
        unsigned events;
        std::shared_ptr<std::function<void(unsigned)>> onReady;
        QPointer<QSocketNotifier> read;
        QPointer<QSocketNotifier> write;
    };

    // The entry of every callback from Qt.
    void deliver(const std::function<void()>& callback);
    void timerFired(int qtTimerId);
    void notifierFired(Handle watch, unsigned which);

    std::unique_ptr<Host> host_;
    Handle nextHandle_ = 1;
    std::unordered_map<int, Timer> timersByQtId_;
    std::map<Handle, int> qtIdByTimer_;
    std::map<Handle, Watch> watches_;
    bool quitting_ = false;
};

}  // namespace tkqt

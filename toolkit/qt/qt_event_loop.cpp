#include "toolkit/qt/qt_event_loop.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimerEvent>
#include <QtGlobal>
#include <exception>

namespace tkqt {

// Owns the Qt side: timers are this object's own (killing one inside its tick is safe, unlike
// deleting a QTimer from its own timeout), notifiers are its children, and queued calls target
// it, so whatever is still pending dies with the loop.
class QtEventLoop::Host : public QObject {
  public:
    explicit Host(QtEventLoop& loop) : loop_(loop) {}

  protected:
    void timerEvent(QTimerEvent* event) override { loop_.timerFired(event->timerId()); }

  private:
    QtEventLoop& loop_;
};

QtEventLoop::QtEventLoop() : host_(std::make_unique<Host>(*this)) {}

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::deliver(const std::function<void()>& callback) {
    // dispatch() reports through the application's guard; this is the last line for a loop
    // used without one, because an exception must never unwind through Qt.
    try {
        dispatch(callback);
    } catch (const std::exception& e) {
        qCritical("Unhandled error in an event: %s", e.what());
    } catch (...) {
        qCritical("Unhandled error in an event");
    }
}

tk::EventLoop::Handle QtEventLoop::startTimer(tk::Millis interval, std::function<void()> onTick) {
    const int qtId = host_->startTimer(interval, Qt::PreciseTimer);
    if (qtId == 0) {
        return 0;
    }
    const Handle handle = nextHandle_++;
    timersByQtId_.emplace(
        qtId, Timer{handle, std::make_shared<std::function<void()>>(std::move(onTick))});
    qtIdByTimer_.emplace(handle, qtId);
    return handle;
}

void QtEventLoop::stopTimer(Handle timer) {
    auto found = qtIdByTimer_.find(timer);
    if (found == qtIdByTimer_.end()) {
        return;
    }
    host_->killTimer(found->second);
    timersByQtId_.erase(found->second);
    qtIdByTimer_.erase(found);
}

void QtEventLoop::timerFired(int qtTimerId) {
    auto found = timersByQtId_.find(qtTimerId);
    if (found == timersByQtId_.end()) {
        return;
    }
    // Held here, so the tick may stop its own timer.
    const std::shared_ptr<std::function<void()>> onTick = found->second.onTick;
    deliver(*onTick);
}

tk::EventLoop::Handle QtEventLoop::watchFd(int fd, unsigned events,
                                           std::function<void(unsigned)> onReady) {
    const Handle handle = nextHandle_++;
    Watch watch{events, std::make_shared<std::function<void(unsigned)>>(std::move(onReady)),
                new QSocketNotifier(fd, QSocketNotifier::Read, host_.get()),
                new QSocketNotifier(fd, QSocketNotifier::Write, host_.get())};
    QObject::connect(watch.read, &QSocketNotifier::activated, host_.get(),
                     [this, handle] { notifierFired(handle, ioRead); });
    QObject::connect(watch.write, &QSocketNotifier::activated, host_.get(),
                     [this, handle] { notifierFired(handle, ioWrite); });
    watch.read->setEnabled((events & ioRead) != 0);
    watch.write->setEnabled((events & ioWrite) != 0);
    watches_.emplace(handle, std::move(watch));
    return handle;
}

void QtEventLoop::setWatchEvents(Handle watch, unsigned events) {
    auto found = watches_.find(watch);
    if (found == watches_.end()) {
        return;
    }
    Watch& w = found->second;
    w.events = events;
    w.read->setEnabled((events & ioRead) != 0);
    w.write->setEnabled((events & ioWrite) != 0);
}

void QtEventLoop::unwatchFd(Handle watch) {
    auto found = watches_.find(watch);
    if (found == watches_.end()) {
        return;
    }
    // Possibly called from inside the notifier's own signal: silence now, delete later.
    for (QSocketNotifier* notifier : {found->second.read.data(), found->second.write.data()}) {
        if (notifier != nullptr) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    watches_.erase(found);
}

void QtEventLoop::notifierFired(Handle watch, unsigned which) {
    auto found = watches_.find(watch);
    if (found == watches_.end() || (found->second.events & which) == 0) {
        return;
    }
    const std::shared_ptr<std::function<void(unsigned)>> onReady = found->second.onReady;
    deliver([&onReady, which] { (*onReady)(which); });
}

void QtEventLoop::post(std::function<void()> call) {
    // A queued call is a posted event: it runs after the events already waiting, and one
    // posted from a posted call waits for the next turn, after the sockets were polled.
    QMetaObject::invokeMethod(
        host_.get(), [this, call = std::move(call)] { deliver(call); }, Qt::QueuedConnection);
}

void QtEventLoop::runUntil(const std::function<bool()>& done) {
    QEventLoop nested;
    while (!quitting_ && !done()) {
        nested.processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void QtEventLoop::quit() {
    quitting_ = true;
    for (QDialog* closed = nullptr;;) {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr || box == closed) {
            break;
        }
        box->done(QDialog::Rejected);
        closed = box;
    }
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->wakeUp();
    }
}

}  // namespace tkqt

#include "bench/support/qt_wait.h"

#include <QTimer>

namespace bench {

bool runUntil(tkqt::QtEventLoop& loop, const std::function<bool()>& done,
              std::chrono::milliseconds bound) {
    bool late = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&late] { late = true; });
    deadline.start(bound);
    loop.runUntil([&] { return late || done(); });
    return done();
}

void runFor(tkqt::QtEventLoop& loop, std::chrono::milliseconds time) {
    runUntil(
        loop, [] { return false; }, time);
}

}  // namespace bench

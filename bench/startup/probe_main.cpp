// The program's start, wired exactly as app/main.cpp does it, for the start-up bench: it prints
// when the window first paints (CLOCK_MONOTONIC, which the bench compares with the moment it
// started this process) and how many widgets the window has, then ends as the program does on
// its close button. The program itself stays free of such instruments.
#include <QApplication>
#include <QEvent>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <unistd.h>

#include "app/qm47_form.h"
#include "toolkit/application.h"
#include "toolkit/net/tcp_socket.h"
#include "toolkit/qt/form_view.h"
#include "toolkit/qt/qt_event_loop.h"
#include "toolkit/qt/qt_message_boxes.h"
#include "toolkit/qt/termination_signals.h"

namespace {

std::string programFile(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) {
        return std::string(path, static_cast<std::size_t>(n));
    }
    return argv0;
}

class FirstPaint : public QObject {
  public:
    explicit FirstPaint(TQM47f1& form) : form_(form) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const auto* window = static_cast<QWidget*>(watched);
            std::printf(
                "PAINT %.0f\nWIDGETS %lld\n",
                static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3,
                static_cast<long long>(window->findChildren<QWidget*>().size()));
            std::fflush(stdout);
            QMetaObject::invokeMethod(
                this, [this] { form_.operatorClose(); }, Qt::QueuedConnection);
        }
        return false;
    }

  private:
    TQM47f1& form_;
    bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    tkqt::QtEventLoop loop;
    tkqt::QtMessageBoxes boxes;
    tk::Application app(loop, boxes);
    tk::net::TcpSocket socket(loop);

    TQM47f1 form(app, socket, programFile(argv[0]));
    form.create();
    tkqt::QtFormView view(form);
    tkqt::TerminationSignals termination(loop, [&form] { form.operatorClose(); });
    FirstPaint firstPaint(form);
    view.window()->installEventFilter(&firstPaint);
    view.show();
    loop.run();
    form.destroy();
    return 0;
}

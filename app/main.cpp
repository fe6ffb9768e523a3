// Wires the window to Qt: the Qt loop and boxes, the real socket, the view. Nothing else.
#include <QApplication>

#include <climits>
#include <cstdlib>
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

// The running program file's full path: its settings file lies beside it.
std::string programFile(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) {
        return std::string(path, static_cast<std::size_t>(n));
    }
    char* resolved = ::realpath(argv0, nullptr);
    std::string result = resolved != nullptr ? resolved : argv0;
    std::free(resolved);
    return result;
}

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
    // A script or the desktop session ends the program as the window's close control would.
    tkqt::TerminationSignals termination(loop, [&form] { form.operatorClose(); });
    view.show();
    loop.run();
    form.destroy();
    return 0;
}

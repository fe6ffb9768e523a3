#include "toolkit/qt/termination_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <string>

#include "tests/qt/qt_test_support.h"
#include "tests/support/recording_boxes.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"

namespace {

struct SignalCase {
    std::string name;
    int signal;
};

void PrintTo(const SignalCase& c, std::ostream* os) {
    *os << c.name;
}

class TerminationSignal : public testing::TestWithParam<SignalCase> {};

// A script or a desktop session ends the program as the window's close control does.
TEST_P(TerminationSignal, ClosesTheMainWindowAsItsCloseControl) {
    tkqt::QtEventLoop loop;
    testsupport::RecordingBoxes boxes;
    tk::Application app(loop, boxes);
    tk::TForm form(app, "Main");
    struct sigaction before {};
    ::sigaction(GetParam().signal, nullptr, &before);
    int closes = 0;
    form.OnClose = [&](tk::TObject*, tk::TCloseAction&) { ++closes; };
    {
        tkqt::TerminationSignals termination(loop, [&form] { form.operatorClose(); });
        ASSERT_EQ(std::raise(GetParam().signal), 0);
        EXPECT_TRUE(qttest::runLoopUntil(loop, [&] { return loop.quitting(); }));
    }
    EXPECT_EQ(closes, 1);

    struct sigaction restored {};
    ::sigaction(GetParam().signal, nullptr, &restored);
    EXPECT_EQ(restored.sa_handler, before.sa_handler) << "the previous handler is back";
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignal,
                         testing::Values(SignalCase{"Term", SIGTERM}, SignalCase{"Int", SIGINT}),
                         [](const auto& info) { return info.param.name; });

}  // namespace

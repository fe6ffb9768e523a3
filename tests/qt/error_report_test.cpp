// An error that escapes a handler run from Qt (a click, a key, an edit, the close control, a
// tick, a posted call, a ready descriptor) ends at the dispatch: it is reported, nothing
// crosses Qt's event loop, and the program goes on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/qt/qt_test_support.h"
#include "tests/qt/test_form.h"
#include "toolkit/error.h"

namespace {

using namespace std::chrono_literals;

struct Harness {
    qttest::TestModels& m;
    tkqt::QtFormView& view;
    std::function<void()> failing;  // counts a step, then throws

    QWidget* widget(const tk::TControl& control) const { return view.widgetOf(control); }
};

struct ErrorCase {
    std::string name;
    std::function<void(Harness&)> trigger;  // sets the failing handler and raises it once
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

class ErrorReport : public qttest::FormViewTest, public testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorReport, EndsTheHandlerIsReportedAndTheProgramGoesOn) {
    int steps = 0;
    Harness h{m, view, [&steps] {
                  ++steps;
                  throw tk::Error("Broken by " + std::to_string(steps));
              }};
    for (std::size_t round = 1; round <= 2; ++round) {
        GetParam().trigger(h);
        ASSERT_TRUE(qttest::runLoopUntil(m.loop, [&] { return m.boxes.count() == round; }));
    }
    EXPECT_EQ(steps, 2) << "each run stopped at the error, what it did before stays done";
    ASSERT_EQ(m.boxes.boxes().size(), 2u);
    EXPECT_EQ(m.boxes.boxes()[0].kind, tk::BoxKind::errorReport);
    EXPECT_EQ(m.boxes.boxes()[0].text, "Broken by 1.");
    EXPECT_EQ(m.boxes.boxes()[1].text, "Broken by 2.");
}

auto notify(std::function<void()> failing) {
    return [failing](tk::TObject*) { failing(); };
}

const std::vector<ErrorCase> kErrorRows = {
    {"ButtonClick",
     [](Harness& h) {
         h.m.button.OnClick = notify(h.failing);
         QTest::mouseClick(h.widget(h.m.button), Qt::LeftButton);
     }},
    {"CheckBoxClick",
     [](Harness& h) {
         h.m.check.OnClick = notify(h.failing);
         QTest::mouseClick(h.widget(h.m.check), Qt::LeftButton);
     }},
    {"LabelClick",
     [](Harness& h) {
         h.m.label.OnClick = notify(h.failing);
         QTest::mouseClick(h.widget(h.m.label), Qt::LeftButton);
     }},
    {"EditKeyPress",
     [](Harness& h) {
         h.m.edit.OnKeyPress = [f = h.failing](tk::TObject*, char&) { f(); };
         QTest::keyClick(h.widget(h.m.edit), Qt::Key_A);
     }},
    {"EditPaste",
     [](Harness& h) {
         h.m.edit.OnChange = notify(h.failing);
         QApplication::clipboard()->setText("x");
         static_cast<QLineEdit*>(h.widget(h.m.edit))->paste();
     }},
    {"WindowCloseControl",
     [](Harness& h) {
         h.m.form.OnClose = [f = h.failing](tk::TObject*, tk::TCloseAction&) { f(); };
         h.view.window()->close();
     }},
    {"LoopTick",
     [](Harness& h) {
         auto timer = std::make_shared<tk::EventLoop::Handle>();
         *timer = h.m.loop.startTimer(1ms, [&loop = h.m.loop, timer, f = h.failing] {
             loop.stopTimer(*timer);
             f();
         });
     }},
    {"LoopPostedCall", [](Harness& h) { h.m.loop.post(h.failing); }},
    {"LoopReadyDescriptor",
     [](Harness& h) {
         auto fds = std::make_shared<std::array<int, 2>>();
         ASSERT_EQ(::pipe(fds->data()), 0);
         ASSERT_EQ(::write((*fds)[1], "x", 1), 1);
         auto watch = std::make_shared<tk::EventLoop::Handle>();
         *watch = h.m.loop.watchFd((*fds)[0], tk::EventLoop::ioRead,
                                   [&loop = h.m.loop, watch, fds, f = h.failing](unsigned) {
                                       loop.unwatchFd(*watch);
                                       ::close((*fds)[0]);
                                       ::close((*fds)[1]);
                                       f();
                                   });
     }},
};

INSTANTIATE_TEST_SUITE_P(Entries, ErrorReport, testing::ValuesIn(kErrorRows),
                         [](const auto& info) { return info.param.name; });

}  // namespace

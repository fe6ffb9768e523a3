#include "toolkit/qt/qt_message_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <ostream>
#include <string>
#include <vector>

#include "tests/qt/qt_test_support.h"

namespace {

using namespace std::chrono_literals;

struct BoxCase {
    std::string name;
    tk::BoxKind kind;
    QMessageBox::Icon icon;
};

void PrintTo(const BoxCase& c, std::ostream* os) {
    *os << c.name;
}

class QtMessageBox : public testing::TestWithParam<BoxCase> {};

// The loop keeps ticking while the box is open; the box is inspected and closed from a tick,
// as an operator would close it.
TEST_P(QtMessageBox, IsModalWhileTheLoopKeepsTicking) {
    const BoxCase& c = GetParam();
    tkqt::QtEventLoop loop;
    tkqt::QtMessageBoxes boxes;
    int ticks = 0;
    QMessageBox* seen = nullptr;
    const auto timer = loop.startTimer(5ms, [&] {
        if (++ticks == 1000) {
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();  // failed: do not hang
            }
        }
        if (ticks != 3) {
            return;
        }
        seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->windowTitle(), QString::fromLatin1("Title \xe9"));
        EXPECT_EQ(seen->icon(), c.icon);
        EXPECT_EQ(seen->textFormat(), Qt::PlainText);
        EXPECT_EQ(seen->text(), QString::fromUtf8("first\nsecond <b>x</b> caf\u00e9"));
        EXPECT_EQ(seen->buttons().size(), 1);
        EXPECT_EQ(seen->windowModality(), Qt::ApplicationModal);
        const QRect screen = seen->screen()->availableGeometry();
        EXPECT_LE((seen->frameGeometry().center() - screen.center()).manhattanLength(), 2);
        QTest::mouseClick(seen->button(QMessageBox::Ok), Qt::LeftButton);
    });
    boxes.show(c.kind, "Title \xe9", "first\rsecond <b>x</b> caf\xe9");
    const int ticksWhenClosed = ticks;
    loop.stopTimer(timer);
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(ticksWhenClosed, 3) << "the box returns when the operator closed it";
}

const std::vector<BoxCase> kBoxRows = {
    {"Plain", tk::BoxKind::plain, QMessageBox::NoIcon},
    {"Warning", tk::BoxKind::warning, QMessageBox::Warning},
    {"Error", tk::BoxKind::error, QMessageBox::Critical},
    {"ErrorReport", tk::BoxKind::errorReport, QMessageBox::Critical},
};

INSTANTIATE_TEST_SUITE_P(Kinds, QtMessageBox, testing::ValuesIn(kBoxRows),
                         [](const auto& info) { return info.param.name; });

}  // namespace

#include "toolkit/qt/log_view.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <string>

#include "tests/qt/test_form.h"

namespace {

class LogViewTest : public qttest::FormViewTest {
  protected:
    void SetUp() override {
        FormViewTest::SetUp();
        log = find<QPlainTextEdit>("Memo");
        ASSERT_NE(log, nullptr);
        QObject::connect(log->document(), &QTextDocument::contentsChange,
                         [this](int, int, int) { ++edits; });
    }
    QString shown() const { return log->toPlainText(); }

    QPlainTextEdit* log = nullptr;
    int edits = 0;
};

TEST_F(LogViewTest, ShowsTheInitialLinesAtOnce) {
    EXPECT_EQ(shown(), QString("first\nsecond"));
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_FALSE(log->isReadOnly());
}

// A flood of lines must cost one edit (one layout, one repaint) per frame, not one per line.
TEST_F(LogViewTest, AppendsOfOneFrameBecomeOneEdit) {
    QString expected = "first\nsecond";
    for (int i = 0; i < 1000; ++i) {
        m.memo.append("line " + std::to_string(i));
        expected += QString("\nline %1").arg(i);
    }
    EXPECT_EQ(edits, 0) << "held back until the frame";
    view.flushLogs();
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1)
        << "the newest line is where the box shows";
}

// Whether the caret sat at the end (carried along by the insertion) or elsewhere (moved back),
// a frame leaves it after the newest line and the view scrolled down to it.
TEST_F(LogViewTest, TheNewestLineComesIntoViewWhereverTheCaretWas) {
    for (const auto caretKey : {Qt::Key_End, Qt::Key_Home}) {
        SCOPED_TRACE(caretKey == Qt::Key_End ? "caret at the end" : "caret at the start");
        log->setFocus();
        QTest::keyClick(log, caretKey, Qt::ControlModifier);
        for (int i = 0; i < 200; ++i) {
            m.memo.append("line " + std::to_string(i));
        }
        view.flushLogs();
        EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);
        EXPECT_GT(log->verticalScrollBar()->value(), 0) << "scrolled";
        EXPECT_TRUE(log->viewport()->rect().contains(log->cursorRect())) << "in view";
    }
}

TEST_F(LogViewTest, HeldBackLinesShowByThemselvesWithinAFrame) {
    m.memo.append("third");
    ASSERT_TRUE(QTest::qWaitFor([this] { return edits > 0; }, 5000));
    EXPECT_EQ(shown(), QString("first\nsecond\nthird"));
}

TEST_F(LogViewTest, ClearEmptiesAndLaterLinesBeginAtTheTop) {
    m.memo.append("dropped");
    m.memo.clear();
    m.memo.append("");
    m.memo.append("after");
    view.flushLogs();
    EXPECT_EQ(shown(), QString("\nafter")) << "an empty first line is still a line";

    m.memo.clear();
    view.flushLogs();
    EXPECT_EQ(shown(), QString());
}

TEST_F(LogViewTest, LinesShowAsPlainTextWithControlBytesVisible) {
    m.memo.clear();
    m.memo.append("<b>x</b>\x01\xe9\r\nnext");
    view.flushLogs();
    EXPECT_EQ(shown(), QString::fromUtf8("<b>x</b>\u2401\u00e9\nnext"));
}

TEST_F(LogViewTest, OperatorTypingStaysAndLinesFollowOnANewLine) {
    log->setFocus();
    QTest::keyClick(log, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(log, " typed");
    m.memo.append("third");
    view.flushLogs();
    EXPECT_EQ(shown(), QString("first\nsecond typed\nthird"));
}

}  // namespace

#include "toolkit/qt/log_view.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
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

// The real window drawn by the Qt view while the controller sends what a terminal or a rich
// text box would act on: the log must show it as plain characters and keep up.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <memory>
#include <string>

#include "app/qm47_form.h"
#include "tests/support/recording_boxes.h"
#include "tests/support/scripted_socket.h"
#include "tests/support/temp_dir.h"
#include "toolkit/application.h"
#include "toolkit/qt/form_view.h"
#include "toolkit/qt/qt_event_loop.h"

namespace {

using testsupport::RecordingBoxes;
using testsupport::ScriptedSocket;
using testsupport::TempDir;

class HostileLogView : public testing::Test {
  protected:
    void SetUp() override {
        // The echo filter off, so that 0xF1 is text too; no hex dump between the entries.
        TempDir::write(dir.file("qm47.ini"),
                       "[Settings]\nIPAddress=127.0.0.1\nPort=4000\nFilterEcho=0\nHexOut=0\n");
        form = std::make_unique<TQM47f1>(app, socket, dir.file("qm47"));
        form->create();
        view = std::make_unique<tkqt::QtFormView>(*form);
        view->show();
        log = qobject_cast<QPlainTextEdit*>(view->widgetOf(form->Memo));
        ASSERT_NE(log, nullptr);
        form->buConnect.operatorClick();
        socket.raiseConnected();
    }

    // Everything `bytes` brings, through the window's receive handler.
    void receive(const std::string& bytes) {
        socket.raiseData(bytes);
        socket.drain();
    }

    QString shown() {
        view->flushLogs();
        return log->toPlainText();
    }

    tkqt::QtEventLoop loop;
    RecordingBoxes boxes;
    tk::Application app{loop, boxes};
    TempDir dir;
    ScriptedSocket socket{loop};
    std::unique_ptr<TQM47f1> form;
    std::unique_ptr<tkqt::QtFormView> view;  // goes before the form it draws
    QPlainTextEdit* log = nullptr;
};

TEST_F(HostileLogView, MarkupEscapesAndControlBytesShowAsPlainCharacters) {
    struct Row {
        const char* name;
        std::string bytes;  // one chunk, so one entry
        QString expected;
    };
    std::string high;
    QString highShown;
    for (int c = 0x80; c <= 0xFE; ++c) {
        high += static_cast<char>(c);
        highShown += QChar(c);
    }
    const Row rows[] = {
        {"html", "<b>bold</b><script>alert(1)</script>&amp;",
         QString::fromUtf8("<b>bold</b><script>alert(1)</script>&amp;")},
        {"ansi", "\x1b[31mred\x1b[0m \x1b]0;title\x07",
         QString::fromUtf8("\u241B[31mred\u241B[0m \u241B]0;title\u2407")},
        {"nul", std::string("nul\0byte", 8), QString::fromUtf8("nul\u2400byte")},
        {"latin1", "caf\xe9", QString::fromUtf8("caf\u00e9")},
        // IAC IAC is one 0xFF of text; IAC SE then leaves the command state.
        {"high bytes", high + "\xFF\xFF\xF0", highShown + QChar(0xFF)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        receive(row.bytes);
        const QString text = shown();
        const QString lastLine = text.mid(text.lastIndexOf('\n') + 1);
        // toPlainText gives a no-break space as a blank; the entry itself keeps 0xA0.
        QString expected = row.expected;
        expected.replace(QChar(0xA0), QChar(' '));
        EXPECT_EQ(lastLine, expected) << lastLine.toStdString();
    }
    EXPECT_EQ(form->Memo.lines().back(), high + "\xFF") << "the entry is handed over unchanged";
    EXPECT_EQ(boxes.count(), 0U);
}

TEST_F(HostileLogView, MegabyteWithoutALineEndArrivesWholeAndTheViewKeepsUp) {
    std::string megabyte;
    const std::string digits = "0123456789abcdef";
    for (std::size_t i = 0; i < (std::size_t{1} << 20); ++i) {
        megabyte += digits[(i / 7) % digits.size()];
    }
    const std::size_t before = form->Memo.lines().size();
    receive(megabyte);
    const std::size_t entries = form->Memo.lines().size() - before;
    EXPECT_GT(entries, 1U) << "one entry per chunk";

    // The view draws by itself on its next frame, and other events still run.
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    const QString last = QString::fromLatin1(form->Memo.lines().back());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return fired && log->document()->lastBlock().text() == last; }, 10000));

    // Each chunk is an entry on a line of its own; together they are the megabyte in order.
    const QString text = log->toPlainText();
    QString tail = text.right(static_cast<qsizetype>(megabyte.size() + entries - 1));
    EXPECT_EQ(tail.count('\n'), static_cast<qsizetype>(entries - 1));
    tail.remove('\n');
    EXPECT_TRUE(tail == QString::fromLatin1(megabyte)) << "the megabyte came changed";
    EXPECT_EQ(boxes.count(), boxes.countOf(tk::BoxKind::plain)) << "only the chunk warnings";
}

}  // namespace

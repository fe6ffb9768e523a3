#include "toolkit/qt/log_view.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <algorithm>

#include "toolkit/qt/display_text.h"

namespace tkqt {

LogBinding::LogBinding(ViewState& view, tk::TMemo& model, QWidget* parent)
    : ControlBinding(view, model, new QPlainTextEdit(parent)),
      model_(model),
      shownClears_(model.clearCount()) {
    box()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box()->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box()->setTabChangesFocus(true);
    // A long session holds hundreds of thousands of lines; an undo history of every append
    // would double the memory for nothing an operator needs in a log.
    box()->setUndoRedoEnabled(false);
    // The log holds plain Latin-1 text, which needs no shaping (kerning, ligatures); without it,
    // laying out the newest lines (what every frame of a busy log does) costs far less.
    QFont font = box()->font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    box()->setFont(font);
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen != nullptr && screen->refreshRate() > 1) {
        frameMs_ = std::max(1, static_cast<int>(1000 / screen->refreshRate()));
    }
    frame_.setSingleShot(true);
    connect(&frame_, &QTimer::timeout, this, [this] { view_.enter([this] { flush(); }); });
}

void LogBinding::applyOwn(tk::Aspect aspect) {
    if (aspect != tk::Aspect::lines) {
        return;
    }
    if (!drawn_) {
        flush();  // the initial text shows with the window's first paint
        return;
    }
    if (!frame_.isActive()) {
        const auto waited = static_cast<int>(sinceFlush_.elapsed());
        frame_.start(std::max(0, frameMs_ - waited));
    }
}

void LogBinding::flush() {
    frame_.stop();
    sinceFlush_.start();
    drawn_ = true;
    const std::vector<std::string>& lines = model_.lines();
    if (model_.clearCount() != shownClears_ || shownLines_ > lines.size()) {
        box()->clear();
        shownClears_ = model_.clearCount();
        shownLines_ = 0;
    }
    if (shownLines_ == lines.size()) {
        return;
    }
    // A line break before the first new line unless the box is still empty (an empty first
    // line counts as a line).
    QString added;
    qsizetype length = 0;
    for (std::size_t i = shownLines_; i < lines.size(); ++i) {
        length += static_cast<qsizetype>(lines[i].size()) + 1;
    }
    added.reserve(length);
    bool breakFirst = shownLines_ > 0 || !box()->document()->isEmpty();
    for (std::size_t i = shownLines_; i < lines.size(); ++i) {
        if (breakFirst) {
            added.append(QChar('\n'));
        }
        breakFirst = true;
        appendLogLineToDisplay(added, lines[i]);
    }
    shownLines_ = lines.size();
    // One edit block: a cursor outside of one measures its caret's column after every move,
    // which lays out the last line again just to throw the result away.
    QTextCursor end(box()->document());
    end.beginEditBlock();
    end.movePosition(QTextCursor::End);
    end.insertText(added);
    end.endEditBlock();
    // The caret follows the newest line, as in any text box that text is appended to. When it
    // sat at the end, the insertion carried it along and only the view has to follow; moving it
    // again would measure its place in the last line (another layout) every frame.
    if (box()->textCursor().atEnd()) {
        box()->verticalScrollBar()->setValue(box()->verticalScrollBar()->maximum());
    } else {
        box()->moveCursor(QTextCursor::End);
    }
}

}  // namespace tkqt

// The log: a plain-text box drawn from the memo model's raw byte lines.
//
// Lines appended since the last frame are inserted in one edit, at most once per screen
// refresh, so a flood of short lines costs one layout and one repaint per frame instead of one
// per line. After a clear the box is refilled from the model. The operator may type into the
// box; that text stays in the widget (the model only ever grows at its end or is cleared).
#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstddef>
#include <cstdint>

#include "toolkit/qt/control_bindings.h"

namespace tkqt {

class LogBinding : public ControlBinding {
  public:
    LogBinding(ViewState& view, tk::TMemo& model, QWidget* parent);

    // Draws at once what is held back for the next frame.
    void flush();

  protected:
    void applyOwn(tk::Aspect aspect) override;

  private:
    QPlainTextEdit* box() const { return static_cast<QPlainTextEdit*>(widget()); }

    tk::TMemo& model_;
    QTimer frame_;
    QElapsedTimer sinceFlush_;
    int frameMs_ = 16;
    bool drawn_ = false;
    std::size_t shownLines_ = 0;
    std::uint64_t shownClears_ = 0;
};

}  // namespace tkqt

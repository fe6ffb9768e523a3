// The real window as the program builds it (the form, its Qt view shown offscreen) for the bench
// programs, on any loop and socket, with its settings file in a private folder and recording
// message boxes (a warning box is counted, not waited for). The log is drawn either by the
// program's own log view or by the baseline log, which the figures are compared with.
#pragma once

#include <QApplication>
#include <QPlainTextEdit>
#include <memory>
#include <string>

#include "app/qm47_form.h"
#include "tests/support/recording_boxes.h"
#include "tests/support/temp_dir.h"
#include "toolkit/application.h"
#include "toolkit/qt/form_view.h"

namespace bench {

// The one QApplication of a bench program, always on the offscreen platform.
class OffscreenApp {
  public:
    OffscreenApp();
    ~OffscreenApp();
    OffscreenApp(const OffscreenApp&) = delete;
    OffscreenApp& operator=(const OffscreenApp&) = delete;

  private:
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> app_;
};

enum class LogKind { program, baseline };
const char* logKindName(LogKind kind);

// The baseline log: one QPlainTextEdit::appendPlainText per line, at once, as a plain
// text box is usually fed. It takes over the memo's view hook, so the program's own log view
// sees nothing.
void useBaselineLog(tk::TMemo& memo, QPlainTextEdit* box);

class ShownWindow {
  public:
    // `settings` is the body of the [Settings] section (IPAddress=..., Port=..., HexOut=...).
    ShownWindow(tk::EventLoop& loop, tk::net::TWSocket& socket, const std::string& settings,
                LogKind log);
    ~ShownWindow();
    ShownWindow(const ShownWindow&) = delete;
    ShownWindow& operator=(const ShownWindow&) = delete;

    TQM47f1& form() { return *form_; }
    tkqt::QtFormView& view() { return *view_; }
    testsupport::RecordingBoxes& boxes() { return boxes_; }
    QPlainTextEdit* logBox() const;
    // Draws at once the log lines the program's log view holds back for its next frame (the
    // baseline log has drawn every line already).
    void drawLog();
    // Paint events the window and its children received so far.
    long paints() const;
    // Processes Qt's events until the window has painted (bounded by 5 s).
    void waitPainted();

  private:
    class PaintCounter;

    testsupport::TempDir dir_;
    testsupport::RecordingBoxes boxes_;
    tk::Application app_;
    std::unique_ptr<TQM47f1> form_;
    std::unique_ptr<tkqt::QtFormView> view_;
    std::unique_ptr<PaintCounter> paintCounter_;
    LogKind log_;
};

}  // namespace bench

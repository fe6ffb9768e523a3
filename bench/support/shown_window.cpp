#include "bench/support/shown_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include "tests/support/temp_dir.h"
#include "toolkit/qt/display_text.h"

namespace bench {

OffscreenApp::OffscreenApp() {
    // Figures are taken offscreen, the same on every machine whatever its display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static char name[] = "qm47_bench";
    argv_[0] = name;
    app_ = std::make_unique<QApplication>(argc_, argv_);
}

OffscreenApp::~OffscreenApp() = default;

const char* logKindName(LogKind kind) {
    return kind == LogKind::program ? "program" : "baseline";
}

void useBaselineLog(tk::TMemo& memo, QPlainTextEdit* box) {
    // A plain text box as it comes: the program's log view tunes its font, the baseline does not.
    QFont font = box->font();
    font.setStyleStrategy(QFont::PreferDefault);
    box->setFont(font);
    box->clear();
    for (const std::string& line : memo.lines()) {
        box->appendPlainText(tkqt::logLineToDisplay(line));
    }
    memo.setViewHook([&memo, box, shown = memo.lines().size()](tk::Aspect aspect) mutable {
        if (aspect != tk::Aspect::lines) {
            return;
        }
        if (memo.lines().size() < shown) {
            box->clear();
            shown = 0;
        }
        for (; shown < memo.lines().size(); ++shown) {
            box->appendPlainText(tkqt::logLineToDisplay(memo.lines()[shown]));
        }
    });
}

class ShownWindow::PaintCounter : public QObject {
  public:
    long paints = 0;

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

ShownWindow::ShownWindow(tk::EventLoop& loop, tk::net::TWSocket& socket,
                         const std::string& settings, LogKind log)
    : app_(loop, boxes_), paintCounter_(std::make_unique<PaintCounter>()), log_(log) {
    testsupport::TempDir::write(dir_.file("qm47.ini"), "[Settings]\n" + settings + "\n");
    form_ = std::make_unique<TQM47f1>(app_, socket, dir_.file("qm47"));
    form_->create();
    view_ = std::make_unique<tkqt::QtFormView>(*form_);
    if (log == LogKind::baseline) {
        useBaselineLog(form_->Memo, logBox());
    }
    QWidget* window = view_->window();
    window->installEventFilter(paintCounter_.get());
    for (QWidget* child : window->findChildren<QWidget*>()) {
        child->installEventFilter(paintCounter_.get());
    }
    view_->show();
}

ShownWindow::~ShownWindow() {
    // The form is never destroyed as the program would (no settings written), only freed.
    form_->Memo.setViewHook(nullptr);
    view_.reset();
    form_.reset();
}

QPlainTextEdit* ShownWindow::logBox() const {
    return static_cast<QPlainTextEdit*>(view_->widgetOf(form_->Memo));
}

void ShownWindow::drawLog() {
    if (log_ == LogKind::program) {
        view_->flushLogs();
    }
}

long ShownWindow::paints() const {
    return paintCounter_->paints;
}

void ShownWindow::waitPainted() {
    QElapsedTimer waited;
    waited.start();
    while (paints() == 0 && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

}  // namespace bench

// The start-up bench's baseline: the least Qt program with as many widgets as the exerciser's
// window (62 controls: 27 labels and a picture, 3 edit boxes, 7 buttons, 12 check boxes, 2
// panels, 9 circles, the log), shown the same way; it prints when the window first paints and
// its widget count, then quits.
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstdio>
#include <ctime>

namespace {

class FirstPaint : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const auto* window = static_cast<QWidget*>(watched);
            std::printf(
                "PAINT %.0f\nWIDGETS %lld\n",
                static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3,
                static_cast<long long>(window->findChildren<QWidget*>().size()));
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }

  private:
    bool seen_ = false;
};

// Places widgets left to right, row by row.
class Grid {
  public:
    explicit Grid(QWidget* window) : window_(window) {}
    template <typename Widget>
    Widget* add(const QString& text = {}) {
        auto* widget = new Widget(window_);
        if constexpr (requires { widget->setText(text); }) {
            widget->setText(text);
        }
        widget->setGeometry(8 + (n_ % 6) * 100, 8 + (n_ / 6) * 26, 92, 21);
        ++n_;
        return widget;
    }

  private:
    QWidget* window_;
    int n_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("QM47");
    window.resize(620, 366);
    Grid grid(&window);
    for (int i = 0; i < 28; ++i) {
        grid.add<QLabel>(QString("Label %1").arg(i));
    }
    for (int i = 0; i < 3; ++i) {
        grid.add<QLineEdit>("127.0.0.1");
    }
    for (int i = 0; i < 7; ++i) {
        grid.add<QPushButton>(QString("Button %1").arg(i));
    }
    for (int i = 0; i < 12; ++i) {
        grid.add<QCheckBox>(QString("Check %1").arg(i));
    }
    for (int i = 0; i < 2; ++i) {
        grid.add<QFrame>()->setFrameStyle(QFrame::Panel | QFrame::Raised);
    }
    for (int i = 0; i < 9; ++i) {
        grid.add<QWidget>();
    }
    auto* log = grid.add<QPlainTextEdit>();
    log->appendPlainText("Log and received text:");
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return app.exec();
}

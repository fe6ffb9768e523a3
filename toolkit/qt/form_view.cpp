#include "toolkit/qt/form_view.h"

#include <QCloseEvent>
#include <QWindow>
#include <algorithm>
#include <climits>

#include "toolkit/qt/control_bindings.h"
#include "toolkit/qt/display_text.h"
#include "toolkit/qt/log_view.h"
#include "toolkit/qt/view_style.h"

namespace tkqt {

// The top-level window. Its close control is the operator's: the form decides, and the window
// only goes away when the form closed (the loop quits).
class QtFormView::Window : public QWidget {
  public:
    explicit Window(ViewState& view) : view_(view) {}

    // The form's size is the outer one, frame included; the frame is known only once a window
    // manager has framed the window (without one, the client area holds the whole size).
    void setOuterSize(QSize size) {
        outer_ = size;
        resize(size);
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        view_.enter([this] { view_.form.operatorClose(); });
        if (view_.form.application().loop().quitting()) {
            event->accept();
        } else {
            event->ignore();
        }
    }

    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        fitFrame();
    }

    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        fitFrame();
    }

  private:
    void fitFrame() {
        if (fitted_ || !isVisible() || windowHandle() == nullptr) {
            return;
        }
        const QMargins frame = windowHandle()->frameMargins();
        if (frame.isNull()) {
            return;
        }
        fitted_ = true;
        resize(outer_.width() - frame.left() - frame.right(),
               outer_.height() - frame.top() - frame.bottom());
    }

    ViewState& view_;
    QSize outer_;
    bool fitted_ = false;
};

namespace {

// The focusable widgets under `container` (nullptr: the form) in Tab order: by each control's
// place among its siblings, a container's own widgets at the container's place.
void collectTabChain(const tk::TControl* container,
                     const std::vector<std::unique_ptr<ControlBinding>>& bindings,
                     std::vector<QWidget*>& chain) {
    std::vector<const ControlBinding*> children;
    for (const auto& binding : bindings) {
        if (binding->model().parent() == container) {
            children.push_back(binding.get());
        }
    }
    // Controls without a place follow the placed ones, in the order they were built.
    std::stable_sort(children.begin(), children.end(), [](const auto* a, const auto* b) {
        const int left = a->model().tabOrder() < 0 ? INT_MAX : a->model().tabOrder();
        const int right = b->model().tabOrder() < 0 ? INT_MAX : b->model().tabOrder();
        return left < right;
    });
    for (const ControlBinding* child : children) {
        if (child->model().canFocus()) {
            chain.push_back(child->widget());
        }
        collectTabChain(&child->model(), bindings, chain);
    }
}

}  // namespace

QtFormView::QtFormView(tk::TForm& form)
    : form_(form),
      state_(std::make_unique<ViewState>(form)),
      window_(std::make_unique<Window>(*state_)) {
    window_->setObjectName(QString::fromStdString(form.name()));
    window_->setWindowTitle(fromLatin1(form.caption()));
    window_->setFont(fontOf(tk::TFont{}));
    QPalette palette = window_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    window_->setPalette(palette);
    window_->setAutoFillBackground(true);

    for (tk::TControl* control : form.controls()) {
        QWidget* parent = window_.get();
        if (control->parent() != nullptr) {
            if (QWidget* parentWidget = widgetOf(*control->parent())) {
                parent = parentWidget;
            }
        }
        if (auto binding = bindControl(*state_, *control, parent)) {
            bindings_.push_back(std::move(binding));
        }
    }

    std::vector<QWidget*> chain;
    collectTabChain(nullptr, bindings_, chain);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }

    form.setViewHook([this](tk::Aspect aspect) {
        if (aspect == tk::Aspect::caption) {
            window_->setWindowTitle(fromLatin1(form_.caption()));
        }
    });
}

QtFormView::~QtFormView() {
    form_.setViewHook(nullptr);
    bindings_.clear();
    window_.reset();
}

void QtFormView::show() {
    window_->move(form_.left(), form_.top());
    window_->setOuterSize(QSize(form_.width(), form_.height()));
    window_->show();
}

QWidget* QtFormView::window() const {
    return window_.get();
}

QWidget* QtFormView::widgetOf(const tk::TControl& control) const {
    for (const auto& binding : bindings_) {
        if (&binding->model() == &control) {
            return binding->widget();
        }
    }
    return nullptr;
}

void QtFormView::flushLogs() {
    for (const auto& binding : bindings_) {
        if (auto* log = dynamic_cast<LogBinding*>(binding.get())) {
            log->flush();
        }
    }
}

}  // namespace tkqt

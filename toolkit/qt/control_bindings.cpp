#include "toolkit/qt/control_bindings.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <utility>

#include "toolkit/qt/display_text.h"
#include "toolkit/qt/log_view.h"
#include "toolkit/qt/view_style.h"

namespace tkqt {

namespace {

class ApplyingModel {
  public:
    explicit ApplyingModel(ViewState& view)
        : view_(view), previous_(std::exchange(view.applyingModel, true)) {}
    ~ApplyingModel() { view_.applyingModel = previous_; }
    ApplyingModel(const ApplyingModel&) = delete;
    ApplyingModel& operator=(const ApplyingModel&) = delete;

  private:
    ViewState& view_;
    bool previous_;
};

bool sameFont(const tk::TFont& a, const tk::TFont& b) {
    return a.pixelSize == b.pixelSize && a.bold == b.bold && a.underline == b.underline &&
           a.color == b.color;
}

}  // namespace

// ---- ControlBinding

ControlBinding::ControlBinding(ViewState& view, tk::TControl& model, QWidget* widget)
    : view_(view), model_(model), widget_(widget) {
    widget->setObjectName(QString::fromStdString(model.name()));
    widget->setGeometry(model.left(), model.top(), model.width(), model.height());
    widget->setFocusPolicy(model.canFocus() ? Qt::StrongFocus : Qt::NoFocus);
    if (!sameFont(model.font, tk::TFont{})) {
        widget->setFont(fontOf(model.font));
    }
    if (model.font.color != tk::clWindowText) {
        QPalette palette = widget->palette();
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(role, colorOf(model.font.color));
        }
        widget->setPalette(palette);
    }
    widget->installEventFilter(this);
    model.setViewHook([this](tk::Aspect aspect) { apply(aspect); });
}

ControlBinding::~ControlBinding() {
    model_.setViewHook(nullptr);
}

void ControlBinding::applyAll() {
    for (auto aspect :
         {tk::Aspect::text, tk::Aspect::caption, tk::Aspect::checked, tk::Aspect::fill,
          tk::Aspect::lines, tk::Aspect::selection, tk::Aspect::enabled, tk::Aspect::focus}) {
        apply(aspect);
    }
}

void ControlBinding::apply(tk::Aspect aspect) {
    if (widget_ == nullptr) {
        return;
    }
    ApplyingModel applying(view_);
    switch (aspect) {
        case tk::Aspect::enabled:
            widget_->setEnabled(model_.enabled());
            return;
        case tk::Aspect::focus:
            if (model_.focused() && !widget_->hasFocus()) {
                widget_->setFocus(Qt::OtherFocusReason);
            }
            return;
        default:
            applyOwn(aspect);
            return;
    }
}

bool ControlBinding::filterInput(QEvent* /*event*/) {
    return false;
}

bool ControlBinding::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::FocusIn:
            if (!view_.applyingModel) {
                view_.enter([this] { view_.form.focusControl(&model_); });
            }
            return false;
        case QEvent::KeyPress:
        case QEvent::MouseButtonRelease: {
            bool consumed = false;
            view_.enter([this, event, &consumed] { consumed = filterInput(event); });
            return consumed;
        }
        default:
            return false;
    }
}

namespace {

// ---- label

class LabelBinding : public ControlBinding {
  public:
    LabelBinding(ViewState& view, tk::TLabel& model, QWidget* parent)
        : ControlBinding(view, model, new QLabel(parent)), model_(model) {
        label()->setTextFormat(Qt::PlainText);
        label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

  protected:
    QLabel* label() const { return static_cast<QLabel*>(widget()); }

    void applyOwn(tk::Aspect aspect) override {
        if (aspect != tk::Aspect::caption) {
            return;
        }
        const QString caption = fromLatin1(model_.caption());
        label()->setText(caption);
        // A label shows "&" as an access key only when it has a buddy; it has none to give
        // the focus to, so it is its own.
        label()->setBuddy(caption.contains(QChar('&')) ? label() : nullptr);
        // A label is as wide as its text: the designed width was measured in another font.
        const int textWidth = label()->sizeHint().width();
        if (textWidth > label()->width()) {
            label()->resize(textWidth, label()->height());
        }
    }

    bool filterInput(QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease) {
            return false;
        }
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            label()->rect().contains(mouse->position().toPoint())) {
            model_.operatorClick();
        }
        return false;
    }

  private:
    tk::TLabel& model_;
};

// ---- edit box

class EditBinding : public ControlBinding {
  public:
    EditBinding(ViewState& view, tk::TEdit& model, QWidget* parent)
        : ControlBinding(view, model, new QLineEdit(parent)), model_(model) {
        connect(edit(), &QLineEdit::textEdited, this, [this](const QString& text) {
            view_.enter([this, &text] { operatorEdited(text); });
        });
        connect(edit(), &QLineEdit::selectionChanged, this,
                [this] { view_.enter([this] { selectionMoved(); }); });
        connect(edit(), &QLineEdit::cursorPositionChanged, this,
                [this] { view_.enter([this] { selectionMoved(); }); });
    }

  protected:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }

    void applyOwn(tk::Aspect aspect) override {
        if (aspect != tk::Aspect::text && aspect != tk::Aspect::selection) {
            return;
        }
        const QSignalBlocker blocker(edit());
        const QString text = fromLatin1(model_.text());
        if (edit()->text() != text) {
            edit()->setText(text);
        }
        if (widgetSelection() != std::pair{model_.selStart(), model_.selLength()}) {
            if (model_.selLength() > 0) {
                edit()->setSelection(model_.selStart(), model_.selLength());
            } else {
                edit()->setCursorPosition(model_.selStart());
            }
        }
    }

    // The keys the model's key-press handler must see go to the model, which edits the text;
    // everything else (moving, paste, cut, delete) is left to the line edit and comes back as
    // a whole edit.
    bool filterInput(QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        const bool plain = (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
        if (plain && key->key() == Qt::Key_Backspace) {
            typeKeys("\b");
            return true;
        }
        if ((plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) ||
            (key->key() == Qt::Key_M && (mods & ~Qt::ShiftModifier) == Qt::ControlModifier)) {
            typeKeys("\r");
            return true;
        }
        const QString text = key->text();
        if (!plain || text.isEmpty()) {
            return false;
        }
        for (QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
                return false;  // Escape, Tab, ...: the line edit and the window decide
            }
        }
        if (!isLatin1(text)) {
            QApplication::beep();
            return true;
        }
        typeKeys(toLatin1(text));
        return true;
    }

  private:
    std::pair<int, int> widgetSelection() const {
        if (edit()->hasSelectedText()) {
            return {edit()->selectionStart(), edit()->selectionLength()};
        }
        return {edit()->cursorPosition(), 0};
    }

    void typeKeys(const std::string& keys) {
        for (char key : keys) {
            model_.operatorKey(key);
        }
        apply(tk::Aspect::text);
    }

    void operatorEdited(const QString& text) {
        // Refused whole: the model holds bytes, and a character it cannot hold would make
        // what is sent differ from what the operator sees.
        if (isLatin1(text)) {
            model_.operatorEdit(toLatin1(text), edit()->cursorPosition());
        } else {
            QApplication::beep();
        }
        apply(tk::Aspect::text);
    }

    void selectionMoved() {
        if (view_.applyingModel) {
            return;
        }
        const auto [start, length] = widgetSelection();
        model_.setSelection(start, length);
    }

    tk::TEdit& model_;
};

// ---- push button, picture button

class ButtonBinding : public ControlBinding {
  public:
    ButtonBinding(ViewState& view, tk::TButton& model, QWidget* parent)
        : ControlBinding(view, model, new QPushButton(parent)), model_(model) {
        connect(button(), &QPushButton::clicked, this,
                [this] { view_.enter([this] { model_.operatorClick(); }); });
    }

  protected:
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }

    // Enter clicks the focused button, as the space bar does.
    bool filterInput(QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            model_.operatorClick();
            return true;
        }
        return false;
    }

    void applyOwn(tk::Aspect aspect) override {
        if (aspect != tk::Aspect::caption) {
            return;
        }
        button()->setText(fromLatin1(model_.caption()));
        if (model_.kind() == tk::ControlKind::bitBtn) {
            const auto& bitBtn = static_cast<const tk::TBitBtn&>(model_);
            const int count = std::max(1, bitBtn.numGlyphs());
            button()->setIcon(glyphIcon(bitBtn.glyph(), count));
            button()->setIconSize(QSize(bitBtn.glyph().width / count, bitBtn.glyph().height));
        }
    }

  private:
    tk::TButton& model_;
};

// ---- check box

class CheckBoxBinding : public ControlBinding {
  public:
    CheckBoxBinding(ViewState& view, tk::TCheckBox& model, QWidget* parent)
        : ControlBinding(view, model, new QCheckBox(parent)), model_(model) {
        // The box has already toggled itself; the model decides, and the box follows it.
        connect(box(), &QCheckBox::clicked, this, [this] {
            view_.enter([this] {
                model_.operatorClick();
                apply(tk::Aspect::checked);
            });
        });
    }

  protected:
    QCheckBox* box() const { return static_cast<QCheckBox*>(widget()); }

    void applyOwn(tk::Aspect aspect) override {
        const QSignalBlocker blocker(box());
        if (aspect == tk::Aspect::caption) {
            box()->setText(fromLatin1(model_.caption()));
        } else if (aspect == tk::Aspect::checked) {
            box()->setChecked(model_.checked());
        }
    }

  private:
    tk::TCheckBox& model_;
};

// ---- panel

class PanelBinding : public ControlBinding {
  public:
    PanelBinding(ViewState& view, tk::TPanel& model, QWidget* parent)
        : ControlBinding(view, model, new QFrame(parent)) {
        static_cast<QFrame*>(widget())->setFrameStyle(QFrame::Panel | QFrame::Raised);
    }

  protected:
    void applyOwn(tk::Aspect /*aspect*/) override {}
};

// ---- circle

class CircleWidget : public QWidget {
  public:
    CircleWidget(const tk::TShape& model, QWidget* parent) : QWidget(parent), model_(model) {}

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal pen = model_.penWidth();
        const qreal diameter = std::min(width(), height());
        QRectF circle((width() - diameter) / 2, (height() - diameter) / 2, diameter, diameter);
        // The outline lies inside the circle's area, as the layout measures it.
        circle.adjust(pen / 2, pen / 2, -pen / 2, -pen / 2);
        painter.setPen(pen > 0 ? QPen(colorOf(model_.penColor()), pen) : QPen(Qt::NoPen));
        painter.setBrush(colorOf(model_.brushColor()));
        painter.drawEllipse(circle);
    }

  private:
    const tk::TShape& model_;
};

class ShapeBinding : public ControlBinding {
  public:
    ShapeBinding(ViewState& view, tk::TShape& model, QWidget* parent)
        : ControlBinding(view, model, new CircleWidget(model, parent)) {}

  protected:
    void applyOwn(tk::Aspect aspect) override {
        if (aspect == tk::Aspect::fill) {
            widget()->update();
        }
    }
};

// ---- picture

class ImageBinding : public ControlBinding {
  public:
    ImageBinding(ViewState& view, tk::TImage& model, QWidget* parent)
        : ControlBinding(view, model, new QLabel(parent)), model_(model) {
        static_cast<QLabel*>(widget())->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

  protected:
    void applyOwn(tk::Aspect aspect) override {
        if (aspect == tk::Aspect::fill) {
            static_cast<QLabel*>(widget())->setPixmap(
                QPixmap::fromImage(imageOf(model_.picture())));
        }
    }

  private:
    tk::TImage& model_;
};

}  // namespace

std::unique_ptr<ControlBinding> bindControl(ViewState& view, tk::TControl& model, QWidget* parent) {
    std::unique_ptr<ControlBinding> binding;
    switch (model.kind()) {
        case tk::ControlKind::label:
            binding = std::make_unique<LabelBinding>(view, static_cast<tk::TLabel&>(model), parent);
            break;
        case tk::ControlKind::edit:
            binding = std::make_unique<EditBinding>(view, static_cast<tk::TEdit&>(model), parent);
            break;
        case tk::ControlKind::memo:
            binding = std::make_unique<LogBinding>(view, static_cast<tk::TMemo&>(model), parent);
            break;
        case tk::ControlKind::button:
        case tk::ControlKind::bitBtn:
            binding =
                std::make_unique<ButtonBinding>(view, static_cast<tk::TButton&>(model), parent);
            break;
        case tk::ControlKind::checkBox:
            binding =
                std::make_unique<CheckBoxBinding>(view, static_cast<tk::TCheckBox&>(model), parent);
            break;
        case tk::ControlKind::panel:
            binding = std::make_unique<PanelBinding>(view, static_cast<tk::TPanel&>(model), parent);
            break;
        case tk::ControlKind::shape:
            binding = std::make_unique<ShapeBinding>(view, static_cast<tk::TShape&>(model), parent);
            break;
        case tk::ControlKind::image:
            binding = std::make_unique<ImageBinding>(view, static_cast<tk::TImage&>(model), parent);
            break;
    }
    if (binding) {
        binding->applyAll();
    }
    return binding;
}

}  // namespace tkqt

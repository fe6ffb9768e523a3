#include "toolkit/controls.h"

#include <algorithm>
#include <utility>

namespace tk {

// ---- TControl

TControl::TControl(TForm& form, TControl* parent, std::string name, ControlKind kind)
    : form_(form), parent_(parent), name_(std::move(name)), kind_(kind) {
    form_.add(this);
}

TControl::~TControl() {
    form_.remove(this);
}

void TControl::setBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::setEnabled(bool on) {
    if (enabled_ == on) {
        return;
    }
    enabled_ = on;
    changed(Aspect::enabled);
}

bool TControl::canFocus() const {
    switch (kind_) {
        case ControlKind::edit:
        case ControlKind::memo:
        case ControlKind::button:
        case ControlKind::bitBtn:
        case ControlKind::checkBox:
            return true;
        default:
            return false;
    }
}

bool TControl::focused() const {
    return form_.activeControl() == this;
}

void TControl::setFocus() {
    form_.focusControl(this);
}

void TControl::operatorEvent(const std::function<void()>& handler) const {
    form_.application().loop().dispatch(handler);
}

// ---- TLabel

TLabel::TLabel(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::label) {}

void TLabel::setCaption(std::string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    changed(Aspect::caption);
}

void TLabel::operatorClick() {
    if (!enabled()) {
        return;
    }
    operatorEvent([this] {
        if (OnClick) {
            OnClick(this);
        }
    });
}

// ---- TEdit

TEdit::TEdit(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::edit) {}

void TEdit::setText(std::string text) {
    if (text_ == text) {
        return;
    }
    // Read the size before the move: argument order is unspecified.
    const int caret = static_cast<int>(text.size());
    replaceText(std::move(text), caret);
}

void TEdit::replaceText(std::string text, int caret) {
    text_ = std::move(text);
    const int size = static_cast<int>(text_.size());
    selStart_ = std::clamp(caret, 0, size);
    selLength_ = 0;
    changed(Aspect::text);
    if (OnChange) {
        OnChange(this);
    }
}

void TEdit::setSelection(int start, int length) {
    const int size = static_cast<int>(text_.size());
    start = std::clamp(start, 0, size);
    length = std::clamp(length, 0, size - start);
    if (start == selStart_ && length == selLength_) {
        return;
    }
    selStart_ = start;
    selLength_ = length;
    changed(Aspect::selection);
}

void TEdit::operatorKey(char key) {
    if (!enabled()) {
        return;
    }
    operatorEvent([this, key]() mutable {
        if (OnKeyPress) {
            OnKeyPress(this, key);
        }
        const auto start = static_cast<std::size_t>(selStart_);
        const auto length = static_cast<std::size_t>(selLength_);
        if (key == '\b') {
            if (length > 0) {
                replaceText(std::string(text_).erase(start, length), selStart_);
            } else if (start > 0) {
                replaceText(std::string(text_).erase(start - 1, 1), selStart_ - 1);
            }
            return;
        }
        // Control characters other than backspace (Enter not consumed, Ctrl+letters) do not
        // become text; an edit box only beeps at them.
        if (static_cast<unsigned char>(key) < 0x20 || key == 0x7F) {
            return;
        }
        std::string next = text_;
        next.replace(start, length, 1, key);
        replaceText(std::move(next), selStart_ + 1);
    });
}

void TEdit::operatorType(std::string_view keys) {
    for (char key : keys) {
        operatorKey(key);
    }
}

void TEdit::operatorEdit(std::string text, int caret) {
    if (!enabled() || text == text_) {
        return;
    }
    operatorEvent([this, &text, caret] { replaceText(std::move(text), caret); });
}

// ---- TMemo

TMemo::TMemo(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::memo) {}

void TMemo::append(std::string line) {
    lines_.push_back(std::move(line));
    changed(Aspect::lines);
}

void TMemo::clear() {
    lines_.clear();
    ++clearCount_;
    changed(Aspect::lines);
}

// ---- TButton, TBitBtn

TButton::TButton(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::button) {}

TButton::TButton(TForm& form, TControl* parent, std::string name, ControlKind kind)
    : TControl(form, parent, std::move(name), kind) {}

void TButton::setCaption(std::string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    changed(Aspect::caption);
}

void TButton::operatorClick() {
    if (!enabled()) {
        return;
    }
    operatorEvent([this] {
        setFocus();
        if (OnClick) {
            OnClick(this);
        }
    });
}

TBitBtn::TBitBtn(TForm& form, TControl* parent, std::string name)
    : TButton(form, parent, std::move(name), ControlKind::bitBtn) {}

void TBitBtn::setGlyph(TPicture glyph, int numGlyphs) {
    glyph_ = std::move(glyph);
    numGlyphs_ = numGlyphs;
    changed(Aspect::caption);
}

// ---- TCheckBox

TCheckBox::TCheckBox(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::checkBox) {}

void TCheckBox::setCaption(std::string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    changed(Aspect::caption);
}

void TCheckBox::setChecked(bool on) {
    if (checked_ == on) {
        return;
    }
    checked_ = on;
    changed(Aspect::checked);
    if (OnClick) {
        OnClick(this);
    }
}

void TCheckBox::operatorClick() {
    if (!enabled()) {
        return;
    }
    operatorEvent([this] {
        setFocus();
        setChecked(!checked_);
    });
}

// ---- TPanel, TShape, TImage

TPanel::TPanel(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::panel) {}

TShape::TShape(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::shape) {}

void TShape::setBrushColor(TColor color) {
    if (brushColor_ == color) {
        return;
    }
    brushColor_ = color;
    changed(Aspect::fill);
}

void TShape::setPen(TColor color, int width) {
    penColor_ = color;
    penWidth_ = width;
    changed(Aspect::fill);
}

TImage::TImage(TForm& form, TControl* parent, std::string name)
    : TControl(form, parent, std::move(name), ControlKind::image) {}

void TImage::setPicture(TPicture picture) {
    picture_ = std::move(picture);
    changed(Aspect::fill);
}

// ---- TTimer

TTimer::TTimer(TForm& form, std::string name) : form_(form), name_(std::move(name)) {}

TTimer::~TTimer() {
    setEnabled(false);
}

void TTimer::setInterval(Millis interval) {
    if (interval_ == interval) {
        return;
    }
    interval_ = interval;
    if (enabled()) {
        setEnabled(false);
        setEnabled(true);
    }
}

void TTimer::setEnabled(bool on) {
    if (on == enabled()) {
        return;
    }
    EventLoop& loop = form_.application().loop();
    if (!on) {
        loop.stopTimer(std::exchange(handle_, 0));
        return;
    }
    handle_ = loop.startTimer(interval_, [this] {
        if (OnTimer) {
            OnTimer(this);
        }
    });
}

// ---- TForm

TForm::TForm(Application& app, std::string name) : app_(app), name_(std::move(name)) {
    caption_ = name_;
}

TForm::~TForm() = default;

void TForm::setCaption(std::string caption) {
    if (caption_ == caption) {
        return;
    }
    caption_ = std::move(caption);
    if (viewHook_) {
        viewHook_(Aspect::caption);
    }
}

void TForm::setBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

TControl* TForm::findControl(std::string_view name) const {
    for (TControl* control : controls_) {
        if (control->name() == name) {
            return control;
        }
    }
    return nullptr;
}

void TForm::remove(TControl* control) {
    std::erase(controls_, control);
    if (active_ == control) {
        active_ = nullptr;
    }
}

void TForm::focusControl(TControl* control) {
    if (control == active_ || control == nullptr || !control->canFocus() || !control->enabled()) {
        return;
    }
    TControl* previous = std::exchange(active_, control);
    if (control->kind() == ControlKind::edit) {
        static_cast<TEdit*>(control)->selectAll();
    }
    if (previous != nullptr) {
        previous->changed(Aspect::focus);
    }
    control->changed(Aspect::focus);
}

void TForm::create() {
    app_.loop().dispatch([this] {
        if (OnCreate) {
            OnCreate(this);
        }
    });
}

void TForm::close() {
    TCloseAction action = caHide;
    if (OnClose) {
        OnClose(this, action);
    }
    if (action != caNone) {
        app_.terminate();
    }
}

void TForm::operatorClose() {
    app_.loop().dispatch([this] { close(); });
}

void TForm::destroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    app_.loop().dispatch([this] {
        if (OnDestroy) {
            OnDestroy(this);
        }
    });
}

}  // namespace tk

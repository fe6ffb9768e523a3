// One binding per control model: it owns the model's view hook, keeps the widget in step with
// the model (signals blocked, so nothing echoes back), and turns the operator's input on the
// widget into the model's operator*() calls. The widget itself belongs to its Qt parent.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "toolkit/controls.h"

namespace tkqt {

// What the bindings of one form view share.
class ViewState {
  public:
    explicit ViewState(tk::TForm& form) : form(form) {}
    tk::TForm& form;

    // Every entry from Qt: an error that escapes is reported, never thrown into Qt.
    void enter(const std::function<void()>& input) const {
        form.application().loop().dispatch(input);
    }

    // True while the view copies model state into widgets: what Qt does in reaction (a focus
    // moved off a widget being disabled, say) is not the operator's doing.
    bool applyingModel = false;
};

class ControlBinding : public QObject {
  public:
    ControlBinding(ViewState& view, tk::TControl& model, QWidget* widget);
    ~ControlBinding() override;
    ControlBinding(const ControlBinding&) = delete;
    ControlBinding& operator=(const ControlBinding&) = delete;

    tk::TControl& model() const { return model_; }
    QWidget* widget() const { return widget_; }

    // Copies every aspect of the model into the widget.
    void applyAll();

  protected:
    void apply(tk::Aspect aspect);
    virtual void applyOwn(tk::Aspect aspect) = 0;
    // Input events of the widget kind; true consumes the event.
    virtual bool filterInput(QEvent* event);
    bool eventFilter(QObject* watched, QEvent* event) override;

    ViewState& view_;

  private:
    tk::TControl& model_;
    QPointer<QWidget> widget_;
};

// Builds the widget for `model` under `parent` and binds the two.
std::unique_ptr<ControlBinding> bindControl(ViewState& view, tk::TControl& model, QWidget* parent);

}  // namespace tkqt

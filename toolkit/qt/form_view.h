// The window on screen: one widget per control model of a form, at its designed place and
// size, kept in step with the model; the operator's clicks, keys and edits go to the models'
// operator*() calls, never into the models directly.
//
// The view must not outlive the form and its controls. Build it after the form's controls.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "toolkit/controls.h"

namespace tkqt {

class ControlBinding;
class ViewState;

class QtFormView {
  public:
    explicit QtFormView(tk::TForm& form);
    ~QtFormView();
    QtFormView(const QtFormView&) = delete;
    QtFormView& operator=(const QtFormView&) = delete;

    // Places the window as designed (left, top, outer width and height) and shows it.
    void show();

    QWidget* window() const;
    QWidget* widgetOf(const tk::TControl& control) const;

    // Draws at once the log lines held back for the next frame (tests and benchmarks look at
    // the drawn state without waiting for a frame).
    void flushLogs();

  private:
    class Window;

    tk::TForm& form_;
    std::unique_ptr<ViewState> state_;
    std::unique_ptr<Window> window_;
    std::vector<std::unique_ptr<ControlBinding>> bindings_;
};

}  // namespace tkqt

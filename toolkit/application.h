// The application object: title, message boxes, and the general error report that every
// outermost event runs under.
#pragma once

#include <functional>
#include <string>

#include "toolkit/event_loop.h"
#include "toolkit/message_boxes.h"

namespace tk {

class Application : public EventGuard {
  public:
    Application(EventLoop& loop, MessageBoxes& boxes);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    EventLoop& loop() { return loop_; }
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

    // Shows a modal box with the title its kind calls for.
    void messageBox(BoxKind kind, const std::string& text);

    // An error that escapes `handler` ends it where it was raised; what it did stays done, and
    // the error's text followed by "." is shown in the error report box.
    void runEvent(const std::function<void()>& handler) noexcept override;

    // Ends the event loop (the main window has closed).
    void terminate() { loop_.quit(); }

  private:
    EventLoop& loop_;
    MessageBoxes& boxes_;
    std::string title_ = "QM47";  // the program's name, until it sets its own
};

}  // namespace tk

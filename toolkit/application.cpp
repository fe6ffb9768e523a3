#include "toolkit/application.h"

#include <exception>

namespace tk {

Application::Application(EventLoop& loop, MessageBoxes& boxes) : loop_(loop), boxes_(boxes) {
    loop_.setGuard(this);
}

Application::~Application() {
    loop_.setGuard(nullptr);
}

void Application::messageBox(BoxKind kind, const std::string& text) {
    switch (kind) {
        case BoxKind::warning:
            boxes_.show(kind, "Warning", text);
            return;
        case BoxKind::error:
            boxes_.show(kind, "Error", text);
            return;
        case BoxKind::plain:
        case BoxKind::errorReport:
            boxes_.show(kind, title_, text);
            return;
    }
}

void Application::runEvent(const std::function<void()>& handler) noexcept {
    std::string report;
    try {
        handler();
        return;
    } catch (const std::exception& e) {
        report = e.what();
    } catch (...) {
        report = "Unknown error";
    }
    // The box is modal and may itself run handlers; an error from there is reported in turn.
    try {
        messageBox(BoxKind::errorReport, report + ".");
    } catch (...) {
    }
}

}  // namespace tk

// Modal message boxes behind a seam: the Qt boxes in the program, recording boxes in tests.
#pragma once

#include <string>

namespace tk {

enum class BoxKind {
    plain,        // application title, no icon
    warning,      // "Warning", exclamation icon
    error,        // "Error", stop icon
    errorReport,  // application title, stop icon: an error that escaped a handler
};

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Returns when the operator has closed the box; the loop keeps running meanwhile.
    // A carriage return alone in `text` starts a new line.
    virtual void show(BoxKind kind, const std::string& title, const std::string& text) = 0;
};

}  // namespace tk

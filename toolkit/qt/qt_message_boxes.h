// Real modal message boxes. The box's own nested loop keeps the program's timers and socket
// notifiers running while it is open; the main window takes no input meanwhile.
#pragma once

#include "toolkit/message_boxes.h"

namespace tkqt {

class QtMessageBoxes : public tk::MessageBoxes {
  public:
    // Plain text only (never markup), one OK button, centred on the screen; plain has no icon,
    // warning the exclamation icon, error and the error report the stop icon.
    void show(tk::BoxKind kind, const std::string& title, const std::string& text) override;
};

}  // namespace tkqt

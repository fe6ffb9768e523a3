// The eight output switches and the pattern run. Every change of a switch, by the operator or
// by the run, sends one write-outputs frame with the state of all eight.
#include "app/qm47_form.h"
#include "protocol/frames.h"

void TQM47f1::WriteLEDs() {
    std::uint8_t mask = 0;
    const auto leds = LEDs();
    for (int i = 0; i < 8; ++i) {
        if (leds[i]->checked()) {
            mask |= static_cast<std::uint8_t>(1U << i);
        }
    }
    SendOutputFrame(mask);
}

void TQM47f1::SendOutputFrame(std::uint8_t mask) {
    ClientSocket.sendStr(protocol::writeOutputsFrame(mask));
}

void TQM47f1::LED0Click(tk::TObject* /*Sender*/) {
    WriteLEDs();
}

void TQM47f1::buPrettyPatternClick(tk::TObject* /*Sender*/) {
    buPrettyPattern.setEnabled(false);
    buConnect.setEnabled(false);
    const auto leds = LEDs();
    for (int i = 1; i < 8; ++i) {
        leds[i]->setChecked(false);
    }
    LED0.setChecked(true);
    PatternBit = 1;
    Timer2.setEnabled(true);
}

void TQM47f1::Timer2Timer(tk::TObject* /*Sender*/) {
    const std::int32_t p = PatternBit;
    SendOutputFrame(static_cast<std::uint8_t>(p));
    const auto leds = LEDs();
    for (int j = 0; j < 7; ++j) {
        if (p == (1 << j)) {
            leds[j]->setChecked(false);
            leds[j + 1]->setChecked(true);
        }
    }
    if (p != 128) {
        PatternBit = 2 * p;
        return;
    }
    // The eighth step: the run ends by itself, whether or not a session is still open.
    Timer2.setEnabled(false);
    buPrettyPattern.setEnabled(true);
    LED0.setChecked(false);
    buConnect.setEnabled(true);
    LED7.setChecked(false);
}

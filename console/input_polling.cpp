// Reading the inputs: once, or every 250 ms while "Read Repeatedly" is ticked. Every attempted
// request flips the tick-tock light, sent or not; the answer comes back through the decoder.
#include "app/qm47_form.h"
#include "protocol/frames.h"

void TQM47f1::ReadInputs() {
    ClientSocket.sendStr(protocol::kReadInputsRequest);
}

void TQM47f1::buReadInputsClick(tk::TObject* /*Sender*/) {
    ReadInputs();
    ToggleTickTock();
}

void TQM47f1::cbReadRepeatedlyClick(tk::TObject* /*Sender*/) {
    if (cbReadRepeatedly.checked()) {
        buReadInputs.setEnabled(false);
        Timer1.setEnabled(true);
    } else {
        Timer1.setEnabled(false);
        buReadInputs.setEnabled(true);
    }
}

void TQM47f1::Timer1Timer(tk::TObject* /*Sender*/) {
    ReadInputs();
    ToggleTickTock();
}

void TQM47f1::ToggleTickTock() {
    shTickTock.setBrushColor(shTickTock.brushColor() == tk::clRed ? tk::clBlue : tk::clRed);
}

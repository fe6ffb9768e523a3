// The operator's free-form send: the text box's characters as typed, or with HEX ticked the
// bytes its hexadecimal pairs spell.
#include <string>

#include "app/qm47_form.h"
#include "protocol/hex_text.h"

namespace {

const char* const kHexSyntaxError =
    "Error in HEX string: It must consist of TWO hexa digits\r"
    "followed by a space, repeated as many times as you like.\r"
    "ff fa 2c 32 00 ff f0 will read the inputs.";

// The focus goes back to the text box however the send ends, an error included.
class FocusBack {
  public:
    explicit FocusBack(tk::TEdit& box) : box_(box) {}
    ~FocusBack() { box_.setFocus(); }
    FocusBack(const FocusBack&) = delete;
    FocusBack& operator=(const FocusBack&) = delete;

  private:
    tk::TEdit& box_;
};

}  // namespace

void TQM47f1::SendBtnClick(tk::TObject* /*Sender*/) {
    std::string bytes = SendTxt.text();
    const FocusBack focusBack(SendTxt);
    if (SendHex.checked() && !protocol::HexTextToBytes(bytes, bytes)) {
        application().messageBox(tk::BoxKind::error, kHexSyntaxError);
        return;
    }
    // Unchanged: no line end, no trimming, no Telnet escaping.
    ClientSocket.sendStr(bytes);
}

void TQM47f1::SendTxtKeyPress(tk::TObject* Sender, char& Key) {
    if (Key == '\r') {
        SendBtnClick(Sender);
        Key = 0;
    }
}

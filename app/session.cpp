// The connection session: the address and port checks, connecting and disconnecting, the
// socket's notifications, and the AYT probe.
#include <exception>
#include <string>

#include "app/address_check.h"
#include "app/qm47_form.h"
#include "protocol/frames.h"
#include "toolkit/error.h"
#include "toolkit/net/winsock_errors.h"

namespace {

const char* const kAbortWarning =
    "I/O Controller disconnected after socket timeout.\r"
    "If you wish to prevent this, turn on the \"NVT Keep connection\"\r"
    "I/O Controller feature and \"NVT filter\" in this program.";

}  // namespace

bool TQM47f1::IsValidIPAddress(const std::string& Text) {
    return isValidIPAddressText(Text);
}

void TQM47f1::IPAddressChange(tk::TObject* /*Sender*/) {
    if (buConnect.caption() != "&Connect") {
        return;  // a live session: editing the address changes nothing
    }
    buConnect.setEnabled(IsValidIPAddress(IPAddress.text()));
}

void TQM47f1::IPPortChange(tk::TObject* /*Sender*/) {
    const std::string& port = IPPort.text();
    refuseLongText(port);
    const bool passes = !port.empty() && port.find_first_not_of("0123456789") == std::string::npos;
    buConnect.setEnabled(passes);
}

void TQM47f1::buConnectClick(tk::TObject* /*Sender*/) {
    if (ClientSocket.state() == tk::net::wsClosed) {
        ClientSocket.setAddr(IPAddress.text());
        ClientSocket.setPort(IPPort.text());
        ClientSocket.setProto("TCP");
        ClientSocket.connect();
        SendTxt.setFocus();
        return;
    }

    ClientSocket.close();
    buConnect.setCaption("&Connect");
    // An over-long address fails its check, but the session must still wind down, or the
    // window would show live controls over a closed socket; the error is reported after.
    std::exception_ptr checkFailure;
    try {
        if (!IsValidIPAddress(IPAddress.text())) {
            buConnect.setEnabled(false);
        }
    } catch (const tk::Error&) {
        checkFailure = std::current_exception();
    }
    Timer1.setEnabled(false);
    cbReadRepeatedly.setChecked(false);
    EnableIOControls(false);
    for (tk::TShape* indicator : TBs()) {
        indicator->setBrushColor(tk::clGray);
    }
    if (checkFailure) {
        std::rethrow_exception(checkFailure);
    }
}

void TQM47f1::ClientSocketSessionConnected(tk::TObject* /*Sender*/, std::uint16_t /*ErrCode*/) {
    buConnect.setCaption("&Disconnect");
    EnableIOControls(true);
    ClientSocket.sendStr(protocol::kAytProbe);
}

void TQM47f1::ClientSocketSessionClosed(tk::TObject* /*Sender*/, std::uint16_t /*ErrCode*/) {
    buConnect.setCaption("&Connect");
    EnableIOControls(false);
}

void TQM47f1::ClientSocketError(tk::TObject* Sender) {
    const int number = ClientSocket.lastError();
    Memo.append("Socket error: " + std::to_string(number));
    if (number != tk::net::WSAECONNABORTED) {
        return;
    }
    buConnectClick(Sender);
    application().messageBox(tk::BoxKind::warning, kAbortWarning);
}

void TQM47f1::AYTBtnClick(tk::TObject* /*Sender*/) {
    ClientSocket.sendStr(protocol::kAytProbe);
}

void TQM47f1::EnableIOControls(bool On) {
    tk::TControl* const sessionControls[] = {
        &SendBtn, &AYTBtn, &buReadInputs,     &LED0,           &LED1, &LED2, &LED3, &LED4, &LED5,
        &LED6,    &LED7,   &cbReadRepeatedly, &buPrettyPattern};
    for (tk::TControl* control : sessionControls) {
        control->setEnabled(On);
    }
}

// The connection session: the address and port checks, connecting and disconnecting, the
// socket's notifications, and the AYT probe.
#include <exception>
#include <string>

#include "app/qm47_form.h"
#include "protocol/frames.h"
#include "toolkit/error.h"
#include "toolkit/int_text.h"
#include "toolkit/net/winsock_errors.h"

namespace {

constexpr std::size_t kLongestCheckedText = 255;
constexpr std::size_t kFieldKeeps = 4;

const char* const kAbortWarning =
    "I/O Controller disconnected after socket timeout.\r"
    "If you wish to prevent this, turn on the \"NVT Keep connection\"\r"
    "I/O Controller feature and \"NVT filter\" in this program.";

void refuseLongText(const std::string& text) {
    if (text.size() > kLongestCheckedText) {
        throw tk::Error("Range check error");
    }
}

}  // namespace

bool TQM47f1::IsValidIPAddress(const std::string& Text) {
    refuseLongText(Text);
    std::size_t pos = 0;
    for (int field = 1; field <= 4; ++field) {
        std::string taken;
        if (field < 4) {
            const std::size_t dot = Text.find('.', pos);
            const std::size_t end = dot == std::string::npos ? Text.size() : dot;
            taken = Text.substr(pos, end - pos);
            pos = dot == std::string::npos ? Text.size() : dot + 1;
        } else {
            taken = Text.substr(pos);  // the rest, dots included
        }
        // A field keeps its first four characters; the rest is dropped unseen.
        const auto value = tk::parseInteger(std::string_view(taken).substr(0, kFieldKeeps));
        if (!value || *value < 0 || *value > 255) {
            return false;
        }
    }
    return true;
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
    const bool passes =
        !port.empty() && port.find_first_not_of("0123456789") == std::string::npos;
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

void TQM47f1::AYTBtnClick(tk::TObject* /*Sender*/) { ClientSocket.sendStr(protocol::kAytProbe); }

void TQM47f1::EnableIOControls(bool On) {
    tk::TControl* const sessionControls[] = {
        &SendBtn, &AYTBtn, &buReadInputs, &LED0, &LED1, &LED2, &LED3,
        &LED4,    &LED5,   &LED6,         &LED7, &cbReadRepeatedly, &buPrettyPattern};
    for (tk::TControl* control : sessionControls) {
        control->setEnabled(On);
    }
}

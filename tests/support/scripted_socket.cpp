#include "tests/support/scripted_socket.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "toolkit/net/winsock_errors.h"

namespace testsupport {

std::string toHex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : bytes) {
        if (!hex.empty()) {
            hex += ' ';
        }
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

void ScriptedSocket::connect() {
    calls.push_back("connect " + addr() + ":" + port() + " " + proto());
    state_ = tk::net::wsConnecting;
}

void ScriptedSocket::close() {
    calls.emplace_back("close");
    state_ = tk::net::wsClosed;
}

int ScriptedSocket::sendStr(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    if (state_ != tk::net::wsConnected) {
        failInside(tk::net::WSAENOTCONN);
        return -1;
    }
    calls.push_back("send " + toHex(bytes));
    sends.emplace_back(bytes);
    if (onSend) {
        onSend(bytes);
    }
    return static_cast<int>(bytes.size());
}

int ScriptedSocket::receive(void* buffer, int size) {
    if (receiveOverride) {
        auto override = std::exchange(receiveOverride, nullptr);
        return override();
    }
    const auto n = std::min<std::size_t>(inbox.size(), static_cast<std::size_t>(std::max(size, 0)));
    if (n == 0) {
        return 0;
    }
    std::memcpy(buffer, inbox.data(), n);
    inbox.erase(0, n);
    return static_cast<int>(n);
}

void ScriptedSocket::raiseConnected(std::uint16_t errCode) {
    state_ = tk::net::wsConnected;
    loop_.dispatch([this, errCode] {
        if (OnSessionConnected) {
            OnSessionConnected(this, errCode);
        }
    });
}

void ScriptedSocket::raiseClosed(std::uint16_t errCode) {
    state_ = tk::net::wsClosed;
    loop_.dispatch([this, errCode] {
        if (OnSessionClosed) {
            OnSessionClosed(this, errCode);
        }
    });
}

void ScriptedSocket::raiseError(int number) {
    loop_.dispatch([this, number] { failInside(number); });
}

void ScriptedSocket::failInside(int number) {
    lastError_ = number;
    if (OnError) {
        OnError(this);
    }
}

void ScriptedSocket::raiseData(std::string_view bytes) {
    inbox.append(bytes);
    if (inDataHandler_) {
        offerPending_ = true;
        return;
    }
    offerData();
}

void ScriptedSocket::offerData() {
    do {
        offerPending_ = false;
        inDataHandler_ = true;
        loop_.dispatch([this] {
            if (OnDataAvailable) {
                OnDataAvailable(this, 0);
            }
        });
        inDataHandler_ = false;
    } while (offerPending_);
}

void ScriptedSocket::drain(int limit) {
    for (int i = 0; i < limit && !inbox.empty(); ++i) {
        offerData();
    }
}

std::string ScriptedSocket::wire() const {
    std::string all;
    for (const auto& send : sends) {
        all += send;
    }
    return all;
}

}  // namespace testsupport

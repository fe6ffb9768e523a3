// The asynchronous TCP client socket the window talks through, behind an interface so the
// window takes either the real socket (tcp_socket.h) or a scripted one in tests.
//
// What every implementation keeps:
// - connect() never blocks and never notifies inside itself: the outcome comes later;
// - sendStr() queues all bytes in order and returns at once; without a connection it sends
//   nothing and raises OnError with LastError 10057 before it returns; zero bytes do nothing;
// - OnError runs inside the failing operation; OnSessionClosed comes once when the peer or the
//   network ends a live session, never after the program's own close();
// - OnDataAvailable is never re-entered, and comes again while unread bytes remain.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "toolkit/controls.h"

namespace tk::net {

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsSocksConnected,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed,
};

using TSessionEvent = std::function<void(TObject* Sender, std::uint16_t ErrCode)>;
using TDataAvailable = std::function<void(TObject* Sender, std::uint16_t ErrCode)>;

class TWSocket : public TObject {
  public:
    // Blanks at both ends are removed, as the window relies on.
    void setAddr(std::string_view addr) { addr_ = trimmed(addr); }
    void setPort(std::string_view port) { port_ = trimmed(port); }
    void setProto(std::string_view proto) { proto_ = trimmed(proto); }
    const std::string& addr() const { return addr_; }
    const std::string& port() const { return port_; }
    const std::string& proto() const { return proto_; }

    virtual TSocketState state() const = 0;
    virtual int lastError() const = 0;

    // Starts an attempt at addr:port and returns at once.
    virtual void connect() = 0;
    // Resets a live connection at once (linger 0) or abandons an attempt; nothing when closed.
    virtual void close() = 0;
    // Bytes queued (all of them), 0 for an empty string, -1 when refused (after OnError).
    virtual int sendStr(std::string_view bytes) = 0;
    // Copies up to `size` waiting bytes; 0 or less when nothing was read. Raises no event.
    virtual int receive(void* buffer, int size) = 0;

    TSessionEvent OnSessionConnected;
    TSessionEvent OnSessionClosed;
    TDataAvailable OnDataAvailable;
    TNotifyEvent OnError;

  protected:
    static std::string trimmed(std::string_view text) {
        const auto first = text.find_first_not_of(' ');
        if (first == std::string_view::npos) {
            return {};
        }
        const auto last = text.find_last_not_of(' ');
        return std::string(text.substr(first, last - first + 1));
    }

  private:
    std::string addr_;
    std::string port_;
    std::string proto_ = "tcp";
};

}  // namespace tk::net

// A socket whose notifications the test raises itself, in any order, also from inside a send
// (onSend). It records every operation and every byte sent.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/event_loop.h"
#include "toolkit/net/wsocket.h"

namespace testsupport {

class ScriptedSocket : public tk::net::TWSocket {
  public:
    explicit ScriptedSocket(tk::EventLoop& loop) : loop_(loop) {}

    tk::net::TSocketState state() const override { return state_; }
    int lastError() const override { return lastError_; }
    void connect() override;
    void close() override;
    int sendStr(std::string_view bytes) override;
    int receive(void* buffer, int size) override;

    // Events, each as the loop would deliver it (under the general error report).
    void raiseConnected(std::uint16_t errCode = 0);
    void raiseClosed(std::uint16_t errCode = 0);
    void raiseError(int number);
    // Queues bytes from the peer and raises data available once. Like the real socket, it never
    // re-enters the handler: bytes that come while it runs are offered after it returns.
    void raiseData(std::string_view bytes);
    // Raises data available until every queued byte has been read (at most `limit` times).
    void drain(int limit = 10000);
    // Inside a running handler (for example from onSend): the notification runs nested.
    void failInside(int number);

    // The operations, in order: "connect <addr>:<port> <proto>", "close", "send <hex>".
    std::vector<std::string> calls;
    // Every accepted send, one entry per call.
    std::vector<std::string> sends;
    std::string wire() const;
    // Runs inside every accepted send, after it was recorded.
    std::function<void(std::string_view)> onSend;
    // What receive() hands out; tests may also fill it directly.
    std::string inbox;
    // Makes the next receive return this (e.g. 0 or -1) instead of reading the inbox.
    std::function<int()> receiveOverride;

    void setState(tk::net::TSocketState state) { state_ = state; }

  private:
    void offerData();

    tk::EventLoop& loop_;
    bool inDataHandler_ = false;
    bool offerPending_ = false;
    tk::net::TSocketState state_ = tk::net::wsClosed;
    int lastError_ = 0;
};

std::string toHex(std::string_view bytes);

}  // namespace testsupport

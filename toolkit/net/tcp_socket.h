// The real TWSocket: a non-blocking POSIX TCP client driven by the event loop. One thread, no
// DNS, no SIGPIPE (every send uses MSG_NOSIGNAL).
//
// Choices beyond the TWSocket contract:
// - the address must be a dotted quad of four whole fields, each read by tk::parseInteger and
//   0..255, else 11001; the port is read the same way and must be 1..65535, else 10049. Both
//   come through OnError after connect() returns, State staying wsConnecting until then;
// - Proto other than "tcp" (any case), or connect() on a socket that is not closed, throws
//   tk::Error: a fault of the caller, for the general error report;
// - a failed attempt (refused, unreachable, time-out) raises OnError only, never
//   OnSessionConnected, and leaves State at wsClosed;
// - a send while an attempt is pending is refused with 10057; the attempt goes on;
// - a live connection that fails raises OnError with State still wsConnected; then, unless the
//   handler closed the socket, a posted call closes it and raises OnSessionClosed. Until then
//   nothing is read and sends are refused with 10057;
// - the peer's orderly close is noticed only once every byte before it was read, so
//   OnSessionClosed always follows the last OnDataAvailable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/event_loop.h"
#include "toolkit/net/wsocket.h"

namespace tk::net {

class TcpSocket final : public TWSocket {
  public:
    // The loop must outlive the socket.
    explicit TcpSocket(tk::EventLoop& loop);
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    TSocketState state() const override { return state_; }
    int lastError() const override { return lastError_; }

    void connect() override;
    void close() override;
    int sendStr(std::string_view bytes) override;
    int receive(void* buffer, int size) override;

    // How long an attempt may take before it fails with 10060 (a loop timer).
    void setConnectTimeout(tk::Millis timeout) { connectTimeout_ = timeout; }
    tk::Millis connectTimeout() const { return connectTimeout_; }

    // The descriptor, -1 when there is none (HSocket of the component).
    int handle() const { return fd_; }
    // Bytes taken by sendStr that the kernel has not accepted yet.
    std::size_t pendingOutput() const { return out_.size() - outHead_; }

  private:
    // Alive from connect() to close(); posted calls and code that runs after a handler hold a
    // weak reference, so they never touch a closed session or a destroyed socket.
    using Session = std::shared_ptr<const char>;
    using SessionRef = std::weak_ptr<const char>;

    void failAttemptLater(int number);
    void failAttempt(int number);
    void onReady(unsigned ready);
    void finishConnect();
    void onReadable();
    void afterOffer();
    void flush();
    void failLive(int number);
    void endSession(std::uint16_t errCode);
    void updateWatch();
    void release();

    tk::EventLoop& loop_;
    TSocketState state_ = wsClosed;
    int lastError_ = 0;
    tk::Millis connectTimeout_{15000};

    int fd_ = -1;
    Session session_;
    tk::EventLoop::Handle watch_ = 0;
    tk::EventLoop::Handle timer_ = 0;

    std::string out_;
    std::size_t outHead_ = 0;

    bool offering_ = false;  // OnDataAvailable runs, or its repeat is posted: read watch off
    bool broken_ = false;    // the live connection failed; its end is posted
    bool peerEof_ = false;   // receive() met the peer's orderly close
    int peerErrno_ = 0;      // receive() met this failure
};

}  // namespace tk::net

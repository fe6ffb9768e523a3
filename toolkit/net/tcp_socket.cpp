#include "toolkit/net/tcp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <utility>

#include "toolkit/error.h"
#include "toolkit/int_text.h"
#include "toolkit/net/winsock_errors.h"

namespace tk::net {

namespace {

// Four whole fields; the fourth takes the rest of the text, so "1.2.3.4.5" fails on "4.5".
std::optional<in_addr_t> parseDottedQuad(std::string_view text) {
    std::uint32_t address = 0;
    for (int field = 0; field < 4; ++field) {
        const auto dot = field < 3 ? text.find('.') : std::string_view::npos;
        if (field < 3 && dot == std::string_view::npos) {
            return std::nullopt;
        }
        const auto value = tk::parseInteger(text.substr(0, dot));
        if (!value || *value < 0 || *value > 255) {
            return std::nullopt;
        }
        address = (address << 8) | static_cast<std::uint32_t>(*value);
        text.remove_prefix(dot == std::string_view::npos ? text.size() : dot + 1);
    }
    return htonl(address);
}

std::optional<in_port_t> parsePort(std::string_view text) {
    const auto value = tk::parseInteger(text);
    if (!value || *value < 1 || *value > 65535) {
        return std::nullopt;
    }
    return htons(static_cast<std::uint16_t>(*value));
}

bool isTcp(std::string_view proto) {
    if (proto.size() != 3) {
        return false;
    }
    const char want[] = "tcp";
    for (std::size_t i = 0; i < 3; ++i) {
        if ((proto[i] | 0x20) != want[i]) {
            return false;
        }
    }
    return true;
}

bool wouldBlock(int err) {
    return err == EAGAIN || err == EWOULDBLOCK;
}

// Runs `handler`, then `after` also when the handler throws (the loop's guard reports the
// error, but the socket must not stay deaf or half-failed because of it).
template <class Handler, class After>
void raiseThen(Handler&& handler, After&& after) {
    try {
        handler();
    } catch (...) {
        after();
        throw;
    }
    after();
}

}  // namespace

TcpSocket::TcpSocket(tk::EventLoop& loop) : loop_(loop) {}

TcpSocket::~TcpSocket() {
    release();
}

void TcpSocket::connect() {
    if (state_ != wsClosed) {
        throw tk::Error("Socket is already open");
    }
    if (!isTcp(proto())) {
        throw tk::Error("Unsupported protocol \"" + proto() + "\"");
    }
    session_ = std::make_shared<const char>('\0');
    state_ = wsConnecting;

    const auto address = parseDottedQuad(addr());
    if (!address) {
        failAttemptLater(WSAHOST_NOT_FOUND);
        return;
    }
    const auto portNumber = parsePort(port());
    if (!portNumber) {
        failAttemptLater(WSAEADDRNOTAVAIL);
        return;
    }
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        failAttemptLater(winsockConnectErrorFromErrno(errno));
        return;
    }
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // Linger 0: close() resets at once instead of draining what is queued.
    const linger resetOnClose{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose);

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = *address;
    peer.sin_port = *portNumber;
    // EINTR leaves the attempt going on asynchronously, like EINPROGRESS; an immediate 0 is
    // still reported through the loop, since connect() never notifies.
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0 &&
        errno != EINPROGRESS && errno != EINTR) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        failAttemptLater(winsockConnectErrorFromErrno(err));
        return;
    }
    watch_ = loop_.watchFd(fd_, tk::EventLoop::ioWrite, [this](unsigned ready) { onReady(ready); });
    timer_ = loop_.startTimer(connectTimeout_, [this] { failAttempt(WSAETIMEDOUT); });
}

void TcpSocket::close() {
    if (state_ != wsClosed) {
        release();
    }
}

int TcpSocket::sendStr(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    if (state_ != wsConnected || broken_) {
        lastError_ = WSAENOTCONN;
        if (OnError) {
            OnError(this);
        }
        return -1;
    }
    out_.append(bytes);
    const SessionRef session = session_;
    flush();
    // A failure inside flush() has already run OnError, which may have closed or even
    // destroyed the socket: look at nothing of it before checking.
    if (session.expired() || broken_) {
        return -1;
    }
    return static_cast<int>(bytes.size());
}

int TcpSocket::receive(void* buffer, int size) {
    if (state_ != wsConnected || broken_ || buffer == nullptr) {
        return -1;
    }
    if (size <= 0) {
        return 0;
    }
    // Once met, the end stays: the kernel reports a socket error only once.
    if (peerErrno_ != 0) {
        return -1;
    }
    if (peerEof_) {
        return 0;
    }
    ssize_t n = 0;
    do {
        n = ::recv(fd_, buffer, static_cast<std::size_t>(size), MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        return static_cast<int>(n);
    }
    if (n == 0) {
        peerEof_ = true;
        return 0;
    }
    if (!wouldBlock(errno)) {
        peerErrno_ = errno;
    }
    return -1;
}

void TcpSocket::failAttemptLater(int number) {
    loop_.post([this, session = SessionRef(session_), number] {
        if (!session.expired()) {
            failAttempt(number);
        }
    });
}

void TcpSocket::failAttempt(int number) {
    release();
    lastError_ = number;
    if (OnError) {
        OnError(this);
    }
}

void TcpSocket::onReady(unsigned ready) {
    if (state_ == wsConnecting) {
        finishConnect();
        return;
    }
    if (state_ != wsConnected || broken_) {
        return;
    }
    const SessionRef session = session_;
    if ((ready & tk::EventLoop::ioWrite) != 0) {
        flush();
        if (session.expired() || broken_) {
            return;
        }
    }
    if ((ready & tk::EventLoop::ioRead) != 0 && !offering_) {
        onReadable();
    }
}

void TcpSocket::finishConnect() {
    int err = 0;
    socklen_t length = sizeof err;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &length) != 0) {
        err = errno;
    }
    if (err == 0) {
        // No pending error is not yet proof of a connection: only a known peer is.
        sockaddr_in peer{};
        socklen_t peerLength = sizeof peer;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0) {
            return;  // still under way; the time-out bounds it
        }
    }
    if (err != 0) {
        failAttempt(winsockConnectErrorFromErrno(err));
        return;
    }
    loop_.stopTimer(timer_);
    timer_ = 0;
    state_ = wsConnected;
    updateWatch();
    if (OnSessionConnected) {
        OnSessionConnected(this, 0);
    }
}

void TcpSocket::onReadable() {
    // receive() may have met the end outside a handler; the kernel will not report it again.
    if (peerErrno_ != 0 || peerEof_) {
        afterOffer();
        return;
    }
    // Peek first so the peer's close (or reset) with nothing left to read ends the session
    // here, instead of an offer that receives nothing.
    char probe = 0;
    ssize_t n = 0;
    do {
        n = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n == 0) {
        endSession(0);
        return;
    }
    if (n < 0) {
        if (!wouldBlock(errno)) {
            failLive(winsockErrorFromErrno(errno));
        }
        return;
    }
    // The watch stays off while the handler runs (a modal box inside it must neither re-enter
    // it nor spin on the still-readable descriptor) and until the posted repeat, which comes
    // after the events already waiting so a chatty peer never starves the loop.
    offering_ = true;
    updateWatch();
    const SessionRef session = session_;
    raiseThen(
        [&] {
            if (OnDataAvailable) {
                OnDataAvailable(this, 0);
            }
        },
        [&] {
            if (!session.expired()) {
                loop_.post([this, session] {
                    if (!session.expired()) {
                        afterOffer();
                    }
                });
            }
        });
}

void TcpSocket::afterOffer() {
    offering_ = false;
    if (peerErrno_ != 0) {
        failLive(winsockErrorFromErrno(peerErrno_));
    } else if (peerEof_) {
        endSession(0);
    } else {
        updateWatch();
    }
}

void TcpSocket::flush() {
    while (outHead_ < out_.size()) {
        const ssize_t n = ::send(fd_, out_.data() + outHead_, out_.size() - outHead_,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            outHead_ += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n == 0 || wouldBlock(errno)) {
            break;
        } else {
            failLive(winsockErrorFromErrno(errno));
            return;
        }
    }
    if (outHead_ == out_.size()) {
        out_.clear();
        outHead_ = 0;
    } else if (outHead_ > out_.size() / 2) {
        out_.erase(0, outHead_);
        outHead_ = 0;
    }
    updateWatch();
}

void TcpSocket::failLive(int number) {
    broken_ = true;
    lastError_ = number;
    updateWatch();
    // State is still wsConnected while OnError runs, so the window takes its disconnect steps
    // on 10053. If the handler leaves the socket open, the network has ended the session.
    const SessionRef session = session_;
    raiseThen(
        [&] {
            if (OnError) {
                OnError(this);
            }
        },
        [&] {
            if (!session.expired()) {
                loop_.post([this, session, number] {
                    if (!session.expired()) {
                        endSession(static_cast<std::uint16_t>(number));
                    }
                });
            }
        });
}

void TcpSocket::endSession(std::uint16_t errCode) {
    release();
    if (OnSessionClosed) {
        OnSessionClosed(this, errCode);
    }
}

void TcpSocket::updateWatch() {
    if (watch_ == 0) {
        return;
    }
    unsigned events = tk::EventLoop::ioNone;
    if (state_ == wsConnecting) {
        events = tk::EventLoop::ioWrite;
    } else if (state_ == wsConnected && !broken_) {
        if (!offering_) {
            events |= tk::EventLoop::ioRead;
        }
        if (outHead_ < out_.size()) {
            events |= tk::EventLoop::ioWrite;
        }
    }
    loop_.setWatchEvents(watch_, events);
}

void TcpSocket::release() {
    if (watch_ != 0) {
        loop_.unwatchFd(watch_);
        watch_ = 0;
    }
    if (timer_ != 0) {
        loop_.stopTimer(timer_);
        timer_ = 0;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    session_.reset();
    out_.clear();
    outHead_ = 0;
    offering_ = false;
    broken_ = false;
    peerEof_ = false;
    peerErrno_ = 0;
    state_ = wsClosed;
}

}  // namespace tk::net

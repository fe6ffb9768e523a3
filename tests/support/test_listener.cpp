#include "tests/support/test_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace testsupport {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A non-blocking socket bound to 127.0.0.1 at a port the kernel picks; returns the port.
int boundSocket(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        fail("socket");
    }
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        fail("bind");
    }
    port = ntohs(address.sin_port);
    return fd;
}

int listening(std::uint16_t& port, int backlog) {
    const int fd = boundSocket(port);
    if (::listen(fd, backlog) != 0) {
        ::close(fd);
        fail("listen");
    }
    return fd;
}

}  // namespace

TestListener::TestListener(tk::EventLoop& loop) : loop_(loop) {
    listener_ = listening(port_, SOMAXCONN);
    listenWatch_ =
        loop_.watchFd(listener_, tk::EventLoop::ioRead, [this](unsigned) { acceptAll(); });
}

TestListener::~TestListener() {
    if (client_ >= 0) {
        dropClient(ClientEnd::none);
    }
    loop_.unwatchFd(listenWatch_);
    ::close(listener_);
}

void TestListener::setReceiveBuffer(int bytes) {
    ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void TestListener::setReading(bool on) {
    reading_ = on;
    updateClientWatch();
}

void TestListener::send(std::string_view bytes) {
    out_.append(bytes);
    flushClient();
}

void TestListener::closeClient() {
    closing_ = true;
    flushClient();
}

void TestListener::resetClient() {
    if (client_ < 0) {
        return;
    }
    const linger reset{1, 0};
    ::setsockopt(client_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    dropClient(ClientEnd::none);
}

void TestListener::acceptAll() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (client_ >= 0) {
            dropClient(ClientEnd::none);
        }
        client_ = fd;
        ++accepted_;
        clientEnd_ = ClientEnd::none;
        closing_ = false;
        shutDown_ = false;
        out_.clear();
        clientWatch_ = loop_.watchFd(client_, tk::EventLoop::ioNone,
                                     [this](unsigned ready) { onClientReady(ready); });
        updateClientWatch();
    }
}

void TestListener::onClientReady(unsigned ready) {
    if ((ready & tk::EventLoop::ioWrite) != 0) {
        flushClient();
    }
    if ((ready & tk::EventLoop::ioRead) != 0 && client_ >= 0) {
        readClient();
    }
}

void TestListener::readClient() {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::recv(client_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received_.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        dropClient(n == 0 ? ClientEnd::eof : ClientEnd::reset);
        return;
    }
}

void TestListener::flushClient() {
    if (client_ < 0) {
        return;
    }
    while (!out_.empty()) {
        const ssize_t n = ::send(client_, out_.data(), out_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            out_.erase(0, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            out_.clear();  // the client is gone; reading finds out how
            break;
        }
    }
    if (closing_ && out_.empty() && !shutDown_) {
        ::shutdown(client_, SHUT_WR);
        shutDown_ = true;
    }
    updateClientWatch();
}

void TestListener::dropClient(ClientEnd end) {
    loop_.unwatchFd(clientWatch_);
    clientWatch_ = 0;
    ::close(client_);
    client_ = -1;
    clientEnd_ = end;
    out_.clear();
}

void TestListener::updateClientWatch() {
    if (client_ < 0) {
        return;
    }
    unsigned events = reading_ ? tk::EventLoop::ioRead : tk::EventLoop::ioNone;
    if (!out_.empty()) {
        events |= tk::EventLoop::ioWrite;
    }
    loop_.setWatchEvents(clientWatch_, events);
}

std::uint16_t unusedPort() {
    std::uint16_t port = 0;
    ::close(boundSocket(port));
    return port;
}

StalledPort::StalledPort() {
    listener_ = listening(port_, 0);
    // Backlog 0 still queues one connection; hold it so the queue stays full.
    filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(port_);
    if (filler_ < 0 ||
        (::connect(filler_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
         errno != EINPROGRESS)) {
        fail("connect");
    }
    pollfd ready{filler_, POLLOUT, 0};
    if (::poll(&ready, 1, 5000) != 1 || (ready.revents & POLLOUT) == 0) {
        fail("filling the accept queue");
    }
}

StalledPort::~StalledPort() {
    ::close(filler_);
    ::close(listener_);
}

}  // namespace testsupport

#include "bench/support/chatty_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "bench/support/measure.h"
#include "protocol/frames.h"

namespace bench {

namespace {

constexpr int kServerPriority = 30;

std::string message(std::size_t number) {
    char head[32];
    std::snprintf(head, sizeof head, "QM47 chatty message %08zu ", number);
    std::string text(head);
    for (char c = 'a'; text.size() < ChattyServer::kMessageSize - 2; c = c == 'z' ? 'a' : c + 1) {
        text += c;
    }
    return text + "\r\n";
}

}  // namespace

ChattyServer::ChattyServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 1) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("chatty server: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ChattyServer::~ChattyServer() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

void ChattyServer::startBurst(double rate, double seconds) {
    const std::lock_guard<std::mutex> lock(mutex_);
    rate_ = rate;
    seconds_ = seconds;
    burstRequested_ = true;
    bursting_ = true;
}

ChattyServer::Stats ChattyServer::takeStats() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(stats_, Stats{});
}

void ChattyServer::readRequests(int fd) {
    char buffer[4096];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) {
        return;
    }
    // A request is FF FA 2C 32 xx FF F0; its first four bytes are enough to know it.
    const std::string_view prefix = protocol::kReadInputsRequest.substr(0, 4);
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        matched_ = c == prefix[matched_] ? matched_ + 1 : (c == prefix[0] ? 1 : 0);
        if (matched_ < prefix.size()) {
            continue;
        }
        matched_ = 0;
        const double now = nowUs();
        const std::string report = protocol::inputReportFrame(0x0F);
        ::send(fd, report.data(), report.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        const std::lock_guard<std::mutex> lock(mutex_);
        if (lastRequestUs_ > 0) {
            stats_.worstRequestGapUs = std::max(stats_.worstRequestGapUs, now - lastRequestUs_);
        }
        lastRequestUs_ = now;
        ++stats_.requests;
    }
}

void ChattyServer::serve() {
    // Wake-ups a microsecond after they are due, not the default 50 us later.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    // Above the window's thread: the messages must go out on time also while the window is busy,
    // or a window that stalls would never see the backlog its stall causes.
    preferRealTime(kServerPriority);
    int fd = -1;
    std::size_t sent = 0;
    double interval = 0;
    double next = 0;
    double end = 0;
    while (!stop_) {
        if (fd < 0) {
            pollfd listening{listenFd_, POLLIN, 0};
            if (::poll(&listening, 1, 50) == 1) {
                fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
                const int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            }
            continue;
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (burstRequested_) {
                burstRequested_ = false;
                interval = 1e6 / rate_;
                next = nowUs();
                end = next + seconds_ * 1e6;
            }
        }
        double now = nowUs();
        if (bursting_ && now >= end) {
            bursting_ = false;
        }
        // Sleep until the next message is due (or 50 ms when idle), reading requests meanwhile.
        const double waitUs = bursting_ ? std::max(0.0, next - now) : 50'000;
        const timespec timeout{
            static_cast<time_t>(waitUs / 1e6),
            static_cast<long>(static_cast<long long>(waitUs) % 1'000'000 * 1000)};
        pollfd peer{fd, POLLIN, 0};
        if (::ppoll(&peer, 1, &timeout, nullptr) == 1) {
            if ((peer.revents & (POLLHUP | POLLERR)) != 0) {
                ::close(fd);
                fd = -1;
                continue;
            }
            readRequests(fd);
        }
        now = nowUs();
        if (!bursting_ || now < next) {
            continue;
        }
        const std::string text = message(sent++);
        const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        // On time: keep the schedule. Late (another process had the core): start it again from
        // now, so two messages are never much closer than one interval.
        next = now - next > interval / 4 ? now + interval : next + interval;
        const std::lock_guard<std::mutex> lock(mutex_);
        ++(n == static_cast<ssize_t>(text.size()) ? stats_.messages : stats_.dropped);
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

}  // namespace bench

#include "loopback_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace simtest {

LoopbackClient::LoopbackClient(std::uint16_t port, int receiveBuffer) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return;
    }
    const timeval bound{kBound.count(), 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (receiveBuffer > 0) {
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close();
    }
}

LoopbackClient::~LoopbackClient() {
    close();
}

void LoopbackClient::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool LoopbackClient::send(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return fd_ >= 0;
}

std::string LoopbackClient::receive(std::size_t size) {
    std::string bytes(size, '\0');
    std::size_t got = 0;
    while (fd_ >= 0 && got < size) {
        const ssize_t n = ::recv(fd_, bytes.data() + got, size - got, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

LoopbackClient::Ending LoopbackClient::receiveToEnd() {
    Ending ending;
    std::array<char, 64 * 1024> buffer;
    while (fd_ >= 0) {
        const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ending.error = errno == EWOULDBLOCK ? EAGAIN : errno;
            break;
        }
        if (n == 0) {
            break;
        }
        ending.bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return ending;
}

bool LoopbackClient::nothingWaiting() {
    char byte;
    const ssize_t n = ::recv(fd_, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

}  // namespace simtest

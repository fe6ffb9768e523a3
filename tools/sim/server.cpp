#include "sim/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "protocol/frames.h"
#include "sim/hex.h"

namespace sim {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kAytAnswer = "QM47 simulator here\r\n";
constexpr std::string_view kFloodLine =
    "The quick brown fox jumps over the lazy dog 0123456789\r\n";
constexpr std::size_t kFloodRefill = std::size_t{64} * 1024;
constexpr std::size_t kLoggedTxBytes = 64;
constexpr std::size_t kStdinLineLimit = 1024;
// How long a connection that is being closed may go without taking any of its last bytes, and how
// long the peer gets to close its side after ours, before the socket is just dropped.
constexpr auto kEndingBound = 10s;
constexpr auto kDrainBound = 2s;

std::string quoted(std::string_view bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            out += "\\x" + hexBytes(std::string_view(&c, 1));
        }
    }
    return out + "\"";
}

std::string describe(const RxUnit& u) {
    std::string hex = hexBytes(u.headView());
    if (u.headCut) {
        hex += " ...";
    }
    switch (u.kind) {
        case RxUnit::Kind::Text:
            return hex + " text " + std::to_string(u.wireBytes) + " bytes " + quoted(u.headView()) +
                   (u.headCut ? "..." : "");
        case RxUnit::Kind::Command:
            switch (u.code) {
                case protocol::kAyt:
                    return hex + " ayt";
                case protocol::kNop:
                    return hex + " nop";
                default:
                    return hex + " command " + hexByte(u.code);
            }
        case RxUnit::Kind::OptionCommand: {
            static constexpr std::array<std::string_view, 4> verbs = {"will", "wont", "do", "dont"};
            return hex + " " + std::string(verbs[u.code - 0xFB]) + " " + hexByte(u.option);
        }
        case RxUnit::Kind::ControllerFrame:
            switch (u.code) {
                case protocol::kWriteOutputsCommand:
                    return hex + " write-outputs " + hexByte(u.data);
                case protocol::kReadInputsCommand:
                    return hex + " read-inputs";
                default:
                    return hex + " controller-command " + hexByte(u.code) + " " + hexByte(u.data) +
                           " ignored";
            }
        case RxUnit::Kind::Subnegotiation:
            return hex + " subnegotiation option " + hexByte(u.option) + ", " +
                   std::to_string(u.wireBytes) + " bytes" + (u.terminated ? "" : ", cut short");
    }
    return hex;
}

std::string endpoint(const sockaddr_in& addr) {
    std::array<char, INET_ADDRSTRLEN> text{};
    inet_ntop(AF_INET, &addr.sin_addr, text.data(), text.size());
    return std::string(text.data()) + ":" + std::to_string(ntohs(addr.sin_port));
}

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

Server::Server(Options options) : options_(std::move(options)), inputs_(options_.inputs) {}

Server::~Server() {
    if (conn_) {
        ::close(conn_->fd);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
}

bool Server::open(std::string& error) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = errnoText("socket");
        return false;
    }
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(options_.port);
    inet_pton(AF_INET, options_.host.c_str(), &addr.sin_addr);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = errnoText("bind");
        return false;
    }
    if (::listen(listenFd_, 8) != 0) {
        error = errnoText("listen");
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

void Server::log(std::string_view line) const {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Server::logFrame(std::string_view line) const {
    if (!options_.quiet) {
        log(line);
    }
}

int Server::run(int stopFd) {
    while (true) {
        std::vector<pollfd> fds;
        fds.push_back({stopFd, POLLIN, 0});
        int stdinAt = -1;
        int listenAt = -1;
        int connAt = -1;
        const auto now = Clock::now();
        if (stdinOpen_) {
            stdinAt = static_cast<int>(fds.size());
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        }
        if (!conn_) {
            listenAt = static_cast<int>(fds.size());
            fds.push_back({listenFd_, POLLIN, 0});
        } else {
            short events = conn_->peerEof ? 0 : POLLIN;
            if (wantsWrite(now)) {
                events |= POLLOUT;
            }
            connAt = static_cast<int>(fds.size());
            fds.push_back({conn_->fd, events, 0});
        }
        if (::poll(fds.data(), fds.size(), pollTimeout(now)) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "qm47-sim: %s\n", errnoText("poll").c_str());
            return 1;
        }
        if (fds[0].revents != 0) {
            log("stopping");
            return 0;
        }
        if (stdinAt >= 0 && fds[stdinAt].revents != 0) {
            readStdin();
        }
        if (listenAt >= 0 && (fds[listenAt].revents & POLLIN) != 0) {
            acceptOne();
        }
        if (connAt >= 0 && conn_) {
            const short revents = fds[connAt].revents;
            if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !conn_->peerEof) {
                readConnection();
            }
            if (conn_ && (revents & (POLLOUT | POLLERR)) != 0) {
                writeConnection();
            }
        }
        if (conn_) {
            const auto later = Clock::now();
            runTimers(later);
            if (conn_ && wantsWrite(later)) {
                writeConnection();
            }
            if (conn_) {
                progress(Clock::now());
            }
        }
    }
}

bool Server::floodWaiting() const {
    return conn_ && conn_->floodLeft > 0 && !conn_->silent && conn_->pending() < kFloodRefill;
}

bool Server::wantsWrite(Clock::time_point now) const {
    return conn_ && conn_->pending() > 0 && (!options_.splitWrites || now >= conn_->nextWrite);
}

int Server::pollTimeout(Clock::time_point now) const {
    if (!conn_) {
        return -1;
    }
    std::optional<Clock::time_point> due;
    auto consider = [&due](Clock::time_point t) { due = due ? std::min(*due, t) : t; };
    const Connection& c = *conn_;
    if (floodWaiting()) {
        return 0;
    }
    if (c.phase == Connection::Phase::Serving && !c.silent) {
        if (options_.nopEvery) {
            consider(c.nextNop);
        }
        if (options_.textEvery) {
            consider(c.nextText);
        }
    } else if (c.phase != Connection::Phase::Serving) {
        consider(c.deadline);
    }
    if (options_.splitWrites && c.pending() > 0) {
        consider(c.nextWrite);
    }
    if (!due) {
        return -1;
    }
    if (*due <= now) {
        return 0;
    }
    // Round up so the loop does not wake just before the deadline and spin.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), 60'000));
}

void Server::acceptOne() {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return;  // the peer gave up before we took it, or nothing is waiting after all
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    conn_.emplace();
    Connection& c = *conn_;
    c.fd = fd;
    const auto now = Clock::now();
    c.nextWrite = now;
    if (options_.nopEvery) {
        c.nextNop = now + *options_.nopEvery;
    }
    if (options_.textEvery) {
        c.nextText = now + *options_.textEvery;
    }
    log("connection accepted from " + endpoint(peer));
    if (options_.silentAfter == 0u) {
        c.silent = true;
        log("silent after 0 frames");
    }
    if (options_.flood > 0 && !c.silent) {
        c.floodLeft = options_.flood;
        logFrame("tx flood " + std::to_string(options_.flood) + " bytes of text");
    }
    const bool resetNow = options_.resetAfter == 0u;
    if (resetNow || options_.closeAfter == 0u) {
        if (options_.cutLast) {
            sendCutReport();
        }
        beginEnding(resetNow, resetNow ? "reset-after 0" : "close-after 0");
    }
    progress(now);
}

void Server::readConnection() {
    static std::array<char, std::size_t{64} * 1024> buffer;
    Connection& c = *conn_;
    const ssize_t n = ::recv(c.fd, buffer.data(), buffer.size(), 0);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return;
        }
        closeConnection(false, errno == ECONNRESET ? std::string("connection reset by peer")
                                                   : "connection error: " + errnoText("recv"));
        return;
    }
    if (n == 0) {
        if (c.phase == Connection::Phase::Draining || c.pending() == 0) {
            closeConnection(false, c.phase == Connection::Phase::Serving
                                       ? "connection closed by peer"
                                       : "connection closed (" + c.endReason + ")");
            return;
        }
        // Half-closed peer: it may still read what it asked for.
        c.peerEof = true;
        if (c.phase == Connection::Phase::Serving) {
            beginEnding(false, "peer closed");
        }
        return;
    }
    if (c.phase != Connection::Phase::Serving) {
        return;  // the connection is ending: read only so that closing stays orderly
    }
    c.parser.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                  [this](const RxUnit& unit) { return onUnit(unit); });
}

void Server::writeConnection() {
    Connection& c = *conn_;
    while (c.pending() > 0) {
        const std::size_t size = options_.splitWrites ? 1 : c.pending();
        const ssize_t n = ::send(c.fd, c.out.data() + c.outHead, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                break;
            }
            closeConnection(false, errno == ECONNRESET || errno == EPIPE
                                       ? std::string("connection reset by peer")
                                       : "connection error: " + errnoText("send"));
            return;
        }
        c.outHead += static_cast<std::size_t>(n);
        if (c.phase == Connection::Phase::Ending) {
            c.deadline = Clock::now() + kEndingBound;  // a slow reader is still a reader
        }
        if (options_.splitWrites && options_.splitGap.count() > 0) {
            c.nextWrite = Clock::now() + options_.splitGap;
            break;
        }
    }
    if (c.outHead == c.out.size()) {
        c.out.clear();
        c.outHead = 0;
    } else if (c.outHead > kFloodRefill && c.outHead > c.out.size() / 2) {
        c.out.erase(0, c.outHead);
        c.outHead = 0;
    }
}

void Server::runTimers(Clock::time_point now) {
    Connection& c = *conn_;
    if (c.phase != Connection::Phase::Serving || c.silent) {
        return;
    }
    if (options_.nopEvery && now >= c.nextNop) {
        c.nextNop = std::max(c.nextNop + *options_.nopEvery, now);
        if (options_.bareNop) {
            send("\xF1", "bare-nop");
        } else {
            send("\xFF\xF1", "nop");
        }
    }
    if (options_.textEvery && now >= c.nextText) {
        c.nextText = std::max(c.nextText + *options_.textEvery, now);
        send("QM47 text line " + std::to_string(++c.textLines) + "\r\n", "text");
    }
}

void Server::progress(Clock::time_point now) {
    Connection& c = *conn_;
    // One refill per turn of the loop, so a fast reader of a long flood cannot starve it.
    if (floodWaiting()) {
        const std::uint64_t done = options_.flood - c.floodLeft;
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(c.floodLeft, kFloodRefill));
        for (std::size_t i = 0; i < size; ++i) {
            c.out += kFloodLine[(done + i) % kFloodLine.size()];
        }
        c.floodLeft -= size;
        if (wantsWrite(now)) {
            writeConnection();
            if (!conn_) {
                return;
            }
        }
    }
    if (c.pending() > options_.maxQueue) {
        closeConnection(true, "connection dropped: " + std::to_string(c.pending()) +
                                  " bytes of output waiting, more than the queue bound " +
                                  std::to_string(options_.maxQueue));
        return;
    }
    const bool flushed = c.pending() == 0 && (c.floodLeft == 0 || c.silent);
    if (c.phase == Connection::Phase::Ending && flushed) {
        if (c.endByReset) {
            closeConnection(true, "connection reset (" + c.endReason + ")");
            return;
        }
        ::shutdown(c.fd, SHUT_WR);
        if (c.peerEof) {
            closeConnection(false, "connection closed (" + c.endReason + ")");
            return;
        }
        c.phase = Connection::Phase::Draining;
        c.deadline = now + kDrainBound;
        return;
    }
    if (c.phase == Connection::Phase::Ending && now >= c.deadline) {
        closeConnection(true, "connection reset (" + c.endReason + ": output not taken in time)");
    } else if (c.phase == Connection::Phase::Draining && now >= c.deadline) {
        closeConnection(false, "connection closed (" + c.endReason + ")");
    }
}

void Server::closeConnection(bool reset, std::string_view why) {
    if (reset) {
        const linger hard{1, 0};
        ::setsockopt(conn_->fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    ::close(conn_->fd);
    conn_.reset();
    log(why);
}

bool Server::onUnit(const RxUnit& unit) {
    Connection& c = *conn_;
    logFrame("rx " + describe(unit));
    if (!unit.isFrame()) {
        return true;
    }
    ++c.frames;
    const bool resetNow = options_.resetAfter == c.frames;
    const bool last = resetNow || options_.closeAfter == c.frames;
    if (last && options_.cutLast) {
        sendCutReport();
    } else {
        answer(unit);
    }
    if (options_.silentAfter == c.frames) {
        c.silent = true;
        log("silent after " + std::to_string(c.frames) + " frames");
    }
    if (last) {
        beginEnding(resetNow,
                    (resetNow ? "reset-after " : "close-after ") + std::to_string(c.frames));
        return false;
    }
    return true;
}

void Server::answer(const RxUnit& unit) {
    if (unit.kind == RxUnit::Kind::Command && unit.code == protocol::kAyt) {
        send(kAytAnswer, "ayt-answer " + quoted(kAytAnswer));
    } else if (unit.kind == RxUnit::Kind::ControllerFrame) {
        if (unit.code == protocol::kWriteOutputsCommand) {
            outputs_ = unit.data;
            if (options_.followOutputs) {
                inputs_ = unit.data;
            }
        } else if (unit.code == protocol::kReadInputsCommand) {
            send(protocol::inputReportFrame(inputs_), "input-report " + hexByte(inputs_));
        }
    }
}

void Server::sendCutReport() {
    const std::string report = protocol::inputReportFrame(inputs_);
    send(std::string_view(report).substr(0, *options_.cutLast),
         "input-report cut after " + std::to_string(*options_.cutLast) + " bytes");
}

void Server::send(std::string_view bytes, std::string_view meaning) {
    Connection& c = *conn_;
    if (c.silent || c.phase != Connection::Phase::Serving) {
        return;
    }
    c.out.append(bytes);
    std::string hex = hexBytes(bytes.substr(0, kLoggedTxBytes));
    if (bytes.size() > kLoggedTxBytes) {
        hex += " ... (" + std::to_string(bytes.size()) + " bytes)";
    }
    logFrame("tx " + hex + " " + std::string(meaning));
}

void Server::beginEnding(bool reset, std::string reason) {
    Connection& c = *conn_;
    c.phase = Connection::Phase::Ending;
    c.endByReset = reset;
    c.endReason = std::move(reason);
    c.deadline = Clock::now() + kEndingBound;
}

void Server::readStdin() {
    std::array<char, 4096> buffer;
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (n <= 0) {
        stdinOpen_ = false;  // closed or at its end: serve on without it
        return;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        const char ch = buffer[i];
        if (ch == '\n') {
            if (!stdinOverlong_) {
                runCommand(stdinLine_);
            }
            stdinLine_.clear();
            stdinOverlong_ = false;
        } else if (stdinLine_.size() < kStdinLineLimit) {
            stdinLine_ += ch;
        } else if (!stdinOverlong_) {
            stdinOverlong_ = true;
            std::fprintf(stderr, "qm47-sim: ignoring a command line longer than %zu bytes\n",
                         kStdinLineLimit);
        }
    }
}

void Server::runCommand(std::string_view line) {
    auto trim = [](std::string_view s) {
        const auto first = s.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) {
            return std::string_view{};
        }
        return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
    };
    line = trim(line);
    if (line.empty()) {
        return;
    }
    if (line == "inputs?") {
        log("inputs " + hexByte(inputs_));
        return;
    }
    if (line == "outputs?") {
        log("outputs " + hexByte(outputs_));
        return;
    }
    if (line.starts_with("inputs ")) {
        if (const auto mask = parseNumber(trim(line.substr(7)), 255)) {
            inputs_ = static_cast<std::uint8_t>(*mask);
            log("inputs " + hexByte(inputs_));
            return;
        }
    }
    std::fprintf(stderr, "qm47-sim: unknown command '%.*s' (try: inputs MASK, inputs?, outputs?)\n",
                 static_cast<int>(line.size()), line.data());
}

}  // namespace sim

// The simulator's TCP side: one listening socket, one controller connection at a time, all
// driven by a single poll() loop. Output goes through a bounded queue on a non-blocking socket,
// so a peer that stops reading cannot stall the loop; it is dropped when the queue overflows.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/device_parser.h"
#include "sim/options.h"

namespace sim {

// The one controller connection being served. At namespace scope rather than nested in Server:
// a nested type with member initialisers is not yet default-constructible where the enclosing
// class declares its std::optional, which clang rejects.
struct ServedConnection {
    int fd = -1;
    DeviceParser parser;
    std::string out;  // bytes from `outHead` on are still to be written
    std::size_t outHead = 0;
    std::uint64_t frames = 0;
    std::uint64_t floodLeft = 0;
    std::uint64_t textLines = 0;
    bool silent = false;
    bool peerEof = false;
    enum class Phase { Serving, Ending, Draining } phase = Phase::Serving;
    bool endByReset = false;
    std::string endReason;
    std::chrono::steady_clock::time_point nextNop, nextText, nextWrite, deadline;

    std::size_t pending() const { return out.size() - outHead; }
};

class Server {
  public:
    explicit Server(Options options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens; on failure `error` says why.
    bool open(std::string& error);
    std::uint16_t port() const { return port_; }

    // Serves until `stopFd` becomes readable (the signal handler writes to it). Returns the
    // process exit code.
    int run(int stopFd);

  private:
    using Clock = std::chrono::steady_clock;

    using Connection = ServedConnection;

    void log(std::string_view line) const;
    void logFrame(std::string_view line) const;

    void acceptOne();
    void readConnection();
    void writeConnection();
    void runTimers(Clock::time_point now);
    void progress(Clock::time_point now);
    void closeConnection(bool reset, std::string_view why);
    int pollTimeout(Clock::time_point now) const;
    bool wantsWrite(Clock::time_point now) const;
    bool floodWaiting() const;

    bool onUnit(const RxUnit& unit);
    void answer(const RxUnit& unit);
    void send(std::string_view bytes, std::string_view meaning);
    void sendCutReport();
    void beginEnding(bool reset, std::string reason);

    void readStdin();
    void runCommand(std::string_view line);

    Options options_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::uint8_t inputs_ = 0;
    std::uint8_t outputs_ = 0;
    std::optional<Connection> conn_;
    bool stdinOpen_ = true;
    std::string stdinLine_;
    bool stdinOverlong_ = false;
};

}  // namespace sim

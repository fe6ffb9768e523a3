// A controller that talks a lot, for the chatty-controller bench: a thread serving one
// connection on 127.0.0.1 at a port of its own choosing. It answers every read-inputs request
// with an input report and notes when each request came; on demand it sends 100-byte text
// messages at a given rate, each with its own send().
//
// The messages keep their spacing: when the thread sends one late, the schedule starts again from
// then, so a burst is never the server's doing (the count sent is reported). The thread runs at
// a real-time priority above the window's when allowed. Requests are answered between messages;
// nothing here blocks on the peer (a full socket drops the message, counted).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace bench {

class ChattyServer {
  public:
    static constexpr std::size_t kMessageSize = 100;

    ChattyServer();
    ~ChattyServer();
    ChattyServer(const ChattyServer&) = delete;
    ChattyServer& operator=(const ChattyServer&) = delete;

    std::uint16_t port() const { return port_; }

    // Starts a burst of `rate` messages a second for `seconds`; burstDone() tells when it is over.
    void startBurst(double rate, double seconds);
    bool burstDone() const { return !bursting_.load(); }

    struct Stats {
        std::size_t messages = 0;
        std::size_t dropped = 0;
        std::size_t requests = 0;
        double worstRequestGapUs = 0;  // between two read-inputs requests
    };
    // What happened since the last call; starts a new count.
    Stats takeStats();

  private:
    void serve();
    void readRequests(int fd);

    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> bursting_{false};
    std::thread thread_;

    std::mutex mutex_;
    double rate_ = 0;
    double seconds_ = 0;
    bool burstRequested_ = false;
    Stats stats_;
    double lastRequestUs_ = 0;

    std::uint32_t matched_ = 0;  // bytes of a request's prefix seen so far
};

}  // namespace bench

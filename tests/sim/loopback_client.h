// A plain blocking TCP client on 127.0.0.1 for talking to the simulator, every wait bounded.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace simtest {

class LoopbackClient {
  public:
    static constexpr std::chrono::seconds kBound{10};

    // Connects at once; `receiveBuffer` > 0 shrinks the receive window (a slow reader).
    explicit LoopbackClient(std::uint16_t port, int receiveBuffer = 0);
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    // All of `bytes`; false when the connection failed or the bound passed.
    bool send(std::string_view bytes);
    // Exactly `size` bytes, or fewer when the stream ended, failed or the bound passed.
    std::string receive(std::size_t size);

    struct Ending {
        std::string bytes;  // everything received before the end
        int error = 0;      // 0 for an orderly close, else the errno (ECONNRESET, EAGAIN)
    };
    // Reads until the peer closes or resets the connection, or the bound passes (EAGAIN).
    Ending receiveToEnd();
    // True when nothing is waiting to be read and the connection is still open.
    bool nothingWaiting();
    void close();

  private:
    int fd_ = -1;
};

}  // namespace simtest

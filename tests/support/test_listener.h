// The far end of socket tests: a TCP listener on 127.0.0.1 at a port chosen at run time, driven
// by the event loop it is given (no threads, no waiting of its own). It holds one client at a
// time (a new connection replaces the previous one), records every byte it receives and sends
// what the test tells it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "toolkit/event_loop.h"

namespace testsupport {

class TestListener {
  public:
    // How the last client's connection ended, as seen from here.
    enum class ClientEnd { none, eof, reset };

    explicit TestListener(tk::EventLoop& loop);
    ~TestListener();
    TestListener(const TestListener&) = delete;
    TestListener& operator=(const TestListener&) = delete;

    std::uint16_t port() const { return port_; }
    int accepted() const { return accepted_; }
    bool clientConnected() const { return client_ >= 0; }
    ClientEnd clientEnd() const { return clientEnd_; }

    // Every byte received from every client, in arrival order.
    const std::string& received() const { return received_; }
    void clearReceived() { received_.clear(); }
    // For clients accepted from now on: a small buffer makes a client that floods a listener
    // that does not read back up quickly.
    void setReceiveBuffer(int bytes);
    // Stops or resumes reading, so that the client's sends back up.
    void setReading(bool on);

    // Queued behind what is waiting and written as the client takes it.
    void send(std::string_view bytes);
    std::size_t pendingOutput() const { return out_.size(); }
    // Orderly close (FIN) once the queued bytes went out; reading goes on until the client ends.
    void closeClient();
    // Reset (linger 0) at once; queued bytes are dropped.
    void resetClient();

  private:
    void acceptAll();
    void onClientReady(unsigned ready);
    void readClient();
    void flushClient();
    void dropClient(ClientEnd end);
    void updateClientWatch();

    tk::EventLoop& loop_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    tk::EventLoop::Handle listenWatch_ = 0;

    int client_ = -1;
    tk::EventLoop::Handle clientWatch_ = 0;
    int accepted_ = 0;
    ClientEnd clientEnd_ = ClientEnd::none;
    bool reading_ = true;
    bool closing_ = false;  // FIN due once out_ is empty
    bool shutDown_ = false;
    std::string out_;
    std::string received_;
};

// A port on 127.0.0.1 that nobody listens on: a connection to it is refused.
std::uint16_t unusedPort();

// A listener on 127.0.0.1 whose accept queue is full (backlog 0, one connection held and never
// accepted): the kernel drops further SYNs, so a connection attempt to port() stays pending.
class StalledPort {
  public:
    StalledPort();
    ~StalledPort();
    StalledPort(const StalledPort&) = delete;
    StalledPort& operator=(const StalledPort&) = delete;

    std::uint16_t port() const { return port_; }

  private:
    int listener_ = -1;
    int filler_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace testsupport

// The real socket, a listener on 127.0.0.1 and the test loop, with every notification recorded
// in order ("connected", "closed", "error <n>", "data").
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_listener.h"
#include "tests/support/test_loop.h"
#include "toolkit/net/tcp_socket.h"

namespace testsupport {

class SocketFixture : public ::testing::Test {
  protected:
    SocketFixture() {
        socket.OnSessionConnected = [this](tk::TObject*, std::uint16_t) {
            events.emplace_back("connected");
        };
        socket.OnSessionClosed = [this](tk::TObject*, std::uint16_t) {
            events.emplace_back("closed");
        };
        socket.OnError = [this](tk::TObject*) {
            events.push_back("error " + std::to_string(socket.lastError()));
            stateInError.push_back(socket.state());
            errorInsideSend.push_back(sending);
            if (onError) {
                onError();
            }
        };
        socket.OnDataAvailable = [this](tk::TObject*, std::uint16_t) {
            events.emplace_back("data");
            if (onData) {
                onData();
            } else {
                readChunk();
            }
        };
    }

    // Reads one chunk of at most `chunk` bytes into `received`; returns what receive() gave.
    int readChunk() {
        std::string buffer(static_cast<std::size_t>(chunk), '\0');
        const int n = socket.receive(buffer.data(), chunk);
        if (n > 0) {
            received.append(buffer, 0, static_cast<std::size_t>(n));
        }
        return n;
    }

    bool run(const std::function<bool()>& done,
             std::chrono::milliseconds bound = std::chrono::seconds(5)) {
        return loop.runUntil(done, bound);
    }

    // Starts an attempt; nothing may be raised inside connect() itself.
    void open(const std::string& addr, const std::string& port) {
        socket.setAddr(addr);
        socket.setPort(port);
        socket.setProto("TCP");
        const std::size_t before = events.size();
        socket.connect();
        ASSERT_EQ(events.size(), before) << "notified inside connect()";
        ASSERT_NE(socket.state(), tk::net::wsClosed);
    }

    void connectToListener() {
        open("127.0.0.1", std::to_string(listener.port()));
        ASSERT_TRUE(run([&] { return count("connected") == 1 && listener.clientConnected(); }));
        ASSERT_EQ(socket.state(), tk::net::wsConnected);
    }

    int send(std::string_view bytes) {
        sending = true;
        const int result = socket.sendStr(bytes);
        sending = false;
        return result;
    }

    int count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    TestLoop loop;
    TestListener listener{loop};
    tk::net::TcpSocket socket{loop};

    std::vector<std::string> events;
    std::vector<tk::net::TSocketState> stateInError;
    std::vector<bool> errorInsideSend;
    std::function<void()> onError;
    std::function<void()> onData;  // replaces readChunk() when set
    std::string received;
    int chunk = 255;
    bool sending = false;
};

// 0x00 to 0xFF over and over, so zero bytes and 0xFF sit inside every chunk.
inline std::string everyByte(std::size_t size, unsigned seed = 0) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i + seed) & 0xFF);
    }
    return bytes;
}

}  // namespace testsupport

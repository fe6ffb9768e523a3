// A live session of the real socket: sending, receiving, and the ways a session ends.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

#include "tests/net/socket_fixture.h"

namespace testsupport {
namespace {

using namespace std::chrono_literals;
using tk::net::wsClosed;
using tk::net::wsConnected;

using TcpSocketSession = SocketFixture;

TEST_F(TcpSocketSession, BytesGoOutWholeAndInOrderAcrossSends) {
    connectToListener();
    const std::string sends[] = {
        std::string("\0abc", 4), "\xFF\xFF",
        everyByte(300, 5),       everyByte(4 << 20, 7),  // more than the kernel takes at once
        std::string(1, '\0'),
    };
    std::string all;
    for (const std::string& bytes : sends) {
        EXPECT_EQ(send(bytes), static_cast<int>(bytes.size()));
        all += bytes;
    }
    ASSERT_TRUE(run([&] { return listener.received().size() >= all.size(); }, 20s));
    EXPECT_TRUE(listener.received() == all) << "bytes lost, changed or reordered";
    EXPECT_EQ(socket.pendingOutput(), 0u);
    EXPECT_EQ(events, std::vector<std::string>{"connected"});
}

TEST_F(TcpSocketSession, EmptySendDoesNothingInAnyState) {
    EXPECT_EQ(send(""), 0);
    connectToListener();
    EXPECT_EQ(send(""), 0);
    loop.processPending();
    EXPECT_EQ(events, std::vector<std::string>{"connected"});
}

TEST_F(TcpSocketSession, SendWithoutSessionRaises10057InsideTheSendAndSendsNothing) {
    const struct {
        const char* name;
        std::function<void()> reach;
    } states[] = {
        {"never connected", [] {}},
        {"closed by the program",
         [&] {
             connectToListener();
             socket.close();
         }},
        {"closed by the peer",
         [&] {
             connectToListener();
             listener.closeClient();
             ASSERT_TRUE(run([&] { return count("closed") == 1; }));
         }},
    };
    for (const auto& state : states) {
        SCOPED_TRACE(state.name);
        state.reach();
        events.clear();
        errorInsideSend.clear();
        EXPECT_EQ(send("abc"), -1);
        EXPECT_EQ(events, std::vector<std::string>{"error 10057"});
        EXPECT_EQ(errorInsideSend, std::vector{true});
        EXPECT_EQ(socket.lastError(), 10057);
    }
    loop.processPending();
    EXPECT_EQ(listener.received(), "");
}

TEST_F(TcpSocketSession, PeerCloseDeliversEveryWaitingByteThenClosedOnce) {
    chunk = 100;
    connectToListener();
    const std::string payload = everyByte(1000, 200);
    listener.send(payload);
    listener.closeClient();
    ASSERT_TRUE(run([&] { return count("closed") == 1; }));
    loop.processPending();
    EXPECT_TRUE(received == payload);
    EXPECT_EQ(events.back(), "closed");
    EXPECT_EQ(count("closed"), 1);
    EXPECT_EQ(events.size(), 2u + count("data"));  // nothing but connected, data..., closed
    EXPECT_EQ(socket.state(), wsClosed);
}

TEST_F(TcpSocketSession, PeerResetRaises10054ThenClosed) {
    connectToListener();
    listener.resetClient();
    ASSERT_TRUE(run([&] { return count("closed") == 1; }));
    loop.processPending();
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "error 10054", "closed"}));
    EXPECT_EQ(stateInError, std::vector{wsConnected});
    EXPECT_EQ(errorInsideSend, std::vector{false});
    EXPECT_EQ(socket.state(), wsClosed);
}

// The first send after a reset meets ECONNRESET; once the kernel has reported the reset, a send
// meets EPIPE instead, which would raise SIGPIPE and end the process without MSG_NOSIGNAL.
class TcpSocketSendAfterReset : public SocketFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(TcpSocketSendAfterReset, Raises10054InsideTheSend) {
    const bool resetAlreadyReported = GetParam();
    connectToListener();
    listener.resetClient();
    // Wait for the reset to land without turning the loop, so the send is the first to act.
    pollfd reset{socket.handle(), 0, 0};
    ASSERT_EQ(::poll(&reset, 1, 5000), 1);
    if (resetAlreadyReported) {
        int err = 0;
        socklen_t length = sizeof err;
        ::getsockopt(socket.handle(), SOL_SOCKET, SO_ERROR, &err, &length);
        ASSERT_EQ(err, ECONNRESET);
    }

    EXPECT_EQ(send("x"), -1);
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "error 10054"}));
    EXPECT_EQ(errorInsideSend, std::vector{true});

    EXPECT_EQ(send("y"), -1);  // the session is over, whatever State still says
    EXPECT_EQ(events.back(), "error 10057");

    ASSERT_TRUE(run([&] { return count("closed") == 1; }));
    loop.processPending();
    EXPECT_EQ(count("closed"), 1);
    EXPECT_EQ(socket.state(), wsClosed);
}

INSTANTIATE_TEST_SUITE_P(ByKernelError, TcpSocketSendAfterReset, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Epipe" : "Econnreset";
                         });

// The kernel gives up on a peer that takes nothing (zero window past TCP_USER_TIMEOUT) with
// ETIMEDOUT: 10053, raised while State is not yet closed.
class TcpSocketAborted : public SocketFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(TcpSocketAborted, Raises10053BeforeClosing) {
    const bool handlerCloses = GetParam();
    listener.setReceiveBuffer(4096);
    connectToListener();
    listener.setReading(false);
    const int userTimeoutMs = 200;
    ASSERT_EQ(::setsockopt(socket.handle(), IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs,
                           sizeof userTimeoutMs),
              0);
    if (handlerCloses) {
        onError = [&] { socket.close(); };
    }
    send(everyByte(8 << 20));
    ASSERT_TRUE(run([&] { return !stateInError.empty(); }, 20s));
    EXPECT_EQ(events.at(1), "error 10053");
    EXPECT_EQ(stateInError, std::vector{wsConnected});

    if (handlerCloses) {
        loop.processPending();
        EXPECT_EQ(count("closed"), 0);
    } else {
        // Left open by its handler, the session has been ended by the network.
        ASSERT_TRUE(run([&] { return count("closed") == 1; }));
    }
    EXPECT_EQ(events.size(), handlerCloses ? 2u : 3u);
    EXPECT_EQ(socket.state(), wsClosed);
}

INSTANTIATE_TEST_SUITE_P(ByHandler, TcpSocketAborted, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "HandlerCloses" : "HandlerLeavesItOpen";
                         });

int bytesWaiting(int fd) {
    int n = 0;
    ::ioctl(fd, FIONREAD, &n);
    return n;
}

TEST_F(TcpSocketSession, DataAvailableIsNotReenteredByANestedLoop) {
    connectToListener();
    int depth = 0;
    int deepest = 0;
    onData = [&] {
        deepest = std::max(deepest, ++depth);
        chunk = 4;
        readChunk();
        if (received.size() == 4) {
            // As a modal box would: run the loop while more bytes arrive.
            listener.send("ijkl");
            EXPECT_TRUE(run([&] { return bytesWaiting(socket.handle()) >= 8; }));
            loop.processPending();
        }
        --depth;
    };
    listener.send("abcdefgh");
    ASSERT_TRUE(run([&] { return received.size() == 12; }));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(received, "abcdefghijkl");
}

TEST_F(TcpSocketSession, FloodComesInChunksWithTheLoopTurningBetweenThem) {
    connectToListener();
    std::string trace;  // 'D' per chunk, 'P' per run of a call that keeps posting itself
    bool done = false;
    std::function<void()> posted = [&] {
        trace += 'P';
        if (!done) {
            loop.post(posted);
        }
    };
    onData = [&] {
        if (readChunk() > 0) {
            trace += 'D';
        }
    };
    loop.post(posted);
    const std::string flood = everyByte(1 << 20, 3);
    listener.send(flood);
    const bool complete = run([&] { return received.size() >= flood.size(); }, 60s);
    done = true;
    loop.processPending();
    ASSERT_TRUE(complete);
    EXPECT_TRUE(received == flood);
    EXPECT_EQ(trace.find("DD"), std::string::npos) << "a chunk came before the posted call";
}

struct UnreadOffer {
    const char* name;
    bool handlerThrows;
};

void PrintTo(const UnreadOffer& row, std::ostream* os) {
    *os << row.name;
}

class TcpSocketUnreadOffer : public SocketFixture,
                             public ::testing::WithParamInterface<UnreadOffer> {
  protected:
    // As the application's general error report: the error ends the handler, the loop goes on.
    struct Swallow : tk::EventGuard {
        void runEvent(const std::function<void()>& handler) noexcept override {
            try {
                handler();
            } catch (const std::exception&) {
                ++caught;
            }
        }
        int caught = 0;
    } guard;
};

TEST_P(TcpSocketUnreadOffer, ComesAgainThroughTheLoop) {
    loop.setGuard(&guard);
    connectToListener();
    int offers = 0;
    onData = [&] {
        if (++offers == 1) {
            if (GetParam().handlerThrows) {
                throw std::runtime_error("handler failed");
            }
            return;
        }
        readChunk();
    };
    listener.send("abcdefgh");
    ASSERT_TRUE(run([&] { return received.size() == 8; }));
    EXPECT_EQ(received, "abcdefgh");
    EXPECT_EQ(guard.caught, GetParam().handlerThrows ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, TcpSocketUnreadOffer,
                         ::testing::Values(UnreadOffer{"HandlerReadsNothing", false},
                                           UnreadOffer{"HandlerThrows", true}),
                         [](const ::testing::TestParamInfo<UnreadOffer>& info) {
                             return info.param.name;
                         });

TEST_F(TcpSocketSession, CloseInsideTheDataHandlerEndsEverything) {
    chunk = 10;
    connectToListener();
    onData = [&] {
        readChunk();
        socket.close();
    };
    listener.send(everyByte(1000));
    ASSERT_TRUE(run([&] { return !listener.clientConnected(); }));
    loop.processPending();
    EXPECT_EQ(events, (std::vector<std::string>{"connected", "data"}));
    EXPECT_EQ(received.size(), 10u);
    EXPECT_EQ(listener.clientEnd(), TestListener::ClientEnd::reset);
}

}  // namespace
}  // namespace testsupport

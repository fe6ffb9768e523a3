// Connection attempts of the real socket: outcomes, endpoint texts, the time-out, and that
// nothing leaks over many attempts.
#include <dirent.h>

#include <memory>

#include "tests/net/socket_fixture.h"
#include "toolkit/error.h"

namespace testsupport {
namespace {

using namespace std::chrono_literals;
using tk::net::wsClosed;
using tk::net::wsConnected;
using tk::net::wsConnecting;

using TcpSocketConnect = SocketFixture;

TEST_F(TcpSocketConnect, ConnectsOnceAndItsOwnCloseResetsWithoutNotification) {
    connectToListener();
    EXPECT_EQ(listener.accepted(), 1);
    ASSERT_EQ(send("unread by the peer"), 18);

    socket.close();
    EXPECT_EQ(socket.state(), wsClosed);
    EXPECT_EQ(socket.handle(), -1);
    ASSERT_TRUE(run([&] { return !listener.clientConnected(); }));
    EXPECT_EQ(listener.clientEnd(), TestListener::ClientEnd::reset);

    socket.close();  // closing a closed socket does nothing
    loop.processPending();
    EXPECT_EQ(events, std::vector<std::string>{"connected"});
    EXPECT_EQ(loop.watchedFds(), 1u);  // the listener's own: the socket watches nothing
    EXPECT_EQ(loop.runningTimers(), 0u);
}

TEST_F(TcpSocketConnect, RefusedAttemptReportsOnlyTheErrorAndEndsClosed) {
    open("127.0.0.1", std::to_string(unusedPort()));
    ASSERT_TRUE(run([&] { return !events.empty(); }));
    loop.processPending();
    EXPECT_EQ(events, std::vector<std::string>{"error 10061"});
    EXPECT_EQ(socket.state(), wsClosed);
    EXPECT_EQ(stateInError, std::vector{wsClosed});
    EXPECT_EQ(socket.handle(), -1);
    EXPECT_EQ(loop.runningTimers(), 0u);
}

TEST_F(TcpSocketConnect, AttemptThatGetsNoAnswerTimesOutOnTheLoopClock) {
    StalledPort stalled;
    open("127.0.0.1", std::to_string(stalled.port()));
    loop.processPending();
    EXPECT_EQ(socket.state(), wsConnecting);

    loop.advance(socket.connectTimeout() - 1ms);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(socket.state(), wsConnecting);

    loop.advance(1ms);
    EXPECT_EQ(events, std::vector<std::string>{"error 10060"});
    EXPECT_EQ(socket.state(), wsClosed);
    EXPECT_EQ(loop.runningTimers(), 0u);
    loop.advance(60s);
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(TcpSocketConnect, CloseAbandonsAPendingAttemptSilently) {
    StalledPort stalled;
    open("127.0.0.1", std::to_string(stalled.port()));
    socket.close();
    EXPECT_EQ(socket.state(), wsClosed);
    loop.advance(60s);
    EXPECT_TRUE(events.empty());
}

TEST_F(TcpSocketConnect, SendWhileTheAttemptIsPendingIsRefusedAndTheAttemptGoesOn) {
    open("127.0.0.1", std::to_string(listener.port()));
    EXPECT_EQ(send("early"), -1);
    EXPECT_EQ(events, std::vector<std::string>{"error 10057"});
    EXPECT_EQ(errorInsideSend, std::vector{true});

    ASSERT_TRUE(run([&] { return count("connected") == 1; }));
    ASSERT_EQ(send("late"), 4);
    ASSERT_TRUE(run([&] { return listener.received().size() == 4; }));
    EXPECT_EQ(listener.received(), "late");
}

struct EndpointRow {
    const char* name;
    const char* addr;
    const char* port;  // nullptr: the listener's port
    int error;         // 0: reaches the listener
};

void PrintTo(const EndpointRow& row, std::ostream* os) {
    *os << row.name;
}

std::string endpointName(const ::testing::TestParamInfo<EndpointRow>& info) {
    return info.param.name;
}

class TcpSocketEndpointText : public SocketFixture,
                              public ::testing::WithParamInterface<EndpointRow> {};

// Fields are decimal (leading zeros too, never octal) or '$' hex, 0..255, four of them; no
// name is ever looked up. The port is an integer 1..65535 read the same way.
const EndpointRow kEndpointRows[] = {
    {"Plain", "127.0.0.1", nullptr, 0},
    {"LeadingZerosStayDecimal", "0127.000.0.01", nullptr, 0},
    {"DollarHex", "$7F.0.0.$1", nullptr, 0},
    {"SignedAndBlankFields", "+127. 0.-0.1", nullptr, 0},
    {"BlanksAroundTheWholeText", "  127.0.0.1 ", nullptr, 0},
    {"Empty", "", nullptr, 11001},
    {"ThreeFields", "127.0.0", nullptr, 11001},
    {"FiveFields", "127.0.0.1.5", nullptr, 11001},
    {"EmptyField", "127..0.1", nullptr, 11001},
    {"FieldAbove255", "127.0.0.256", nullptr, 11001},
    {"NegativeField", "127.0.-1.1", nullptr, 11001},
    {"HexAbove255", "$100.0.0.1", nullptr, 11001},
    {"TextAfterDigits", "127.0.0.1x", nullptr, 11001},
    {"BlankBeforeDot", "127 .0.0.1", nullptr, 11001},
    {"HostName", "localhost", nullptr, 11001},
    {"PortZero", "127.0.0.1", "0", 10049},
    {"PortAbove65535", "127.0.0.1", "65536", 10049},
    {"PortEmpty", "127.0.0.1", "", 10049},
    {"PortNegative", "127.0.0.1", "-80", 10049},
    {"PortServiceName", "127.0.0.1", "telnet", 10049},
    {"PortTextAfterDigits", "127.0.0.1", "80x", 10049},
    {"BadAddressWinsOverBadPort", "controller", "0", 11001},
};

TEST_P(TcpSocketEndpointText, IsReadAsDocumented) {
    const EndpointRow& row = GetParam();
    const std::string port = row.port != nullptr ? row.port : std::to_string(listener.port());
    open(row.addr, port);
    if (row.error == 0) {
        ASSERT_TRUE(run([&] { return count("connected") == 1; }))
            << ::testing::PrintToString(events);
        EXPECT_TRUE(run([&] { return listener.accepted() == 1; }));
        return;
    }
    loop.processPending();
    EXPECT_EQ(events, std::vector<std::string>{"error " + std::to_string(row.error)});
    EXPECT_EQ(socket.lastError(), row.error);
    EXPECT_EQ(socket.state(), wsClosed);
    EXPECT_EQ(listener.accepted(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, TcpSocketEndpointText, ::testing::ValuesIn(kEndpointRows),
                         endpointName);

TEST_F(TcpSocketConnect, CallerFaultsThrowAndLeaveTheSocketAsItWas) {
    socket.setAddr("127.0.0.1");
    socket.setPort(std::to_string(listener.port()));
    socket.setProto("udp");
    EXPECT_THROW(socket.connect(), tk::Error);
    EXPECT_EQ(socket.state(), wsClosed);

    socket.setProto("Tcp");
    socket.connect();
    EXPECT_THROW(socket.connect(), tk::Error);
    ASSERT_TRUE(run([&] { return count("connected") == 1; }));
    EXPECT_EQ(events, std::vector<std::string>{"connected"});
}

TEST(TcpSocketLifetime, PostedCallsNeverTouchADestroyedSocket) {
    TestLoop loop;
    TestListener listener(loop);
    int raised = 0;
    auto make = [&] {
        auto socket = std::make_unique<tk::net::TcpSocket>(loop);
        socket->OnError = [&](tk::TObject*) { ++raised; };
        socket->OnSessionClosed = [&](tk::TObject*, std::uint16_t) { ++raised; };
        socket->setPort(std::to_string(listener.port()));
        return socket;
    };
    {
        SCOPED_TRACE("the failure of a bad address is posted");
        auto socket = make();
        socket->setAddr("controller");
        socket->connect();
        socket.reset();
        loop.processPending();
    }
    std::unique_ptr<tk::net::TcpSocket> socket;
    {
        SCOPED_TRACE("the repeat of an offer is posted");
        socket = make();
        socket->setAddr("127.0.0.1");
        socket->OnDataAvailable = [&](tk::TObject*, std::uint16_t) {
            loop.post([&] { socket.reset(); });  // runs before the socket's own repeat
        };
        socket->connect();
        ASSERT_TRUE(loop.runUntil([&] { return listener.clientConnected(); }, 5s));
        listener.send("x");
        ASSERT_TRUE(loop.runUntil([&] { return socket == nullptr; }, 5s));
        loop.processPending();
    }
    {
        SCOPED_TRACE("the end after a reset is posted");
        socket = make();
        socket->setAddr("127.0.0.1");
        socket->OnError = [&](tk::TObject*) { loop.post([&] { socket.reset(); }); };
        socket->connect();
        ASSERT_TRUE(loop.runUntil([&] { return listener.accepted() == 2; }, 5s));
        listener.resetClient();
        ASSERT_TRUE(loop.runUntil([&] { return socket == nullptr; }, 5s));
        loop.processPending();
    }
    EXPECT_EQ(raised, 0);
    EXPECT_EQ(loop.watchedFds(), 1u);
    EXPECT_EQ(loop.runningTimers(), 0u);
}

int openFds() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) {
            ++count;
        }
        ::closedir(dir);
    }
    return count;
}

TEST_F(TcpSocketConnect, ManyAttemptsLeaveNoDescriptorBehind) {
    const std::string refused = std::to_string(unusedPort());
    const int before = openFds();
    int sessions = 0;
    for (int cycle = 0; cycle < 200; ++cycle) {
        SCOPED_TRACE(cycle);
        switch (cycle % 3) {
            case 0:  // a session, ended by our close
                open("127.0.0.1", std::to_string(listener.port()));
                ASSERT_TRUE(run([&] { return count("connected") == sessions + 1; }));
                ++sessions;
                socket.close();
                break;
            case 1:  // refused
                open("127.0.0.1", refused);
                ASSERT_TRUE(run([&] { return socket.state() == wsClosed; }));
                break;
            default:  // abandoned at once
                open("127.0.0.1", std::to_string(listener.port()));
                socket.close();
                break;
        }
    }
    EXPECT_EQ(count("connected"), sessions);
    EXPECT_EQ(count("closed"), 0);
    EXPECT_EQ(count("error 10061"), 67);
    // The listener lets go of the last client once it sees the reset.
    EXPECT_TRUE(run([&] { return openFds() == before; }))
        << openFds() << " open, " << before << " before";
}

}  // namespace
}  // namespace testsupport

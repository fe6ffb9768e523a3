// One real session over TCP on 127.0.0.1 with the test listener at the far end.
#include "tests/e2e/real_window_fixture.h"
#include "tests/support/test_listener.h"

namespace testsupport {
namespace {

const std::string kAyt("\xFF\xF6", 2);

TEST_F(RealWindowTest, ConnectProbesAytRepeatsAndDisconnectReturnsToIdle) {
    TestListener listener(loop);
    startAndConnect(listener.port());
    ASSERT_TRUE(waitLive());
    ASSERT_TRUE(waitFor([&] { return listener.received() == kAyt; }));
    form->AYTBtn.operatorClick();
    ASSERT_TRUE(waitFor([&] { return listener.received() == kAyt + kAyt; }));

    form->buConnect.operatorClick();
    EXPECT_EQ(socket.state(), tk::net::wsClosed);
    EXPECT_EQ(form->buConnect.caption(), "&Connect");
    EXPECT_TRUE(waitFor([&] { return listener.clientEnd() != TestListener::ClientEnd::none; }));
    loop.processPending();
    EXPECT_EQ(form->Memo.lines().size(), 5U);  // nothing logged: no error, no closed notice
    EXPECT_EQ(boxes.count(), 0U);
}

TEST_F(RealWindowTest, RefusedConnectLogsTheErrorAndStaysIdle) {
    startAndConnect(unusedPort());
    ASSERT_TRUE(waitFor([&] { return logHas("Socket error: 10061"); }));
    EXPECT_EQ(form->buConnect.caption(), "&Connect");
    EXPECT_EQ(socket.state(), tk::net::wsClosed);
    EXPECT_FALSE(form->SendBtn.enabled());
    // The next click tries again.
    form->buConnect.operatorClick();
    EXPECT_NE(socket.state(), tk::net::wsClosed);
    form->buConnect.operatorClick();
}

TEST_F(RealWindowTest, ControllerClosingEndsTheSessionAfterItsLastBytes) {
    TestListener listener(loop);
    startAndConnect(listener.port(), "HexOut=0\n");
    ASSERT_TRUE(waitLive());
    listener.send("bye");
    listener.closeClient();
    ASSERT_TRUE(waitFor([&] { return form->buConnect.caption() == "&Connect"; }));
    EXPECT_TRUE(logHas("bye"));
    EXPECT_EQ(socket.state(), tk::net::wsClosed);
    EXPECT_FALSE(form->AYTBtn.enabled());
}

TEST_F(RealWindowTest, ControllerResetIsLoggedAndEndsTheSession) {
    TestListener listener(loop);
    startAndConnect(listener.port());
    ASSERT_TRUE(waitLive());
    ASSERT_TRUE(waitFor([&] { return listener.received() == kAyt; }));
    listener.resetClient();
    ASSERT_TRUE(waitFor([&] { return form->buConnect.caption() == "&Connect"; }));
    EXPECT_TRUE(logHas("Socket error: 10054"));
}

}  // namespace
}  // namespace testsupport

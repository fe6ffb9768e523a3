// What no simulator fault gives: a subnegotiation that never ends, and a connect that nobody
// answers.
#include <chrono>
#include <string>

#include "protocol/nvt_decoder.h"
#include "tests/hostile/hostile_fixture.h"
#include "tests/support/test_listener.h"

namespace testsupport {
namespace {

using std::chrono_literals::operator""ms;

TEST_F(RealWindowTest, UnterminatedSubnegotiationOfTenMegabytesIsSkippedWithoutStallingTheLoop) {
    TestListener listener(loop);
    startAndConnect(listener.port(), "HexOut=1\n");
    ASSERT_TRUE(waitLive());
    ASSERT_TRUE(waitFor([&] { return listener.clientConnected(); }));

    const std::size_t total = 3 + (std::size_t{10} << 20);
    listener.send(std::string("\xFF\xFA\x01", 3) + std::string(total - 3, 'x'));
    // Bytes dumped so far, counted as the log grows (the log holds one hex line per chunk).
    std::size_t counted = kDesignedLogLines;
    std::size_t dumped = 0;
    const auto dumpedNow = [&] {
        const auto& lines = form->Memo.lines();
        for (; counted < lines.size(); ++counted) {
            dumped += lines[counted].size() / 3;
        }
        return dumped;
    };

    // A call posted while the stream pours in runs long before it ends.
    ASSERT_TRUE(waitFor([&] { return dumpedNow() >= 64 * 1024; }));
    std::size_t dumpedWhenPostedRan = 0;
    bool posted = false;
    loop.post([&] {
        dumpedWhenPostedRan = dumpedNow();
        posted = true;
    });
    ASSERT_TRUE(waitFor([&] { return posted; }));
    EXPECT_LT(dumpedWhenPostedRan, total / 2);

    ASSERT_TRUE(loop.runUntil([&] { return dumpedNow() >= total; }, std::chrono::seconds(60)));
    EXPECT_EQ(dumpedNow(), total);
    EXPECT_EQ(form->nvtState(), protocol::nsSubneg);
    bool onlyHex = true;
    for (std::size_t i = kDesignedLogLines; i < form->Memo.lines().size() && onlyHex; ++i) {
        onlyHex = isHexLine(form->Memo.lines()[i]);
    }
    EXPECT_TRUE(onlyHex) << "skipped bytes reached the log as text";

    // Without the hex dump such a chunk adds nothing; the IAC SE ends the skipping.
    form->HexOutput.operatorClick();
    const std::size_t after = form->Memo.lines().size();
    listener.send(
        "\xFF\xF0"
        "after the stream\r\n");
    ASSERT_TRUE(waitFor([&] {
        std::string text;
        for (std::size_t i = after; i < form->Memo.lines().size(); ++i) {
            text += form->Memo.lines()[i];
        }
        return text == "after the stream\r\n";
    }));
    EXPECT_EQ(form->nvtState(), protocol::nsData);
    EXPECT_EQ(form->buConnect.caption(), "&Disconnect");
    EXPECT_EQ(boxes.count(), boxes.countOf(tk::BoxKind::plain)) << "only the chunk warnings";
}

TEST_F(RealWindowTest, ConnectThatNobodyAnswersFailsAfterFifteenVirtualSeconds) {
    StalledPort stalled;
    startAndConnect(stalled.port());
    loop.advance(14999ms);
    EXPECT_NE(socket.state(), tk::net::wsClosed) << "the attempt is still pending";
    EXPECT_EQ(form->Memo.lines().size(), kDesignedLogLines);
    EXPECT_EQ(form->buConnect.caption(), "&Connect");

    loop.advance(1ms);
    EXPECT_EQ(form->Memo.lines().size(), kDesignedLogLines + 1);
    EXPECT_TRUE(logHas("Socket error: 10060"));
    EXPECT_EQ(socket.state(), tk::net::wsClosed);
    EXPECT_EQ(form->buConnect.caption(), "&Connect");
    EXPECT_TRUE(form->buConnect.enabled()) << "the operator can try again";
    EXPECT_FALSE(form->AYTBtn.enabled());
    EXPECT_EQ(loop.runningTimers(), 0U);
    EXPECT_EQ(boxes.count(), 0U);
}

}  // namespace
}  // namespace testsupport

// The faults the simulator plays on purpose, judged by what a client receives and how the
// connection ends, never by how TCP cut the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "loopback_client.h"
#include "sim_fixture.h"

namespace {

using namespace std::chrono_literals;
using simtest::bytes;
using simtest::kAyt;
using simtest::kAytAnswer;
using simtest::kReadInputs;
using simtest::LoopbackClient;
using simtest::SimTest;

const std::string kReport0F = protocol::inputReportFrame(0x0F);

enum class End { Closed, Reset };

struct EndingCase {
    const char* name;
    friend void PrintTo(const EndingCase& c, std::ostream* os) { *os << c.name; }
    std::vector<std::string> args;
    std::string sent;
    std::string received;  // everything before the end
    End end;
    const char* logged;
};

class SimEndingTest : public SimTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(SimEndingTest, EndsTheConnectionAfterItsFrames) {
    const EndingCase& c = GetParam();
    startSim(c.args);
    LoopbackClient client(sim.port());
    ASSERT_TRUE(client.send(c.sent));
    const auto ending = client.receiveToEnd();
    EXPECT_EQ(ending.bytes, c.received);
    EXPECT_EQ(ending.error, c.end == End::Closed ? 0 : ECONNRESET)
        << "errno " << ending.error << " (EAGAIN: the connection stayed open)";
    client.close();
    EXPECT_TRUE(sim.waitForLine(c.logged));

    // And it listens again.
    LoopbackClient next(sim.port());
    ASSERT_TRUE(next.connected());
    EXPECT_TRUE(sim.waitForCount("connection accepted", 2));
}

INSTANTIATE_TEST_SUITE_P(SimEnding, SimEndingTest,
                         ::testing::ValuesIn(std::vector<EndingCase>{
                             {"close_after_two_frames_answers_both",
                              {"--inputs", "0x0F", "--close-after", "2"},
                              kAyt + kReadInputs + kAyt,
                              kAytAnswer + kReport0F,
                              End::Closed,
                              "connection closed (close-after 2)"},
                             {"close_after_zero_closes_at_once",
                              {"--close-after", "0"},
                              "",
                              "",
                              End::Closed,
                              "connection closed (close-after 0)"},
                             {"text_is_not_counted",
                              {"--close-after", "1"},
                              "hello\r\n" + kAyt + kAyt,
                              kAytAnswer,
                              End::Closed,
                              "connection closed (close-after 1)"},
                             {"reset_after_one_frame_answers_it_first",
                              {"--inputs", "0x0F", "--reset-after", "1"},
                              kReadInputs + kAyt,
                              kReport0F,
                              End::Reset,
                              "connection reset (reset-after 1)"},
                             {"close_inside_a_subnegotiation",
                              {"--inputs", "0x0F", "--close-after", "1", "--cut-last", "3"},
                              kReadInputs,
                              bytes({0xFF, 0xFA, 0x2C}),
                              End::Closed,
                              "connection closed (close-after 1)"},
                             {"reset_before_the_mask_byte",
                              {"--inputs", "0x0F", "--reset-after", "2", "--cut-last", "4"},
                              kAyt + kReadInputs,
                              kAytAnswer + bytes({0xFF, 0xFA, 0x2C, 0x96}),
                              End::Reset,
                              "connection reset (reset-after 2)"},
                             {"split_writes_deliver_every_byte",
                              {"--inputs", "0x0F", "--split-writes", "--close-after", "3"},
                              kAyt + kReadInputs + protocol::writeOutputsFrame(0xFF),
                              kAytAnswer + kReport0F,
                              End::Closed,
                              "connection closed (close-after 3)"},
                         }),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, SilentAfterItsFramesStillReadsButAnswersNothing) {
    startSim({"--follow-outputs", "--silent-after", "1"});
    LoopbackClient client(sim.port());
    ASSERT_TRUE(client.send(kAyt));
    ASSERT_EQ(client.receive(kAytAnswer.size()), kAytAnswer);

    ASSERT_TRUE(client.send(protocol::writeOutputsFrame(0x24) + kReadInputs + kAyt));
    ASSERT_TRUE(sim.waitForCount("rx FF F6 ayt", 2));
    // Outputs are still taken; the answer comes after every line logged before it.
    EXPECT_EQ(sim.outputs(), 0x24);
    EXPECT_EQ(sim.count("tx "), 1u) << "only the first probe is answered";
    EXPECT_TRUE(client.nothingWaiting()) << "silent, and the connection stays open";
}

TEST_F(SimTest, FloodSendsItsTextAndStillAnswers) {
    constexpr std::size_t kFlood = 1'000'000;
    startSim({"--flood", std::to_string(kFlood)});
    LoopbackClient client(sim.port());
    ASSERT_TRUE(client.send(kAyt));
    std::string got = client.receive(kFlood + kAytAnswer.size());
    ASSERT_EQ(got.size(), kFlood + kAytAnswer.size());

    // The answer may land anywhere in the flood, but whole.
    const auto answer = got.find(kAytAnswer);
    ASSERT_NE(answer, std::string::npos);
    got.erase(answer, kAytAnswer.size());
    EXPECT_EQ(std::count_if(got.begin(), got.end(),
                            [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; }),
              0)
        << "flood text holds no Telnet command bytes";
    EXPECT_TRUE(client.nothingWaiting());
}

struct KeepAliveCase {
    const char* name;
    friend void PrintTo(const KeepAliveCase& c, std::ostream* os) { *os << c.name; }
    std::vector<std::string> args;
    std::string unit;  // what every keep-alive is
};

class SimKeepAliveTest : public SimTest, public ::testing::WithParamInterface<KeepAliveCase> {};

TEST_P(SimKeepAliveTest, SendsNothingButKeepAlives) {
    const KeepAliveCase& c = GetParam();
    startSim(c.args);
    LoopbackClient client(sim.port());
    const std::size_t count = 3;
    std::string expected;
    for (std::size_t i = 0; i < count; ++i) {
        expected += c.unit;
    }
    EXPECT_EQ(client.receive(expected.size()), expected);
}

INSTANTIATE_TEST_SUITE_P(SimKeepAlive, SimKeepAliveTest,
                         ::testing::ValuesIn(std::vector<KeepAliveCase>{
                             {"iac_nop", {"--nop-every", "0.02"}, bytes({0xFF, 0xF1})},
                             {"bare_nop", {"--nop-every", "0.02", "--bare-nop"}, bytes({0xF1})},
                         }),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, TextLinesComeOneAfterAnother) {
    startSim({"--text-every", "10"});
    LoopbackClient client(sim.port());
    std::string got;
    while (std::count(got.begin(), got.end(), '\n') < 3) {
        const std::string more = client.receive(1);
        ASSERT_EQ(more.size(), 1u) << "after " << got;
        got += more;
    }
    EXPECT_EQ(got, "QM47 text line 1\r\nQM47 text line 2\r\nQM47 text line 3\r\n");
}

TEST_F(SimTest, DropsAClientWhoseOutputPilesUp) {
    constexpr std::size_t kBound = 1 << 20;
    startSim({"--quiet", "--inputs", "0x0F", "--max-queue", std::to_string(kBound)});
    {
        // A reader that never reads, with a tiny window: answers pile up in the simulator.
        LoopbackClient hog(sim.port(), 4096);
        std::string requests;
        for (int i = 0; i < 10'000; ++i) {
            requests += kReadInputs;
        }
        std::size_t sent = 0;
        while (sent < (std::size_t{256} << 20) && hog.send(requests) &&
               !sim.waitForLine("connection dropped", 0ms)) {
            sent += requests.size();
        }
        EXPECT_TRUE(sim.waitForLine("connection dropped")) << "after " << sent << " bytes sent";
    }
    // Meanwhile and after, the simulator itself stays responsive.
    EXPECT_EQ(sim.inputs(), 0x0F);
    LoopbackClient next(sim.port());
    ASSERT_TRUE(next.send(kAyt));
    EXPECT_EQ(next.receive(kAytAnswer.size()), kAytAnswer);
}

}  // namespace

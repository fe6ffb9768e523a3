// The simulator as the device: what it answers over TCP, what it logs, its inputs and outputs,
// its connections one after another.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

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
using testsupport::ChildProcess;

struct ExchangeCase {
    const char* name;
    friend void PrintTo(const ExchangeCase& c, std::ostream* os) { *os << c.name; }
    std::vector<std::string> args;
    std::vector<std::string> writes;  // each one send() of its own
    std::string reply;                // everything the simulator sends back
    std::vector<std::string> logged;  // lines the simulator prints, in this order
    std::optional<std::uint8_t> outputs = std::nullopt;
};

class SimExchangeTest : public simtest::SimTest,
                        public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(SimExchangeTest, AnswersAndLogs) {
    const ExchangeCase& c = GetParam();
    startSim(c.args);
    LoopbackClient client(sim.port());
    ASSERT_TRUE(client.connected());
    for (const auto& write : c.writes) {
        ASSERT_TRUE(client.send(write));
    }
    EXPECT_EQ(client.receive(c.reply.size()), c.reply);
    EXPECT_EQ(sim.missingInOrder(c.logged), std::nullopt);
    if (c.outputs) {
        EXPECT_EQ(sim.outputs(), c.outputs);
    }
    // Nothing more than the reply: the last write ends with a probe the reply ends with.
    EXPECT_TRUE(client.nothingWaiting());
}

const std::string kWriteAllOn = protocol::writeOutputsFrame(0xFF);

INSTANTIATE_TEST_SUITE_P(
    SimExchange, SimExchangeTest,
    ::testing::ValuesIn(std::vector<ExchangeCase>{
        {"ayt_gets_a_line_of_text",
         {},
         {kAyt},
         kAytAnswer,
         {"connection accepted from 127.0.0.1:", "rx FF F6 ayt", "tx 51 4D 34 37"}},
        {"fixed_inputs_report",
         {"--inputs", "0x0F"},
         {kReadInputs},
         protocol::inputReportFrame(0x0F),
         {"rx FF FA 2C 32 00 FF F0 read-inputs", "tx FF FA 2C 96 0F FF F0 input-report 0x0F"}},
        {"decimal_inputs",
         {"--inputs", "165"},
         {kReadInputs},
         protocol::inputReportFrame(0xA5),
         {}},
        {"inputs_follow_outputs",
         {"--follow-outputs"},
         {protocol::writeOutputsFrame(0x3C), kReadInputs},
         protocol::inputReportFrame(0x3C),
         {"rx FF FA 2C 33 3C FF F0 write-outputs 0x3C", "input-report 0x3C"},
         0x3C},
        {"all_on_mask_travels_raw_both_ways",
         {"--follow-outputs"},
         {kWriteAllOn, kReadInputs},
         bytes({0xFF, 0xFA, 0x2C, 0x96, 0xFF, 0xFF, 0xF0}),
         {"rx FF FA 2C 33 FF FF F0 write-outputs 0xFF", "tx FF FA 2C 96 FF FF F0"},
         0xFF},
        {"outputs_kept_without_following",
         {"--inputs", "0x01"},
         {protocol::writeOutputsFrame(0x81), kReadInputs},
         protocol::inputReportFrame(0x01),
         {"write-outputs 0x81"},
         0x81},
        {"frames_split_across_writes",
         {"--follow-outputs"},
         {"\xFF", "\xFA\x2C", "\x33\x5A", "\xFF", "\xF0\xFF\xFA\x2C\x32", bytes({0x00}), "\xFF\xF0",
          "\xFF", "\xF6"},
         protocol::inputReportFrame(0x5A) + kAytAnswer,
         {"write-outputs 0x5A", "read-inputs", "ayt"}},
        {"other_telnet_traffic_is_skipped",
         {"--inputs", "0x0F"},
         {bytes({0xFF, 0xFB, 0x01, 0xFF, 0xFA, 0x18, 0x00, 0xFF, 0xF0, 0xFF, 0xF1}) + "hi\r\n" +
          kReadInputs},
         protocol::inputReportFrame(0x0F),
         {"will 0x01", "subnegotiation option 0x18", "nop", "text 4 bytes \"hi\\r\\n\"",
          "input-report 0x0F"}},
        {"escaped_iac_in_text_starts_no_frame",
         {"--inputs", "0x0F"},
         {bytes({'A', 0xFF, 0xFF, 0xFA, 0x2C, 0x32, 0x00, 0xFF, 0xF0}) + kAyt},
         kAytAnswer,
         {"rx FF F0 command 0xF0", "rx FF F6 ayt"}},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, StandardInputChangesTheNextReport) {
    startSim({"--inputs", "0x0F"});
    LoopbackClient client(sim.port());
    ASSERT_TRUE(client.send(kReadInputs));
    EXPECT_EQ(client.receive(7), protocol::inputReportFrame(0x0F));
    ASSERT_TRUE(sim.setInputs(0x5A));
    ASSERT_TRUE(client.send(kReadInputs));
    EXPECT_EQ(client.receive(7), protocol::inputReportFrame(0x5A));
    // A command it does not understand is refused on standard error and changes nothing.
    ASSERT_TRUE(sim.sendLine("inputs 0x100"));
    EXPECT_EQ(sim.inputs(), 0x5A);
    EXPECT_FALSE(sim.process().errorLines().empty());
    ASSERT_TRUE(client.send(kReadInputs));
    EXPECT_EQ(client.receive(7), protocol::inputReportFrame(0x5A));
}

// Resident memory of a process, in KiB.
long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

TEST_F(SimTest, UnterminatedSubnegotiationOfTenMegabytesCostsNoMemory) {
    startSim({});
    LoopbackClient client(sim.port());
    ASSERT_TRUE(client.send(kAyt));
    ASSERT_EQ(client.receive(kAytAnswer.size()), kAytAnswer);
    const long before = residentKiB(sim.process().pid());

    constexpr std::size_t kSize = 10 * 1024 * 1024;
    ASSERT_TRUE(client.send(bytes({0xFF, 0xFA, 0x01})));
    const std::string piece(64 * 1024, 'x');
    for (std::size_t sent = 0; sent < kSize; sent += piece.size()) {
        ASSERT_TRUE(client.send(piece));
    }
    // Everything is swallowed up to IAC SE; the next probe is answered again.
    ASSERT_TRUE(client.send(bytes({0xFF, 0xF0}) + kAyt));
    EXPECT_EQ(client.receive(kAytAnswer.size()), kAytAnswer);
    EXPECT_TRUE(
        sim.waitForLine("subnegotiation option 0x01, " + std::to_string(3 + kSize + 2) + " bytes"));

    const long after = residentKiB(sim.process().pid());
    ASSERT_GT(before, 0);
    EXPECT_LT(after - before, 4 * 1024)
        << "resident memory grew from " << before << " KiB to " << after << " KiB";
}

TEST_F(SimTest, TakesTheNextConnectionWhenOneEnds) {
    startSim({"--follow-outputs"});
    LoopbackClient first(sim.port());
    ASSERT_TRUE(first.send(protocol::writeOutputsFrame(0x42) + kAyt));
    ASSERT_EQ(first.receive(kAytAnswer.size()), kAytAnswer);

    // The second waits in the backlog while the first is served.
    LoopbackClient second(sim.port());
    ASSERT_TRUE(second.connected());
    ASSERT_TRUE(second.send(kReadInputs));
    first.close();
    EXPECT_TRUE(sim.waitForLine("connection closed by peer"));

    // The device keeps its outputs from one connection to the next.
    EXPECT_EQ(second.receive(7), protocol::inputReportFrame(0x42));
    EXPECT_TRUE(sim.waitForCount("connection accepted", 2));
}

struct InputCase {
    const char* name;
    friend void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }
    ChildProcess::Input input;
    bool closeAfterStart;
};

class SimStandardInputTest : public simtest::SimTest,
                             public ::testing::WithParamInterface<InputCase> {};

// CPU time the process has used, in clock ticks.
long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) {
            ticks += std::stol(field);
        }
    }
    return ticks;
}

TEST_P(SimStandardInputTest, ServesWithoutItAndDoesNotSpin) {
    const InputCase& c = GetParam();
    startSim({}, c.input);
    if (c.closeAfterStart) {
        sim.closeInput();
    }
    LoopbackClient client(sim.port());
    ASSERT_TRUE(client.send(kAyt));
    EXPECT_EQ(client.receive(kAytAnswer.size()), kAytAnswer);

    // A loop that keeps polling an input at its end would burn a whole core meanwhile.
    const long before = cpuTicks(sim.process().pid());
    std::this_thread::sleep_for(500ms);
    const long used = cpuTicks(sim.process().pid()) - before;
    EXPECT_LT(used, ::sysconf(_SC_CLK_TCK) / 5) << "ticks used while idle: " << used;

    ASSERT_TRUE(client.send(kAyt));
    EXPECT_EQ(client.receive(kAytAnswer.size()), kAytAnswer);
}

INSTANTIATE_TEST_SUITE_P(SimStandardInput, SimStandardInputTest,
                         ::testing::ValuesIn(std::vector<InputCase>{
                             {"closed_descriptor", ChildProcess::Input::Closed, false},
                             {"pipe_at_its_end", ChildProcess::Input::Pipe, true},
                         }),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

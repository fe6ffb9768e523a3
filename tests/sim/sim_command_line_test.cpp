// The simulator's command line, run as the program itself.
#include <gtest/gtest.h>

#include <chrono>

#include "sim_fixture.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ChildProcess;
using testsupport::SimProcess;

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

TEST(SimCommandLine, HelpListsEveryOptionAndSucceeds) {
    ChildProcess sim;
    ASSERT_TRUE(sim.start(SimProcess::programPath(), {"--help"}));
    EXPECT_EQ(sim.waitExit(10s), 0);
    const std::string help = joined(sim.outputLines());
    for (const char* option :
         {"--host", "--port", "--inputs", "--follow-outputs", "--close-after", "--reset-after",
          "--silent-after", "--split-writes", "--nop-every", "--flood", "--text-every",
          "--cut-last", "--bare-nop", "--max-queue", "--quiet", "inputs MASK", "outputs?"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    EXPECT_TRUE(sim.errorLines().empty());
}

struct BadCase {
    const char* name;
    friend void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
    std::vector<std::string> args;
    const char* complaint;
};

class SimBadCommandLineTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(SimBadCommandLineTest, ExitsWithTwoAndSaysWhy) {
    const BadCase& c = GetParam();
    ChildProcess sim;
    ASSERT_TRUE(sim.start(SimProcess::programPath(), c.args));
    EXPECT_EQ(sim.waitExit(10s), 2);
    EXPECT_NE(joined(sim.errorLines()).find(c.complaint), std::string::npos)
        << joined(sim.errorLines());
    EXPECT_TRUE(sim.outputLines().empty()) << "it must not start listening";
}

INSTANTIATE_TEST_SUITE_P(
    SimCommandLine, SimBadCommandLineTest,
    ::testing::ValuesIn(std::vector<BadCase>{
        {"unknown_option", {"--bogus"}, "unknown option '--bogus'"},
        {"missing_value", {"--inputs"}, "--inputs needs a value"},
        {"mask_beyond_a_byte", {"--inputs", "0x100"}, "bad value '0x100' for --inputs"},
        {"port_beyond_range", {"--port", "65536"}, "bad value '65536' for --port"},
        {"trailing_garbage", {"--close-after", "3x"}, "bad value '3x' for --close-after"},
        {"negative_count", {"--flood", "-1"}, "bad value '-1' for --flood"},
        {"host_not_an_ipv4_address", {"--host", "localhost"}, "bad value 'localhost' for --host"},
        {"keep_alive_every_zero_seconds", {"--nop-every", "0"}, "for --nop-every"},
        {"flag_with_a_value", {"--split-writes=1"}, "takes no value"},
        {"cut_without_an_end", {"--cut-last", "3"}, "--cut-last needs --close-after"},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimCommandLine, PortInUseIsReportedAndFails) {
    SimProcess first;
    ASSERT_TRUE(first.start()) << first.error();
    ChildProcess second;
    ASSERT_TRUE(second.start(SimProcess::programPath(), {"--port", std::to_string(first.port())}));
    EXPECT_EQ(second.waitExit(10s), 1);
    EXPECT_NE(joined(second.errorLines()).find("cannot listen on 127.0.0.1:"), std::string::npos)
        << joined(second.errorLines());
}

}  // namespace

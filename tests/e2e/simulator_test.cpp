// The window against the controller simulator running as a child process.
#include <string>

#include "tests/e2e/real_window_fixture.h"
#include "tests/support/sim_launcher.h"

namespace testsupport {
namespace {

class SimulatorTest : public RealWindowTest {
  protected:
    SimProcess sim;

    void connectToSim(const std::vector<std::string>& args, const std::string& settings = "") {
        ASSERT_TRUE(sim.start(args)) << sim.error();
        startAndConnect(sim.port(), settings);
        ASSERT_TRUE(waitLive());
    }
};

TEST_F(SimulatorTest, ConnectShowsTheAytAnswerAndTheSimulatorSawTheProbe) {
    connectToSim({});
    EXPECT_TRUE(sim.waitForLine("rx FF F6", kBound));
    ASSERT_TRUE(waitFor([&] { return form->Memo.lines().size() > 5; }));
    // The answer is text: it reaches the log as the text line, then its hex dump.
    EXPECT_FALSE(form->Memo.lines()[5].empty());
    EXPECT_NE(form->Memo.lines()[5].find_first_not_of("0123456789ABCDEF "), std::string::npos);
}

TEST_F(SimulatorTest, ReadInputsBringsBackAReportThatSetsTheIndicators) {
    connectToSim({"--inputs", "0x0F"});
    form->buReadInputs.operatorClick();
    ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0x0F); }));
    EXPECT_TRUE(logContains("FF FA 2C 96 0F FF F0 "));
}

TEST_F(SimulatorTest, SwitchesAndThePatternRunReachTheOutputs) {
    connectToSim({});
    form->LED3.operatorClick();
    ASSERT_TRUE(sim.waitForLine("write-outputs 0x08", kBound));
    EXPECT_EQ(sim.outputs(kBound), std::optional<std::uint8_t>(0x08));
    form->LED3.operatorClick();
    ASSERT_TRUE(sim.waitForLine("write-outputs 0x00", kBound));
    const std::size_t from = sim.mark();
    form->buPrettyPattern.operatorClick();
    loop.advance(tk::Millis(1600));
    ASSERT_TRUE(waitFor([&] { return sim.count("write-outputs") >= 2 + 24; }));
    std::vector<std::string> masks;
    const auto lines = sim.lines();
    for (std::size_t i = from; i < lines.size(); ++i) {
        const auto at = lines[i].find("write-outputs ");
        if (lines[i].rfind("rx ", 0) == 0 && at != std::string::npos) {
            masks.push_back(lines[i].substr(at + 14));
        }
    }
    const std::vector<std::string> expected = {"0x01", "0x01", "0x00", "0x02", "0x02", "0x00",
                                               "0x04", "0x04", "0x00", "0x08", "0x08", "0x00",
                                               "0x10", "0x10", "0x00", "0x20", "0x20", "0x00",
                                               "0x40", "0x40", "0x00", "0x80", "0x80", "0x00"};
    EXPECT_EQ(masks, expected);
}

TEST_F(SimulatorTest, PollingShowsEachReportAndFollowsChangedInputs) {
    connectToSim({"--inputs", "0x3C"}, "HexOut=0\n");
    form->cbReadRepeatedly.operatorClick();
    for (int poll = 0; poll < 3; ++poll) {
        form->TB0.setBrushColor(tk::clGray);
        loop.advance(tk::Millis(250));
        ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0x3C); }));
    }
    ASSERT_TRUE(sim.setInputs(0xA5, kBound));
    loop.advance(tk::Millis(250));
    EXPECT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0xA5); }));
}

TEST_F(SimulatorTest, HexTypedReadRequestLightsTheIndicators) {
    connectToSim({"--inputs", "0x81"});
    form->SendHex.setChecked(true);
    form->SendTxt.setText("ff fa 2c 32 00 ff f0");
    form->SendBtn.operatorClick();
    EXPECT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0x81); }));
    EXPECT_EQ(boxes.count(), 0U);
}

}  // namespace
}  // namespace testsupport

// The output switches and the pattern run, read off the socket's wire frame by frame.
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "tests/app/window_fixture.h"

namespace testsupport {
namespace {

class Outputs : public WindowTest {
  protected:
    void SetUp() override { startLive(); }

    // The masks of the write-outputs frames sent so far; anything else fails the test.
    std::vector<int> masks() {
        std::vector<int> result;
        for (const std::string& send : socket.sends) {
            EXPECT_EQ(send.size(), 7U);
            EXPECT_EQ(send, protocol::writeOutputsFrame(static_cast<std::uint8_t>(send[4])));
            result.push_back(static_cast<std::uint8_t>(send[4]));
        }
        socket.sends.clear();
        return result;
    }

    void setSwitches(int mask) {
        const auto leds = form->LEDs();
        for (int i = 0; i < 8; ++i) {
            leds[i]->setChecked(((mask >> i) & 1) != 0);
        }
        socket.sends.clear();
    }

    using Masks = std::vector<int>;
};

TEST_F(Outputs, EachSwitchChangeSendsTheWholeMask) {
    form->LED3.operatorClick();
    form->LED7.operatorClick();
    form->LED3.operatorClick();
    EXPECT_EQ(masks(), (Masks{0x08, 0x88, 0x80}));
    form->LED7.setChecked(false);  // by program: a frame too
    form->LED7.setChecked(false);  // no change: nothing
    EXPECT_EQ(masks(), Masks{0x00});
    setSwitches(0xFF);
    form->LED0.setChecked(false);
    form->LED0.setChecked(true);
    EXPECT_EQ(socket.wire().substr(7), std::string("\xFF\xFA\x2C\x33\xFF\xFF\xF0", 7));
}

struct StartRow {
    const char* name;
    int before;
    std::vector<int> frames;
};

class PatternStart : public Outputs, public ::testing::WithParamInterface<StartRow> {};

TEST_P(PatternStart, UnticksUpwardsThenTicksOutputZero) {
    setSwitches(GetParam().before);
    form->buPrettyPattern.operatorClick();
    EXPECT_EQ(masks(), GetParam().frames);
    EXPECT_EQ(form->patternBit(), 1);
    EXPECT_TRUE(form->Timer2.enabled());
}

const StartRow kStarts[] = {
    {"None", 0x00, {0x01}},
    {"OnlyZero", 0x01, {}},
    {"OnlySeven", 0x80, {0x00, 0x01}},
    {"ZeroAndSeven", 0x81, {0x01}},
    {"AllButZero", 0xFE, {0xFC, 0xF8, 0xF0, 0xE0, 0xC0, 0x80, 0x00, 0x01}},
    {"All", 0xFF, {0xFD, 0xF9, 0xF1, 0xE1, 0xC1, 0x81, 0x01}},
};
INSTANTIATE_TEST_SUITE_P(Rows, PatternStart, ::testing::ValuesIn(kStarts),
                         [](const auto& info) { return std::string(info.param.name); });

const std::vector<int> kFullRun = {0x01,  //
                                   0x01, 0x00, 0x02, 0x02, 0x00, 0x04, 0x04, 0x00,
                                   0x08, 0x08, 0x00, 0x10, 0x10, 0x00, 0x20, 0x20,
                                   0x00, 0x40, 0x40, 0x00, 0x80, 0x80, 0x00};

TEST_F(Outputs, RunFromAllOffSendsItsTwentyFourFramesAndEndsByItself) {
    form->buPrettyPattern.operatorClick();
    EXPECT_FALSE(form->buPrettyPattern.enabled());
    EXPECT_FALSE(form->buConnect.enabled());
    form->buConnect.operatorClick();  // disabled: no disconnect during a run
    EXPECT_EQ(form->buConnect.caption(), "&Disconnect");
    loop.advance(tk::Millis(1599));
    EXPECT_EQ(socket.sends.size(), 22U);
    loop.advance(tk::Millis(1));
    EXPECT_EQ(masks(), kFullRun);
    EXPECT_FALSE(form->Timer2.enabled());
    EXPECT_TRUE(form->buPrettyPattern.enabled());
    EXPECT_TRUE(form->buConnect.enabled());
    EXPECT_EQ(form->patternBit(), 128);
    for (tk::TCheckBox* led : form->LEDs()) {
        EXPECT_FALSE(led->checked());
    }
    loop.advance(tk::Millis(1000));
    EXPECT_TRUE(masks().empty());

    form->buPrettyPattern.operatorClick();  // a second run starts again from output 0
    EXPECT_EQ(form->patternBit(), 1);
    loop.advance(tk::Millis(1600));
    EXPECT_EQ(masks(), kFullRun);
}

TEST_F(Outputs, OperatorTickDuringARunJoinsTheFrames) {
    form->buPrettyPattern.operatorClick();
    loop.advance(tk::Millis(400));  // steps 1 and 2
    masks();
    form->LED5.operatorClick();
    EXPECT_EQ(masks(), Masks{0x24});
    loop.advance(tk::Millis(200));
    EXPECT_EQ(masks(), (Masks{0x04, 0x20, 0x28}));
    loop.advance(tk::Millis(200));
    EXPECT_EQ(masks(), (Masks{0x08, 0x20, 0x30}));
    loop.advance(tk::Millis(200));
    EXPECT_EQ(masks(), (Masks{0x10, 0x20}));
    loop.advance(tk::Millis(600));
    EXPECT_EQ(masks(), (Masks{0x20, 0x00, 0x40, 0x40, 0x00, 0x80, 0x80, 0x00}));
}

TEST_F(Outputs, RunOutlivesTheSessionAndLogsEveryFrameItCannotSend) {
    form->buPrettyPattern.operatorClick();
    loop.advance(tk::Millis(200));  // step 1 on the wire
    form->ClearBtn.operatorClick();
    socket.raiseClosed();
    loop.advance(tk::Millis(1400));  // steps 2 to 8
    EXPECT_EQ(form->Memo.lines(), std::vector<std::string>(6 * 3 + 2, "Socket error: 10057"));
    EXPECT_TRUE(form->buPrettyPattern.enabled());
    EXPECT_TRUE(form->buConnect.enabled());
    for (tk::TCheckBox* led : form->LEDs()) {
        EXPECT_FALSE(led->enabled());
    }
    EXPECT_FALSE(form->Timer2.enabled());
}

}  // namespace
}  // namespace testsupport

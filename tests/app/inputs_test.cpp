// Read Once, Read Repeatedly and the tick-tock light, on the virtual clock.
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "tests/app/window_fixture.h"

namespace testsupport {
namespace {

class Inputs : public WindowTest {
  protected:
    void SetUp() override { startLive(); }
    std::size_t requests() const {
        std::size_t n = 0;
        for (const std::string& send : socket.sends) {
            EXPECT_EQ(send, protocol::kReadInputsRequest);
            ++n;
        }
        return n;
    }
};

TEST_F(Inputs, ReadOnceSendsOneRequestAndFlipsTheLight) {
    EXPECT_EQ(form->shTickTock.brushColor(), tk::clBlue);
    form->buReadInputs.operatorClick();
    EXPECT_EQ(requests(), 1U);
    EXPECT_EQ(socket.wire(), std::string("\xFF\xFA\x2C\x32\x00\xFF\xF0", 7));
    EXPECT_EQ(form->shTickTock.brushColor(), tk::clRed);
    form->buReadInputs.operatorClick();
    EXPECT_EQ(form->shTickTock.brushColor(), tk::clBlue);
}

TEST_F(Inputs, PollingSendsEveryQuarterSecondUntilUnticked) {
    form->cbReadRepeatedly.operatorClick();
    EXPECT_EQ(requests(), 0U);
    EXPECT_FALSE(form->buReadInputs.enabled());
    const std::vector<tk::TColor> lights = {tk::clRed, tk::clBlue, tk::clRed};
    for (std::size_t tick = 1; tick <= 3; ++tick) {
        loop.advance(tk::Millis(249));
        EXPECT_EQ(requests(), tick - 1);
        loop.advance(tk::Millis(1));
        EXPECT_EQ(requests(), tick);
        EXPECT_EQ(form->shTickTock.brushColor(), lights[tick - 1]);
    }
    loop.advance(tk::Millis(100));
    form->cbReadRepeatedly.operatorClick();
    EXPECT_TRUE(form->buReadInputs.enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    loop.advance(tk::Millis(1000));
    EXPECT_EQ(requests(), 3U);
    EXPECT_EQ(form->shTickTock.brushColor(), tk::clRed);
}

TEST_F(Inputs, ReadOnceDuringPollingAfterAReconnectAddsOneRequest) {
    form->cbReadRepeatedly.operatorClick();
    socket.raiseClosed();
    form->buConnect.operatorClick();
    socket.raiseConnected();
    socket.sends.clear();
    ASSERT_TRUE(form->buReadInputs.enabled());
    form->buReadInputs.operatorClick();
    loop.advance(tk::Millis(250));
    EXPECT_EQ(requests(), 2U);
}

struct ReportRow {
    const char* name;
    int mask;
    std::vector<tk::TColor> colours;
};

class InputReport : public Inputs, public ::testing::WithParamInterface<ReportRow> {};

TEST_P(InputReport, LightsIndicatorsWhoseBitIsClear) {
    socket.raiseData(protocol::inputReportFrame(static_cast<std::uint8_t>(GetParam().mask)));
    EXPECT_EQ(indicatorColours(), GetParam().colours);
}

const ReportRow kReports[] = {
    {"AllClear", 0x00, allIndicators(tk::clLime)},
    {"AllSet", 0xFF, allIndicators(tk::clGreen)},
    {"AllButZero",
     0xFE,
     {tk::clLime, tk::clGreen, tk::clGreen, tk::clGreen, tk::clGreen, tk::clGreen, tk::clGreen,
      tk::clGreen}},
};
INSTANTIATE_TEST_SUITE_P(Rows, InputReport, ::testing::ValuesIn(kReports),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace testsupport

// Received chunks through the window: the log's lines, the indicators, the big-chunk warning.
#include <string>
#include <vector>

#include "tests/app/window_fixture.h"

namespace testsupport {
namespace {

const std::string kReport0F("\xFF\xFA\x2C\x96\x0F\xFF\xF0", 7);
const char* const kBigChunkWarning =
    "Program expects packets of < about 254... but could be revised.";

class Receiving : public WindowTest {
  protected:
    void SetUp() override {
        startLive();
        form->ClearBtn.operatorClick();
    }
    const std::vector<std::string>& log() { return form->Memo.lines(); }
};

TEST_F(Receiving, ReportSetsIndicatorsBeforeTheChunksLinesAreLogged) {
    std::vector<tk::TColor> coloursWhenLogged;
    form->Memo.setViewHook([&](tk::Aspect) { coloursWhenLogged = indicatorColours(); });
    socket.raiseData("A" + kReport0F);
    const std::vector<tk::TColor> expected = {tk::clGreen, tk::clGreen, tk::clGreen, tk::clGreen,
                                              tk::clLime,  tk::clLime,  tk::clLime,  tk::clLime};
    EXPECT_EQ(indicatorColours(), expected);
    EXPECT_EQ(coloursWhenLogged, expected);
    EXPECT_EQ(log(), (std::vector<std::string>{"A", "41 FF FA 2C 96 0F FF F0 "}));
}

TEST_F(Receiving, HexLineOnlyWithHexOutputTicked) {
    form->HexOutput.setChecked(false);
    socket.raiseData(kReport0F);
    socket.raiseData("ok");
    EXPECT_EQ(log(), std::vector<std::string>{"ok"});
}

TEST_F(Receiving, LogEntryKeepsLineEndsAndZeroBytes) {
    form->HexOutput.setChecked(false);
    const std::string text("one\r\ntwo\0three\xE9", 15);
    socket.raiseData(text);
    EXPECT_EQ(log(), std::vector<std::string>{text});
}

struct ChunkRow {
    const char* name;
    int size;
    bool warns;
};

class ChunkSize : public Receiving, public ::testing::WithParamInterface<ChunkRow> {};

TEST_P(ChunkSize, WarnsFrom253BytesAndStillLogsTheChunk) {
    form->HexOutput.setChecked(false);
    std::size_t loggedWhenWarned = 99;
    boxes.whileOpen = [&](const RecordedBox&) { loggedWhenWarned = log().size(); };
    socket.raiseData(std::string(static_cast<std::size_t>(GetParam().size), 'x'));
    EXPECT_EQ(boxes.count(), GetParam().warns ? 1U : 0U);
    if (GetParam().warns) {
        EXPECT_EQ(boxes.boxes()[0].kind, tk::BoxKind::plain);
        EXPECT_EQ(boxes.boxes()[0].title, "QM47");
        EXPECT_EQ(boxes.boxes()[0].text, kBigChunkWarning);
        EXPECT_EQ(loggedWhenWarned, 0U);
    }
    EXPECT_EQ(log(), std::vector<std::string>{std::string(GetParam().size, 'x')});
}

const ChunkRow kChunks[] = {
    {"Size252", 252, false}, {"Size253", 253, true}, {"Size255", 255, true}};
INSTANTIATE_TEST_SUITE_P(Rows, ChunkSize, ::testing::ValuesIn(kChunks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Receiving, MoreThanAChunkArrivesInOrderOneWarningPerFullChunk) {
    form->HexOutput.setChecked(false);
    std::string burst;
    for (int i = 0; i < 600; ++i) {
        burst += static_cast<char>('a' + i % 26);
    }
    socket.inbox = burst;
    socket.drain();
    ASSERT_EQ(log().size(), 3U);
    EXPECT_EQ(log()[0] + log()[1] + log()[2], burst);
    EXPECT_EQ(log()[2].size(), 90U);
    EXPECT_EQ(boxes.count(), 2U);
}

TEST_F(Receiving, ChunkArrivingUnderTheWarningIsLoggedAfterTheChunkInHand) {
    form->HexOutput.setChecked(false);
    boxes.whileOpen = [&](const RecordedBox&) {
        boxes.whileOpen = nullptr;
        socket.raiseData("second");
    };
    socket.raiseData(std::string(255, 'f'));
    EXPECT_EQ(log(), (std::vector<std::string>{std::string(255, 'f'), "second"}));
}

TEST_F(Receiving, NothingReadMeansNothingHappens) {
    for (int result : {0, -1}) {
        socket.receiveOverride = [result] { return result; };
        socket.raiseData("");
    }
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(boxes.count(), 0U);
    EXPECT_EQ(form->nvtState(), protocol::nsData);
}

TEST_F(Receiving, DecoderStateOutlivesTheConnection) {
    form->HexOutput.setChecked(false);
    socket.raiseData(std::string("\xFF\xFA\x2C\x96", 4));
    form->buConnect.operatorClick();  // disconnect
    EXPECT_EQ(form->nvtState(), protocol::nsInputReport);
    form->buConnect.operatorClick();
    socket.raiseConnected();
    // The new connection's first byte is taken as the mask; its text is swallowed up to IAC.
    socket.raiseData(
        std::string("\x00"
                    "abc\xFF\xF0"
                    "def",
                    9));
    EXPECT_EQ(indicatorColours(), allIndicators(tk::clLime));
    EXPECT_EQ(log(), std::vector<std::string>{"def"});
}

TEST_F(Receiving, EchoFilterDropsBareNopsOnlyWhenTicked) {
    form->HexOutput.setChecked(false);
    socket.raiseData(
        "A\xF1"
        "B");
    form->NVTFiltr.setChecked(false);
    socket.raiseData(
        "A\xF1"
        "B");
    EXPECT_EQ(log(), (std::vector<std::string>{"AB",
                                               "A\xF1"
                                               "B"}));
}

}  // namespace
}  // namespace testsupport

// The window against the simulator's network faults: resets and closes inside a frame,
// silence, a one-byte trickle, keep-alive NOPs and a flood.
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/nvt_decoder.h"
#include "tests/hostile/hostile_fixture.h"
#include "tests/support/scripted_socket.h"

namespace testsupport {
namespace {

using std::chrono_literals::operator""ms;

TEST_F(HostileTest, ResetInsideAReportEndsTheSessionAndLightsNothing) {
    // Frame 2 (the read request) is answered by the first four bytes of a report, then a reset.
    connectToSim({"--reset-after", "2", "--cut-last", "4", "--inputs", "0x00"}, "HexOut=0\n");
    ASSERT_TRUE(waitFor([&] { return joinedFrom(kDesignedLogLines) == kSimAytAnswer; }));
    form->buReadInputs.operatorClick();
    ASSERT_TRUE(waitFor([&] { return sessionIdle(); }));
    EXPECT_TRUE(logHas("Socket error: 10054"));
    // The mask byte never came: a mask of 0 would have lit all eight.
    EXPECT_EQ(indicatorColours(), std::vector<tk::TColor>(8, tk::clGray));
    EXPECT_EQ(boxes.count(), 0U);
}

TEST_F(HostileTest, CloseInsideASubnegotiationCarriesTheDecoderIntoTheNextSession) {
    // The fourth frame is answered by FF FA 2C alone, then an orderly close.
    connectToSim({"--close-after", "4", "--cut-last", "3", "--inputs", "0x0F"}, "HexOut=0\n");
    ASSERT_TRUE(waitFor([&] { return joinedFrom(kDesignedLogLines) == kSimAytAnswer; }));
    for (int read = 0; read < 3; ++read) {
        form->buReadInputs.operatorClick();
    }
    ASSERT_TRUE(waitFor([&] { return sessionIdle(); }));
    EXPECT_EQ(form->nvtState(), protocol::nsComPort);
    EXPECT_EQ(indicatorColours(), coloursFor(0x0F)) << "a closed session keeps the indicators";
    EXPECT_FALSE(logContains("Socket error"));

    // The next session's first bytes are the AYT answer: inside the left-over subnegotiation
    // they are skipped, and only the hex dump shows they came.
    ASSERT_TRUE(sim.setInputs(0xF0));
    form->HexOutput.operatorClick();
    ASSERT_TRUE(form->HexOutput.checked());
    const std::size_t second = logSize();
    form->buConnect.operatorClick();
    ASSERT_TRUE(waitLive());
    const std::string answerHex = toHex(kSimAytAnswer) + " ";
    ASSERT_TRUE(waitFor([&] { return joinedFrom(second) == answerHex; }));
    EXPECT_TRUE(onlyHexLinesFrom(second)) << "swallowed text must not reach the log";
    EXPECT_EQ(form->nvtState(), protocol::nsComPort);

    // The report's own IAC ends the swallowing: it lights the indicators and text shows again.
    form->buReadInputs.operatorClick();
    ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0xF0); }));
    ASSERT_TRUE(waitFor([&] { return form->nvtState() == protocol::nsData; }));
    EXPECT_TRUE(onlyHexLinesFrom(second));
    form->HexOutput.operatorClick();
    const std::size_t third = logSize();
    form->AYTBtn.operatorClick();
    EXPECT_TRUE(waitFor([&] { return joinedFrom(third) == kSimAytAnswer; }));
    EXPECT_EQ(boxes.count(), 0U);
}

TEST_F(HostileTest, SilentControllerLeavesPollingRunningAndIndicatorsAsTheyWere) {
    connectToSim({"--silent-after", "2", "--inputs", "0x3C"}, "HexOut=0\n");
    form->buReadInputs.operatorClick();
    ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0x3C); }));
    ASSERT_TRUE(sim.waitForLine("silent after 2 frames", kBound));
    const std::size_t logged = logSize();

    form->cbReadRepeatedly.operatorClick();
    for (int tick = 0; tick < 10; ++tick) {
        loop.advance(250ms);
    }
    ASSERT_TRUE(sim.waitForCount("read-inputs", 1 + 10, kBound));
    loop.processPending();
    EXPECT_EQ(logSize(), logged);
    EXPECT_EQ(indicatorColours(), coloursFor(0x3C));
    EXPECT_EQ(form->buConnect.caption(), "&Disconnect");
    EXPECT_TRUE(form->cbReadRepeatedly.checked());

    // Nothing waits on the missing answers: Disconnect ends it at once.
    const std::size_t simMark = sim.mark();
    form->buConnect.operatorClick();
    EXPECT_TRUE(sessionIdle());
    EXPECT_TRUE(sim.waitForLine("connection", kBound, simMark));
    EXPECT_EQ(boxes.count(), 0U);
}

TEST_F(HostileTest, OneByteTrickleStillLightsIndicatorsAndLogsTheWholeAnswer) {
    connectToSim({"--split-writes", "--inputs", "0x5A"}, "HexOut=0\n");
    // Possibly one entry per byte; joined they are the answer.
    ASSERT_TRUE(waitFor([&] { return joinedFrom(kDesignedLogLines) == kSimAytAnswer; }));
    form->buReadInputs.operatorClick();
    ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0x5A); }));

    ASSERT_TRUE(sim.setInputs(0xA5));
    form->cbReadRepeatedly.operatorClick();
    loop.advance(250ms);
    ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0xA5); }));
    ASSERT_TRUE(waitFor([&] { return form->nvtState() == protocol::nsData; }));
    EXPECT_EQ(joinedFrom(kDesignedLogLines), kSimAytAnswer) << "report bytes leaked into the text";
    EXPECT_EQ(boxes.count(), 0U);
}

struct NopRow {
    const char* name;
    bool bare;         // a lone F1 instead of IAC NOP
    bool filter;       // "NVT echo filter"
    bool shownAsText;  // the F1 bytes reach the log
};

void PrintTo(const NopRow& row, std::ostream* os) {
    *os << row.name;
}

class KeepAliveNops : public HostileTest, public ::testing::WithParamInterface<NopRow> {};

TEST_P(KeepAliveNops, OnlyABareNopWithTheFilterOffReachesTheLog) {
    const NopRow& row = GetParam();
    std::vector<std::string> args = {"--nop-every", "0.05", "--inputs", "0x0F"};
    if (row.bare) {
        args.emplace_back("--bare-nop");
    }
    connectToSim(args, std::string("HexOut=0\nFilterEcho=") + (row.filter ? "1" : "0") + "\n");
    ASSERT_TRUE(sim.waitForCount("nop", 3, kBound));
    // Once the report lights the indicators, every NOP sent before it has been decoded.
    form->buReadInputs.operatorClick();
    ASSERT_TRUE(waitFor([&] { return indicatorColours() == coloursFor(0x0F); }));
    form->buConnect.operatorClick();

    std::size_t nopsBeforeReport = 0;
    for (const std::string& line : sim.lines()) {
        if (line.find("input-report") != std::string::npos) {
            break;
        }
        nopsBeforeReport += line.find("nop") != std::string::npos ? 1 : 0;
    }
    ASSERT_GE(nopsBeforeReport, 3U);

    std::string text = joinedFrom(kDesignedLogLines);
    const std::size_t answer = text.find(kSimAytAnswer);
    ASSERT_NE(answer, std::string::npos) << "the answer came whole, between NOPs";
    text.erase(answer, kSimAytAnswer.size());
    if (row.shownAsText) {
        EXPECT_GE(text.size(), nopsBeforeReport);
        EXPECT_EQ(text.find_first_not_of('\xF1'), std::string::npos) << toHex(text);
    } else {
        EXPECT_EQ(text, "") << toHex(text);
    }
}

const NopRow kNops[] = {
    {"IacNopFilterOn", false, true, false},
    {"IacNopFilterOff", false, false, false},
    {"BareNopFilterOn", true, true, false},
    {"BareNopFilterOff", true, false, true},
};
INSTANTIATE_TEST_SUITE_P(Rows, KeepAliveNops, ::testing::ValuesIn(kNops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostileTest, FloodArrivesWholeInOrderWithOneWarningPerLargeChunk) {
    constexpr std::size_t kFlood = 100000;
    connectToSim({"--flood", std::to_string(kFlood)}, "HexOut=0\n");
    const std::size_t total = kFlood + kSimAytAnswer.size();
    std::size_t counted = kDesignedLogLines;
    std::size_t received = 0;
    ASSERT_TRUE(waitFor([&] {
        const auto& lines = form->Memo.lines();
        for (; counted < lines.size(); ++counted) {
            received += lines[counted].size();
        }
        return received >= total;
    }));

    const std::string line = "The quick brown fox jumps over the lazy dog 0123456789\r\n";
    std::string expected;
    for (std::size_t i = 0; i < kFlood; ++i) {
        expected += line[i % line.size()];
    }
    std::string text = joinedFrom(kDesignedLogLines);
    const std::size_t answer = text.find(kSimAytAnswer);
    ASSERT_NE(answer, std::string::npos);
    text.erase(answer, kSimAytAnswer.size());
    EXPECT_TRUE(text == expected) << "the flood's text came changed or out of order";

    // All of it is text, so every chunk is one entry of its own size.
    std::size_t largeChunks = 0;
    for (std::size_t i = kDesignedLogLines; i < logSize(); ++i) {
        largeChunks += form->Memo.lines()[i].size() >= 253 ? 1 : 0;
    }
    EXPECT_EQ(boxes.countOf(tk::BoxKind::plain), largeChunks);
    EXPECT_EQ(boxes.count(), largeChunks);
    ASSERT_GT(largeChunks, RecordingBoxes::kKept);
    EXPECT_EQ(boxes.boxes().size(), RecordingBoxes::kKept) << "boxes must be counted, not kept";
    EXPECT_EQ(boxes.boxes().back().text, kChunkWarning);
}

}  // namespace
}  // namespace testsupport

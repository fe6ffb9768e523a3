#include "protocol/nvt_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/protocol/byte_strings.h"

namespace {

using protocol::ChunkLines;
using protocol::decodeChunk;
using protocol::NvtState;
using test_bytes::bytes;
using test_bytes::spelled;
using Masks = std::vector<std::uint8_t>;

// One received chunk and what it must give: its text line and the reports met inside it.
struct Chunk {
    const char* input;  // spelled, "FF FA 2C"
    const char* text;   // spelled text line, "" for none
    Masks reports;
};

struct DecoderCase {
    const char* name;
    std::vector<Chunk> chunks;
    NvtState endState;
    bool filterNop = false;
    NvtState startState = protocol::nsData;
};

void PrintTo(const DecoderCase& row, std::ostream* os) {
    *os << row.name;
}

// Rows are decoded from nsData with the NOP filter off unless they say otherwise.
const DecoderCase kDecoderCases[] = {
    {"InputReport", {{"FF FA 2C 96 0F FF F0", "", {0x0F}}}, protocol::nsData},
    {"InputReportSplitOverThreeChunks",
     {{"FF FA 2C", "", {}}, {"96 0F", "", {0x0F}}, {"FF F0", "", {}}},
     protocol::nsData},
    {"InputReportCutBeforeItsLastByte",
     {{"41 FF FA 2C 96 0F FF", "41", {0x0F}}, {"F0 42", "42", {}}},
     protocol::nsData},
    {"MaskFFIsOneRawByte", {{"FF FA 2C 96 FF FF F0", "", {0xFF}}}, protocol::nsData},
    {"MaskThatLooksLikeSE", {{"FF FA 2C 96 F0 FF F0", "", {0xF0}}}, protocol::nsData},
    {"MaskThatLooksLikeTheReportHead",
     {{"FF FA 2C 96 2C 2C 96 96 FF F0", "", {0x2C, 0x96}}},
     protocol::nsData},
    {"TwoReportsInOneSubnegotiation",
     {{"FF FA 2C 96 01 2C 96 02 FF F0", "", {0x01, 0x02}}},
     protocol::nsData},
    {"ReportInsideAnotherOption", {{"FF FA 18 2C 96 55 FF F0 41", "41", {0x55}}}, protocol::nsData},
    {"IacBeforeTheMaskLeavesTheReport", {{"FF FA 2C FF F0 96 0F", "96 0F", {}}}, protocol::nsData},
    {"ReportBetweenText", {{"41 FF FA 2C 96 00 FF F0 42", "41 42", {0x00}}}, protocol::nsData},
    // The doubled 0xFF is one data byte, and the byte after it is still read as a command.
    {"EscapedIacThenText", {{"FF FF 41 42", "FF 42", {}}}, protocol::nsData},
    {"TwoEscapedIacs", {{"FF FF FF FF", "FF FF FF", {}}}, protocol::nsIac},
    {"EscapedIacSplit", {{"FF", "", {}}, {"FF 41", "FF", {}}}, protocol::nsData},
    {"DoubledMaskAddsOneFF", {{"FF FA 2C 96 FF FF FF F0", "FF", {0xFF}}}, protocol::nsData},
    {"OptionByteAfterWillIsText", {{"FF FB 01", "01", {}}}, protocol::nsData},
    {"IacNopDropped", {{"FF F1 41", "41", {}}}, protocol::nsData},
    {"IacNopDroppedWithFilter", {{"FF F1 41", "41", {}}}, protocol::nsData, true},
    {"BareNopKeptWithoutFilter", {{"41 F1 42", "41 F1 42", {}}}, protocol::nsData},
    {"BareNopDroppedWithFilter", {{"41 F1 42", "41 42", {}}}, protocol::nsData, true},
    {"OnlyCommandsGiveNoText", {{"FF F6 FF FA 18 01 FF F0 F1", "", {}}}, protocol::nsData, true},
    {"ControlAndHighBytesUnchanged",
     {{"41 0D 0A 00 80 FE F0 FA 42", "41 0D 0A 00 80 FE F0 FA 42", {}}},
     protocol::nsData},
    {"UnterminatedReportSwallowsFollowingChunks",
     {{"FF FA 2C 96 0F", "", {0x0F}}, {"41 42 43", "", {}}, {"FF 41", "", {}}, {"44", "44", {}}},
     protocol::nsData},
    {"ChunkEndingInsideSubnegotiation", {{"41 FF FA 2C", "41", {}}}, protocol::nsComPort},
    {"ChunkEndingBeforeTheMask", {{"FF FA 2C 96", "", {}}}, protocol::nsInputReport},
    {"FirstByteAfterIacIsACommand",
     {{"41 42", "42", {}}},
     protocol::nsData,
     false,
     protocol::nsIac},
    {"FirstByteAfterReportCodeIsTheMask",
     {{"41", "", {0x41}}},
     protocol::nsSubneg,
     false,
     protocol::nsInputReport},
    {"SubnegotiationDropsTextUntilIac",
     {{"41 FF F0 42", "42", {}}},
     protocol::nsData,
     false,
     protocol::nsSubneg},
    {"EmptyChunkKeepsTheState", {{"", "", {}}}, protocol::nsComPort, false, protocol::nsComPort},
};

class DecoderCases : public testing::TestWithParam<DecoderCase> {};

TEST_P(DecoderCases, TextReportsHexAndEndState) {
    const DecoderCase& row = GetParam();
    NvtState state = row.startState;
    ChunkLines lines;
    for (std::size_t i = 0; i < row.chunks.size(); ++i) {
        const Chunk& chunk = row.chunks[i];
        SCOPED_TRACE("chunk " + std::to_string(i) + ": " + chunk.input);
        const std::string input = bytes(chunk.input);
        Masks reports;
        decodeChunk(input, state, row.filterNop, true, lines,
                    [&](std::uint8_t mask) { reports.push_back(mask); });
        EXPECT_EQ(spelled(lines.text), chunk.text);
        EXPECT_EQ(reports, chunk.reports);
        // Every byte, commands and dropped NOPs included, whatever the state.
        EXPECT_EQ(lines.hex, input.empty() ? "" : std::string(chunk.input) + " ");
    }
    EXPECT_EQ(state, row.endState);
}

INSTANTIATE_TEST_SUITE_P(Nvt, DecoderCases, testing::ValuesIn(kDecoderCases),
                         [](const testing::TestParamInfo<DecoderCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(NvtHexLine, UppercasePairsEachFollowedByABlankAndOnlyWhenAsked) {
    const std::string chunk = bytes("00 0A 41 9F FF");
    NvtState state = protocol::nsData;
    ChunkLines lines;
    int reports = 0;
    auto sink = [&](std::uint8_t) { ++reports; };

    decodeChunk(chunk, state, false, true, lines, sink);
    EXPECT_EQ(lines.hex, "00 0A 41 9F FF ");

    state = protocol::nsData;
    decodeChunk(chunk, state, false, false, lines, sink);
    EXPECT_EQ(lines.hex, "");
    EXPECT_EQ(spelled(lines.text), "00 0A 41 9F");
    EXPECT_EQ(reports, 0);
}

// The caller reuses one ChunkLines for every chunk: a short chunk must not keep the longer
// previous chunk's bytes.
TEST(NvtChunkLines, StartEmptyForEveryChunk) {
    NvtState state = protocol::nsData;
    ChunkLines lines;
    auto ignore = [](std::uint8_t) {};
    decodeChunk(bytes("41 42 43 44"), state, false, true, lines, ignore);
    decodeChunk(bytes("FF F6"), state, false, true, lines, ignore);
    EXPECT_EQ(lines.text, "");
    EXPECT_EQ(lines.hex, "FF F6 ");
}

// The window decodes every chunk into the same lines: once they have held the largest chunk, no
// further chunk may reallocate them.
TEST(NvtChunkLines, ReusedLinesKeepTheirBuffers) {
    const std::string largest(255, 'A');
    NvtState state = protocol::nsData;
    ChunkLines lines;
    auto ignore = [](std::uint8_t) {};
    decodeChunk(largest, state, true, true, lines, ignore);
    const char* const text = lines.text.data();
    const char* const hex = lines.hex.data();
    const std::string mixed = bytes("41 FF FA 2C 96 0F FF F0 42 FF FF 43 F1 FF F6");
    for (std::size_t size = 0; size <= largest.size(); ++size) {
        std::string chunk;
        while (chunk.size() < size) {
            chunk += mixed;
        }
        chunk.resize(size);
        decodeChunk(chunk, state, true, true, lines, ignore);
        ASSERT_EQ(lines.text.data(), text) << "chunk of " << size;
        ASSERT_EQ(lines.hex.data(), hex) << "chunk of " << size;
    }
}

}  // namespace

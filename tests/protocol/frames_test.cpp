#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "protocol/nvt_decoder.h"
#include "tests/protocol/byte_strings.h"

namespace {

using test_bytes::bytes;
using test_bytes::spelled;

// Seven bytes each, with the data byte raw: 0x00 is sent and 0xFF is not doubled.
TEST(Frames, SevenBytesWithTheDataByteRaw) {
    struct Row {
        const char* name;
        std::string frame;
        const char* expected;
    };
    const Row rows[] = {
        {"write all on", protocol::writeOutputsFrame(0xFF), "FF FA 2C 33 FF FF F0"},
        {"write all off", protocol::writeOutputsFrame(0x00), "FF FA 2C 33 00 FF F0"},
        {"write pattern bit 4", protocol::writeOutputsFrame(0x10), "FF FA 2C 33 10 FF F0"},
        {"read inputs", std::string(protocol::kReadInputsRequest), "FF FA 2C 32 00 FF F0"},
        {"input report", protocol::inputReportFrame(0x0F), "FF FA 2C 96 0F FF F0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.frame.size(), protocol::kFrameSize);
        EXPECT_EQ(spelled(row.frame), row.expected);
    }
    EXPECT_EQ(protocol::kAytProbe, bytes("FF F6"));
}

// What the simulator answers must be what the decoder recognises, for every mask.
TEST(Frames, InputReportDecodesToItsMask) {
    protocol::NvtState state = protocol::nsData;
    protocol::ChunkLines lines;
    for (int mask = 0; mask < 256; ++mask) {
        int reports = 0;
        protocol::decodeChunk(protocol::inputReportFrame(static_cast<std::uint8_t>(mask)), state,
                              true, false, lines, [&](std::uint8_t got) {
                                  EXPECT_EQ(got, mask);
                                  ++reports;
                              });
        EXPECT_EQ(reports, 1) << "mask " << mask;
        EXPECT_EQ(lines.text, "");
        EXPECT_EQ(state, protocol::nsData);
    }
}

}  // namespace

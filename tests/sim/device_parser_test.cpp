// The simulator's reading of the exerciser's bytes, fed whole and split at every boundary.
#include "sim/device_parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim_fixture.h"

namespace {

using sim::RxUnit;
using simtest::bytes;

// One word per unit; consecutive text is merged, as the chunking decides where it is cut.
class Transcript {
  public:
    bool take(const RxUnit& u) {
        char word[64];
        switch (u.kind) {
            case RxUnit::Kind::Text:
                if (!words_.empty() && words_.back().starts_with("text ")) {
                    words_.back() += u.headView();
                } else {
                    words_.push_back("text " + std::string(u.headView()));
                }
                return true;
            case RxUnit::Kind::Command:
                std::snprintf(word, sizeof word, "cmd %02X", u.code);
                break;
            case RxUnit::Kind::OptionCommand:
                std::snprintf(word, sizeof word, "opt %02X %02X", u.code, u.option);
                break;
            case RxUnit::Kind::ControllerFrame:
                std::snprintf(word, sizeof word, "frame %02X %02X", u.code, u.data);
                break;
            case RxUnit::Kind::Subnegotiation:
                std::snprintf(word, sizeof word, "sb %02X %llu%s", u.option,
                              static_cast<unsigned long long>(u.wireBytes),
                              u.terminated ? "" : " cut");
                break;
        }
        words_.emplace_back(word);
        return true;
    }
    const std::vector<std::string>& words() const { return words_; }

  private:
    std::vector<std::string> words_;
};

std::vector<std::string> readInPieces(const std::string& stream, std::size_t cutAt,
                                      std::size_t pieceSize) {
    sim::DeviceParser parser;
    Transcript transcript;
    const auto sink = [&transcript](const RxUnit& u) { return transcript.take(u); };
    std::string_view rest(stream);
    if (cutAt > 0) {
        EXPECT_EQ(parser.feed(rest.substr(0, cutAt), sink), cutAt);
        rest.remove_prefix(cutAt);
    }
    while (!rest.empty()) {
        const auto piece = rest.substr(0, pieceSize);
        EXPECT_EQ(parser.feed(piece, sink), piece.size());
        rest.remove_prefix(piece.size());
    }
    return transcript.words();
}

struct ParserCase {
    const char* name;
    friend void PrintTo(const ParserCase& c, std::ostream* os) { *os << c.name; }
    std::string stream;
    std::vector<std::string> units;
};

class DeviceParserTest : public ::testing::TestWithParam<ParserCase> {};

TEST_P(DeviceParserTest, ReadsTheSameUnitsHoweverTheStreamIsCut) {
    const ParserCase& c = GetParam();
    EXPECT_EQ(readInPieces(c.stream, 0, c.stream.size()), c.units) << "in one piece";
    EXPECT_EQ(readInPieces(c.stream, 0, 1), c.units) << "byte by byte";
    for (std::size_t cut = 1; cut < c.stream.size(); ++cut) {
        EXPECT_EQ(readInPieces(c.stream, cut, c.stream.size()), c.units) << "cut at " << cut;
    }
}

const std::string kWriteAllOn = bytes({0xFF, 0xFA, 0x2C, 0x33, 0xFF, 0xFF, 0xF0});

INSTANTIATE_TEST_SUITE_P(
    SimDeviceParser, DeviceParserTest,
    ::testing::ValuesIn(std::vector<ParserCase>{
        {"ayt", simtest::kAyt, {"cmd F6"}},
        {"read_inputs_with_its_zero_byte", simtest::kReadInputs, {"frame 32 00"}},
        {"all_on_mask_is_one_raw_byte", kWriteAllOn, {"frame 33 FF"}},
        {"mask_that_looks_like_se",
         bytes({0xFF, 0xFA, 0x2C, 0x33, 0xF0, 0xFF, 0xF0}),
         {"frame 33 F0"}},
        {"frames_back_to_back",
         kWriteAllOn + simtest::kReadInputs + simtest::kAyt,
         {"frame 33 FF", "frame 32 00", "cmd F6"}},
        {"escaped_iac_is_text",
         bytes({'A', 0xFF, 0xFF, 'B'}),
         {"text A\xFF"
          "B"}},
        {"option_verbs_take_one_byte",
         bytes({0xFF, 0xFD, 0x01, 'A', 0xFF, 0xFB, 0xFF}),
         {"opt FD 01", "text A", "opt FB FF"}},
        {"stray_se_and_nop", bytes({0xFF, 0xF0, 0xFF, 0xF1}), {"cmd F0", "cmd F1"}},
        {"other_option_skipped_with_escaped_iac",
         bytes({0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xFF, 0x02, 0xFF, 0xF0}),
         {"sb 18 9"}},
        {"controller_option_too_long_is_no_frame",
         bytes({0xFF, 0xFA, 0x2C, 0x32, 0x00, 0x00, 0xFF, 0xF0}),
         {"sb 2C 8"}},
        {"subnegotiation_cut_short_by_a_command",
         bytes({0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xF6}),
         {"sb 18 5 cut", "cmd F6"}},
        {"frame_cut_short_by_a_command",
         bytes({0xFF, 0xFA, 0x2C, 0x32, 0x00, 0xFF, 0xF6, 'x'}),
         {"sb 2C 6 cut", "cmd F6", "text x"}},
        {"text_around_a_frame",
         "ab" + simtest::kReadInputs + "cd",
         {"text ab", "frame 32 00", "text cd"}},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimDeviceParser, UnterminatedSubnegotiationIsCountedNotKept) {
    sim::DeviceParser parser;
    Transcript transcript;
    const auto sink = [&transcript](const RxUnit& u) { return transcript.take(u); };
    parser.feed(bytes({0xFF, 0xFA, 0x01}), sink);
    const std::string piece(64 * 1024, 'x');
    for (int i = 0; i < 160; ++i) {
        parser.feed(piece, sink);
    }
    EXPECT_TRUE(transcript.words().empty());
    parser.feed(bytes({0xFF, 0xF0}) + simtest::kAyt, sink);
    EXPECT_EQ(transcript.words(),
              (std::vector<std::string>{"sb 01 " + std::to_string(3 + 160 * piece.size() + 2),
                                        "cmd F6"}));
}

TEST(SimDeviceParser, StopsAfterTheUnitTheSinkRefuses) {
    sim::DeviceParser parser;
    std::vector<RxUnit::Kind> seen;
    const std::string stream = "ab" + simtest::kReadInputs + simtest::kAyt;
    const auto consumed = parser.feed(stream, [&seen](const RxUnit& u) {
        seen.push_back(u.kind);
        return u.kind == RxUnit::Kind::Text;
    });
    EXPECT_EQ(consumed, 2 + simtest::kReadInputs.size());
    EXPECT_EQ(seen, (std::vector{RxUnit::Kind::Text, RxUnit::Kind::ControllerFrame}));
}

}  // namespace

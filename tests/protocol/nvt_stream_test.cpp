// Whole streams cut into chunks: wherever the cuts fall, the decoder must give the same reports,
// the same end state and, joined up, the same text and hex lines as the uncut stream, and that
// text must be what the stream's parts spell.
#include "protocol/nvt_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "tests/protocol/byte_strings.h"

namespace {

using protocol::ChunkLines;
using protocol::decodeChunk;
using protocol::NvtState;
using Masks = std::vector<std::uint8_t>;

// A stream built from parts that each start and end in plain data, so what each part must
// add to the text and the reports is known without running the decoder.
struct Stream {
    std::string bytes;
    std::string textWithoutFilter;
    std::string textWithFilter;
    Masks reports;
};

class StreamBuilder {
  public:
    explicit StreamBuilder(std::uint32_t seed) : random_(seed) {}

    Stream build(std::size_t parts) {
        Stream s;
        for (std::size_t i = 0; i < parts; ++i) {
            addPart(s);
        }
        return s;
    }

  private:
    std::uint32_t below(std::uint32_t n) { return random_() % n; }
    char anyByteBut(std::uint8_t excluded) {
        std::uint8_t b;
        do {
            b = static_cast<std::uint8_t>(below(256));
        } while (b == excluded);
        return static_cast<char>(b);
    }

    void addPart(Stream& s) {
        const char iac = static_cast<char>(protocol::kIac);
        const char nop = static_cast<char>(protocol::kNop);
        switch (below(8)) {
            case 0:
            case 1: {  // text with bare NOPs and every other byte value but IAC, now and then long
                const std::size_t length = 1 + (below(8) == 0 ? below(300) : below(40));
                for (std::size_t i = 0; i < length; ++i) {
                    const char c = below(10) == 0 ? nop : anyByteBut(protocol::kIac);
                    s.bytes.push_back(c);
                    s.textWithoutFilter.push_back(c);
                    if (c != nop) {
                        s.textWithFilter.push_back(c);
                    }
                }
                break;
            }
            case 2: {  // an input report with any mask, 0xFF included
                const auto mask = static_cast<std::uint8_t>(below(256));
                s.bytes += protocol::inputReportFrame(mask);
                s.reports.push_back(mask);
                break;
            }
            case 3:  // escaped 0xFF; the decoder then still reads a command, so end it with SE
                s.bytes += "\xFF\xFF\xF0";
                s.textWithoutFilter.push_back(iac);
                s.textWithFilter.push_back(iac);
                break;
            case 4: {  // a two-byte command other than SB and IAC: NOP, AYT, GA, SE, ...
                char command;
                do {
                    command = static_cast<char>(0xF0 + below(16));
                } while (command == static_cast<char>(protocol::kSb) || command == iac);
                s.bytes.push_back(iac);
                s.bytes.push_back(command);
                break;
            }
            case 5: {  // WILL/WONT/DO/DONT: the option byte that follows is plain data
                const char option = anyByteBut(protocol::kIac);
                s.bytes.push_back(iac);
                s.bytes.push_back(static_cast<char>(0xFB + below(4)));
                s.bytes.push_back(option);
                s.textWithoutFilter.push_back(option);
                if (option != nop) {
                    s.textWithFilter.push_back(option);
                }
                break;
            }
            case 6: {  // another option's subnegotiation, without the controller option byte
                s.bytes += "\xFF\xFA";
                const std::size_t length = below(12);
                for (std::size_t i = 0; i < length; ++i) {
                    char c;
                    do {
                        c = anyByteBut(protocol::kIac);
                    } while (c == static_cast<char>(protocol::kControllerOption));
                    s.bytes.push_back(c);
                }
                s.bytes += "\xFF\xF0";
                break;
            }
            default:  // IAC NOP keep-alive
                s.bytes.push_back(iac);
                s.bytes.push_back(nop);
                break;
        }
    }

    std::mt19937 random_;
};

struct Decoded {
    std::string text;
    std::string hex;
    Masks reports;
    NvtState state = protocol::nsData;
};

Decoded decodeInChunks(const std::string& stream, const std::vector<std::size_t>& cuts,
                       bool filterNop) {
    Decoded d;
    ChunkLines lines;
    std::size_t from = 0;
    auto feed = [&](std::size_t to) {
        decodeChunk(std::string_view(stream).substr(from, to - from), d.state, filterNop, true,
                    lines, [&](std::uint8_t mask) { d.reports.push_back(mask); });
        d.text += lines.text;
        d.hex += lines.hex;
        from = to;
    };
    for (const std::size_t cut : cuts) {
        feed(cut);
    }
    feed(stream.size());
    return d;
}

void expectSame(const Decoded& actual, const Decoded& whole) {
    EXPECT_EQ(actual.text, whole.text);
    EXPECT_EQ(actual.hex, whole.hex);
    EXPECT_EQ(actual.reports, whole.reports);
    EXPECT_EQ(actual.state, whole.state);
}

TEST(NvtStream, AnyChunkingGivesTheWholeStreamsResult) {
    std::mt19937 cutRandom(7);
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const Stream stream = StreamBuilder(seed).build(60);
        for (const bool filterNop : {false, true}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + (filterNop ? ", filter" : ""));
            const Decoded whole = decodeInChunks(stream.bytes, {}, filterNop);
            ASSERT_EQ(
                test_bytes::spelled(whole.text),
                test_bytes::spelled(filterNop ? stream.textWithFilter : stream.textWithoutFilter));
            ASSERT_EQ(whole.reports, stream.reports);
            ASSERT_EQ(whole.state, protocol::nsData);

            // One cut at every boundary.
            for (std::size_t cut = 0; cut <= stream.bytes.size(); ++cut) {
                SCOPED_TRACE("cut at " + std::to_string(cut));
                expectSame(decodeInChunks(stream.bytes, {cut}, filterNop), whole);
            }
            // Byte by byte.
            std::vector<std::size_t> everyByte;
            for (std::size_t cut = 1; cut < stream.bytes.size(); ++cut) {
                everyByte.push_back(cut);
            }
            expectSame(decodeInChunks(stream.bytes, everyByte, filterNop), whole);
            // Random chunk sizes: small ones that split every part kind, and large ones.
            for (int round = 0; round < 20; ++round) {
                const std::uint32_t largest = round % 2 == 0 ? 40 : 400;
                std::vector<std::size_t> cuts;
                for (std::size_t at = 1 + cutRandom() % largest; at < stream.bytes.size();
                     at += 1 + cutRandom() % largest) {
                    cuts.push_back(at);
                }
                expectSame(decodeInChunks(stream.bytes, cuts, filterNop), whole);
            }
            if (testing::Test::HasFailure()) {
                return;  // one seed's failures say enough
            }
        }
    }
}

}  // namespace

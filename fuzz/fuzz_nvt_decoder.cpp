// The receive decoder on any bytes in any chunking. Beyond surviving, it must not care where
// the network cut the stream: decoding it whole, in the chunk sizes the input picks and one
// byte at a time must give the same reports in order, the same end state, and the same text
// and hex once the chunks' lines are joined.
//
// Input: a flags byte (bit 0 filters bare NOPs, bit 1 asks for hex, bits 2-4 pick the state to
// start from, modulo five), a count n, n chunk-size bytes, then the stream. The sizes repeat
// over the stream; a size byte b is 0 (an empty chunk), 1 + b below 128, and (b - 127) * 8
// from 128, so that chunks also reach across the decoder's internal blocks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "protocol/nvt_decoder.h"

namespace {

struct Decoded {
    std::string text;
    std::string hex;
    std::vector<std::uint8_t> reports;
    protocol::NvtState state;
};

struct Setup {
    bool filterNop = false;
    bool wantHex = false;
    protocol::NvtState start = protocol::nsData;
    std::vector<std::size_t> sizes;
    std::string_view stream;
};

Setup readSetup(const std::uint8_t* data, std::size_t size) {
    Setup setup;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.empty()) {
        return setup;
    }
    const auto flags = static_cast<std::uint8_t>(input[0]);
    input.remove_prefix(1);
    setup.filterNop = (flags & 1) != 0;
    setup.wantHex = (flags & 2) != 0;
    setup.start = static_cast<protocol::NvtState>(((flags >> 2) & 7) % 5);
    if (!input.empty()) {
        std::size_t count = static_cast<std::uint8_t>(input[0]) % 16;
        input.remove_prefix(1);
        for (; count > 0 && !input.empty(); --count) {
            const auto b = static_cast<std::uint8_t>(input[0]);
            input.remove_prefix(1);
            setup.sizes.push_back(b == 0 ? 0 : b < 128 ? 1u + b : (b - 127u) * 8);
        }
    }
    setup.stream = input;
    return setup;
}

// Feeds `stream` in chunks of the given sizes, over and over, through one reused ChunkLines as
// the window does, and checks each chunk's lines on the way.
Decoded decodeInChunks(const Setup& setup, const std::vector<std::size_t>& sizes) {
    Decoded d{{}, {}, {}, setup.start};
    protocol::ChunkLines lines;
    lines.text = "left over";
    lines.hex = "left over";
    auto collect = [&d](std::uint8_t mask) { d.reports.push_back(mask); };
    std::size_t at = 0;
    for (std::size_t next = 0; at < setup.stream.size(); next = (next + 1) % sizes.size()) {
        const auto chunk = setup.stream.substr(at, sizes[next]);
        protocol::decodeChunk(chunk, d.state, setup.filterNop, setup.wantHex, lines, collect);
        FUZZ_CHECK(d.state <= protocol::nsInputReport);
        FUZZ_CHECK(lines.text.size() <= chunk.size());
        FUZZ_CHECK(lines.hex.size() == (setup.wantHex ? 3 * chunk.size() : 0));
        d.text += lines.text;
        d.hex += lines.hex;
        at += chunk.size();
    }
    return d;
}

std::string hexDumpOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string dump;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        dump += {kDigits[b / 16], kDigits[b % 16], ' '};
    }
    return dump;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Setup setup = readSetup(data, size);

    // Whole: one chunk (an empty stream is still one, empty, chunk).
    Decoded whole{{}, {}, {}, setup.start};
    protocol::ChunkLines lines;
    protocol::decodeChunk(setup.stream, whole.state, setup.filterNop, setup.wantHex, lines,
                          [&whole](std::uint8_t mask) { whole.reports.push_back(mask); });
    whole.text = lines.text;
    whole.hex = lines.hex;
    FUZZ_CHECK(whole.state <= protocol::nsInputReport);
    FUZZ_CHECK(whole.text.size() <= setup.stream.size());
    FUZZ_CHECK(whole.hex == (setup.wantHex ? hexDumpOf(setup.stream) : std::string()));
    if (setup.stream.empty()) {
        FUZZ_CHECK(whole.state == setup.start && whole.text.empty() && whole.reports.empty());
        return 0;
    }

    std::vector<std::size_t> sizes = setup.sizes;
    bool progresses = false;
    for (const std::size_t s : sizes) {
        progresses = progresses || s > 0;
    }
    if (!progresses) {
        sizes.push_back(setup.stream.size());
    }
    for (const auto& split : {decodeInChunks(setup, sizes), decodeInChunks(setup, {1})}) {
        FUZZ_CHECK(split.reports == whole.reports);
        FUZZ_CHECK(split.state == whole.state);
        FUZZ_CHECK(split.text == whole.text);
        FUZZ_CHECK(split.hex == whole.hex);
    }
    return 0;
}

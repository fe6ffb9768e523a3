// The receive decoder against the cheapest loop that still builds the hex line, on a stream shaped
// like a polled controller: mostly text, many input reports, a little other Telnet. Chunks are the
// 255 bytes the window takes per receive. QM47_BENCH_FAST=1 shrinks the stream for a quick run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "protocol/frames.h"
#include "protocol/nvt_decoder.h"

namespace {

constexpr std::size_t kChunkSize = 255;

std::size_t streamSize() {
    const char* fast = std::getenv("QM47_BENCH_FAST");
    const bool isFast = fast != nullptr && std::string_view(fast) == "1";
    return (isFast ? 4u : 64u) << 20;
}

// 72 % text, 27 % input reports, 1 % other Telnet (NOP keep-alives, AYT, option commands,
// escaped 0xFF), each kind added whenever it falls behind its share.
const std::string& mixedStream() {
    static const std::string stream = [] {
        const std::size_t size = streamSize();
        std::mt19937 random(47);
        std::string s;
        s.reserve(size + 64);
        std::size_t textBytes = 0;
        std::size_t reportBytes = 0;
        while (s.size() < size) {
            const std::size_t before = s.size();
            if (textBytes * 100 < s.size() * 72) {
                const std::size_t length = 4 + random() % 40;
                for (std::size_t i = 0; i < length; ++i) {
                    const std::uint32_t r = random() % 64;
                    s.push_back(r == 0 ? '\r' : r == 1 ? '\n' : static_cast<char>(' ' + r));
                }
                textBytes += s.size() - before;
            } else if (reportBytes * 100 < s.size() * 27) {
                s += protocol::inputReportFrame(static_cast<std::uint8_t>(random()));
                reportBytes += s.size() - before;
            } else {
                static constexpr std::string_view kOther[] = {
                    {"\xFF\xF1", 2}, {"\xFF\xF6", 2}, {"\xFF\xFB\x01", 3}, {"\xFF\xFF", 2}};
                s += kOther[random() % std::size(kOther)];
            }
        }
        s.resize(size);
        return s;
    }();
    return stream;
}

void setCounters(benchmark::State& state, std::size_t bytes) {
    const auto total =
        static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes);
    state.SetBytesProcessed(total);
    // Inverted rate: seconds per byte, shown with its SI prefix ("660ps" is 0.66 ns a byte).
    state.counters["time_per_byte"] = benchmark::Counter(
        static_cast<double>(bytes),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void decodeStream(benchmark::State& state, bool wantHex) {
    const std::string_view stream = mixedStream();
    protocol::ChunkLines lines;
    protocol::NvtState nvt = protocol::nsData;
    std::uint32_t lastMask = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (std::size_t at = 0; at < stream.size(); at += kChunkSize) {
            protocol::decodeChunk(stream.substr(at, kChunkSize), nvt, true, wantHex, lines,
                                  [&](std::uint8_t mask) { lastMask += mask; });
            benchmark::DoNotOptimize(lines.text.data());
            benchmark::DoNotOptimize(lines.hex.data());
        }
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(lastMask);
    setCounters(state, stream.size());
}

void BM_DecodeWithHex(benchmark::State& state) {
    decodeStream(state, true);
}

void BM_DecodeTextOnly(benchmark::State& state) {
    decodeStream(state, false);
}

// The baseline: only the hex line, the least any chunk with hex output costs.
void BM_HexLineOnly(benchmark::State& state) {
    const std::string_view stream = mixedStream();
    std::string line;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (std::size_t at = 0; at < stream.size(); at += kChunkSize) {
            line.clear();
            protocol::appendHexDump(stream.substr(at, kChunkSize), line);
            benchmark::DoNotOptimize(line.data());
        }
        benchmark::ClobberMemory();
    }
    setCounters(state, stream.size());
}

BENCHMARK(BM_HexLineOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeWithHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTextOnly)->Unit(benchmark::kMillisecond);

}  // namespace

// The receive path into the log: mixed lines (a 60-character text line and a 21-character hex
// line per chunk, as a chunk with hex output gives them) through the log model into the Qt view
// of the real window, offscreen and painting as it would. One chunk per loop turn; the loop runs
// between turns, so frames, timers and paints happen as in the program. The same run through
// the baseline log (one appendPlainText per line) gives the figures the goals are ratios of.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "bench/support/measure.h"
#include "bench/support/qt_wait.h"
#include "bench/support/shown_window.h"
#include "tests/support/scripted_socket.h"
#include "toolkit/qt/qt_event_loop.h"

namespace {

struct LogRun {
    std::size_t lines = 0;
    double seconds = 0;
    // CPU time of the first and the last tenth of the lines: the machine's other load does not
    // blur the comparison.
    double firstMs = 0;
    double lastMs = 0;
    double bytesPerLine = 0;
};

std::map<bench::LogKind, LogRun> results;

std::size_t lineCount() {
    return bench::fastMode() ? 40'000 : 100'000;
}

LogRun feedLog(bench::LogKind kind, std::size_t lines) {
    tkqt::QtEventLoop loop;
    testsupport::ScriptedSocket socket(loop);
    bench::ShownWindow window(loop, socket, "HexOut=1", kind);
    window.waitPainted();
    tk::TMemo& memo = window.form().Memo;

    const std::size_t tenth = lines / 10;
    const std::size_t heapBefore = bench::heapInUse();
    std::size_t appended = 0;
    std::size_t until = 0;
    char text[64];
    char hex[32];
    std::function<void()> chunk = [&] {
        std::snprintf(text, sizeof text,
                      "QM47 text line %08zu abcdefghijklmnopqrstuvwxyz 012345678", appended);
        std::snprintf(hex, sizeof hex, "FF FA 2C 96 %02X FF F0 ",
                      static_cast<unsigned>(appended & 0xFF));
        memo.append(text);
        memo.append(hex);
        appended += 2;
        if (appended < until) {
            loop.post(chunk);
        }
    };
    // Feeds chunks until `count` lines are in, then waits until they are on screen, so each
    // measured stretch holds the whole cost of showing its own lines (frames included).
    auto feedUntil = [&](std::size_t count) {
        until = count;
        loop.post(chunk);
        loop.runUntil([&] { return appended >= until; });
        window.drawLog();
        const long paints = window.paints();
        bench::runUntil(
            loop, [&] { return window.paints() > paints; }, std::chrono::seconds(5));
        return bench::threadCpuUs();
    };
    const double start = bench::nowUs();
    const double cpuStart = bench::threadCpuUs();
    const double firstEnd = feedUntil(tenth);
    const double lastStart = feedUntil(lines - tenth);
    const double cpuEnd = feedUntil(lines);
    const double end = bench::nowUs();

    LogRun run;
    run.lines = lines;
    run.seconds = (end - start) / 1e6;
    run.firstMs = (firstEnd - cpuStart) / 1e3;
    run.lastMs = (cpuEnd - lastStart) / 1e3;
    run.bytesPerLine =
        static_cast<double>(bench::heapInUse() - heapBefore) / static_cast<double>(lines);
    return run;
}

void logBenchmark(benchmark::State& state, bench::LogKind kind) {
    LogRun run;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        run = feedLog(kind, lineCount());
    }
    results[kind] = run;
    state.counters["lines_per_s"] = static_cast<double>(run.lines) / run.seconds;
    state.counters["first_tenth_ms"] = run.firstMs;
    state.counters["last_tenth_ms"] = run.lastMs;
    state.counters["bytes_per_line"] = run.bytesPerLine;
}

void BM_BaselineLog(benchmark::State& state) {
    logBenchmark(state, bench::LogKind::baseline);
}

void BM_ProgramLog(benchmark::State& state) {
    logBenchmark(state, bench::LogKind::program);
}

BENCHMARK(BM_BaselineLog)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramLog)->Iterations(1)->Unit(benchmark::kMillisecond);

void printRows() {
    if (results.size() != 2) {
        return;
    }
    const LogRun& program = results[bench::LogKind::program];
    const LogRun& baseline = results[bench::LogKind::baseline];
    const double programRate = static_cast<double>(program.lines) / program.seconds;
    const double baselineRate = static_cast<double>(baseline.lines) / baseline.seconds;
    const std::string lines = std::to_string(program.lines / 1000) + " k";
    bench::printRow("2", "log, " + lines + " lines in 2-line chunks: lines/s",
                    bench::fixed(programRate, 0), bench::fixed(baselineRate, 0),
                    ">= 10x baseline (" + bench::fixed(programRate / baselineRate, 1) + "x)",
                    bench::yesNo(programRate >= 10 * baselineRate));
    const double programGrowth = program.lastMs / program.firstMs;
    const double baselineGrowth = baseline.lastMs / baseline.firstMs;
    bench::printRow("2", "log: last tenth / first tenth of the lines, CPU cost",
                    bench::fixed(programGrowth, 2) + " (" + bench::fixed(program.lastMs, 0) +
                        " / " + bench::fixed(program.firstMs, 0) + " ms)",
                    bench::fixed(baselineGrowth, 2) + " (" + bench::fixed(baseline.lastMs, 0) +
                        " / " + bench::fixed(baseline.firstMs, 0) + " ms)",
                    "<= 1.5", bench::yesNo(programGrowth <= 1.5));
    bench::printRow("2", "log: heap per line (model + view)",
                    bench::fixed(program.bytesPerLine, 0) + " B",
                    bench::fixed(baseline.bytesPerLine, 0) + " B", "reported (lower is better)",
                    program.bytesPerLine <= baseline.bytesPerLine ? "lower" : "higher");
}

}  // namespace

int main(int argc, char** argv) {
    bench::OffscreenApp app;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRows();
    return 0;
}

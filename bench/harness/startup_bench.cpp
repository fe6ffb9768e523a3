// Start-up and memory, as whole processes under QT_QPA_PLATFORM=offscreen: the program (the
// probe wired as app/main.cpp) beside a minimal Qt program with as many widgets, alternated. For
// each: the time from just before exec to the window's first paint, and the child's peak resident
// memory (getrusage through wait4). Medians of the runs.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "bench/support/measure.h"

namespace {

struct Start {
    double paintMs = 0;
    double peakMb = 0;
    long widgets = 0;
};

// Runs `program` once with the offscreen platform; nullopt when it did not report a paint.
std::optional<Start> startOnce(const std::string& program) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    const double started = bench::nowUs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    double paintedAt = 0;
    long widgets = 0;
    const char* paint = std::strstr(text.c_str(), "PAINT ");
    const char* count = std::strstr(text.c_str(), "WIDGETS ");
    if (paint == nullptr || count == nullptr || std::sscanf(paint, "PAINT %lf", &paintedAt) != 1 ||
        std::sscanf(count, "WIDGETS %ld", &widgets) != 1) {
        return std::nullopt;
    }
    return Start{(paintedAt - started) / 1e3, static_cast<double>(usage.ru_maxrss) / 1024, widgets};
}

}  // namespace

int main() {
    const int runs = bench::fastMode() ? 5 : 20;
    const std::string bin = QM47_BIN_DIR;
    const std::string program = bin + "/qm47_startup_probe";
    const std::string minimal = bin + "/qm47_startup_minimal";
    std::vector<double> programMs, minimalMs, programMb, minimalMb;
    long programWidgets = 0;
    long minimalWidgets = 0;
    // One run of each first, not counted: the files come into the page cache.
    for (int run = -1; run < runs; ++run) {
        const auto a = startOnce(program);
        const auto b = startOnce(minimal);
        if (!a || !b) {
            std::fprintf(stderr, "startup: %s did not paint\n", (!a ? program : minimal).c_str());
            return 1;
        }
        if (run < 0) {
            continue;
        }
        programMs.push_back(a->paintMs);
        programMb.push_back(a->peakMb);
        minimalMs.push_back(b->paintMs);
        minimalMb.push_back(b->peakMb);
        programWidgets = a->widgets;
        minimalWidgets = b->widgets;
    }
    const double pMs = bench::percentile(programMs, 50);
    const double mMs = bench::percentile(minimalMs, 50);
    const double pMb = bench::percentile(programMb, 50);
    const double mMb = bench::percentile(minimalMb, 50);
    std::fprintf(stderr,
                 "startup: program %.1f ms, %.1f MB, %ld widgets; minimal %.1f ms, %.1f MB, %ld "
                 "widgets (%d runs each)\n",
                 pMs, pMb, programWidgets, mMs, mMb, minimalWidgets, runs);
    const std::string runsText = " (median of " + std::to_string(runs) + ", " +
                                 std::to_string(programWidgets) + " / " +
                                 std::to_string(minimalWidgets) + " widgets)";
    bench::printRow("6", "start-up: exec to first paint, offscreen" + runsText,
                    bench::fixed(pMs, 1) + " ms", bench::fixed(mMs, 1) + " ms (minimal Qt)",
                    "<= 1.3x baseline (" + bench::fixed(pMs / mMs, 2) + "x)",
                    bench::yesNo(pMs <= 1.3 * mMs));
    bench::printRow("6", "start-up: peak resident memory", bench::fixed(pMb, 1) + " MB",
                    bench::fixed(mMb, 1) + " MB (minimal Qt)",
                    "<= 1.3x baseline (" + bench::fixed(pMb / mMb, 2) + "x)",
                    bench::yesNo(pMb <= 1.3 * mMb));
    return 0;
}

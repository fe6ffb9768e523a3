// Timers: the polling period of the real window (Read Repeatedly ticked, connected to the
// simulator, hex output on, its view offscreen) on the real Qt loop, against a bare precise
// QTimer of the same period in the same loop, half a period apart so neither waits for the
// other. Reported: the median and p99 deviation of each period from 250 ms, and the drift: how
// much later (or earlier) than 250 ms steps the last ticks come compared with the first ones,
// each averaged over a tenth of the ticks so one late tick is not mistaken for drift.
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/measure.h"
#include "bench/support/qt_wait.h"
#include "bench/support/shown_window.h"
#include "tests/support/sim_launcher.h"
#include "toolkit/net/tcp_socket.h"
#include "toolkit/qt/qt_event_loop.h"

namespace {

using namespace std::chrono_literals;

constexpr double kPeriodUs = 250'000;

struct Figures {
    double medianUs = 0;
    double p99Us = 0;
    double driftUs = 0;
};

Figures figuresOf(const std::vector<double>& ticks) {
    std::vector<double> deviations;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        deviations.push_back(std::abs(ticks[i] - ticks[i - 1] - kPeriodUs));
    }
    Figures f;
    f.medianUs = bench::percentile(deviations, 50);
    f.p99Us = bench::percentile(deviations, 99);
    const std::size_t tenth = std::max<std::size_t>(ticks.size() / 10, 1);
    double early = 0;
    double late = 0;
    for (std::size_t i = 0; i < tenth; ++i) {
        const std::size_t j = ticks.size() - tenth + i;
        early += ticks[i] - ticks[0] - kPeriodUs * static_cast<double>(i);
        late += ticks[j] - ticks[0] - kPeriodUs * static_cast<double>(j);
    }
    f.driftUs = (late - early) / static_cast<double>(tenth);
    return f;
}

std::string text(const Figures& f) {
    return "median " + bench::fixed(f.medianUs / 1e3, 3) + " ms, p99 " +
           bench::fixed(f.p99Us / 1e3, 3) + " ms, drift " + bench::fixed(f.driftUs / 1e3, 2) +
           " ms";
}

}  // namespace

int main() {
    const std::size_t ticks = bench::fastMode() ? 40 : 240;
    testsupport::SimProcess sim;
    if (!sim.start({"--quiet", "--inputs", "0x0F"})) {
        std::fprintf(stderr, "timers: %s\n", sim.error().c_str());
        return 1;
    }
    if (!bench::preferRealTime(10)) {
        std::fprintf(stderr, "timers: no real-time priority; other load may show\n");
    }
    bench::OffscreenApp app;
    tkqt::QtEventLoop loop;
    tk::net::TcpSocket socket(loop);
    bench::ShownWindow window(
        loop, socket, "IPAddress=127.0.0.1\nPort=" + std::to_string(sim.port()) + "\nHexOut=1",
        bench::LogKind::program);
    window.waitPainted();
    TQM47f1& form = window.form();
    form.buConnect.operatorClick();
    if (!bench::runUntil(
            loop, [&] { return form.buConnect.caption() == "&Disconnect"; }, 5s)) {
        std::fprintf(stderr, "timers: the window did not connect\n");
        return 1;
    }

    std::vector<double> programTicks;
    std::vector<double> bareTicks;
    const auto poll = form.Timer1.OnTimer;
    form.Timer1.OnTimer = [&](tk::TObject* sender) {
        programTicks.push_back(bench::nowUs());
        poll(sender);
    };
    QTimer bare;
    bare.setTimerType(Qt::PreciseTimer);
    bare.setInterval(std::chrono::milliseconds(static_cast<int>(kPeriodUs / 1000)));
    QObject::connect(&bare, &QTimer::timeout, [&] { bareTicks.push_back(bench::nowUs()); });

    form.cbReadRepeatedly.operatorClick();
    bench::runFor(loop, 125ms);
    bare.start();
    const auto bound = std::chrono::milliseconds(static_cast<long>(ticks * kPeriodUs / 1000)) + 10s;
    bench::runUntil(
        loop, [&] { return programTicks.size() >= ticks && bareTicks.size() >= ticks; }, bound);
    bare.stop();
    if (programTicks.size() < ticks || bareTicks.size() < ticks) {
        std::fprintf(stderr, "timers: too few ticks\n");
        return 1;
    }
    programTicks.resize(ticks);
    bareTicks.resize(ticks);
    const Figures program = figuresOf(programTicks);
    const Figures baseline = figuresOf(bareTicks);
    std::fprintf(stderr, "timers: polling %s; bare QTimer %s; %zu log lines\n",
                 text(program).c_str(), text(baseline).c_str(), form.Memo.lines().size());
    // A timer that drifts loses its error on every tick, a millisecond within seconds.
    const bool noDrift = std::abs(program.driftUs) < 1000;
    bench::printRow("5",
                    "polling period, " + std::to_string(ticks) + " ticks of 250 ms on the Qt loop",
                    text(program), text(baseline) + " (bare QTimer)",
                    "p99 <= 1.2x baseline (" + bench::fixed(program.p99Us / baseline.p99Us, 2) +
                        "x), no drift (< 1 ms)",
                    bench::yesNo(program.p99Us <= 1.2 * baseline.p99Us && noDrift));
    return 0;
}

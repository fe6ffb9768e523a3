// A long session: 24 hours of polling at 4 Hz with hex output on, on the virtual clock, through
// the real window (a scripted socket answers every read-inputs request with an input report)
// into the log model and its view offscreen, which draws and paints after every tick as it
// would at 4 Hz. Reported: the heap the session added by its end, and what a tick costs (CPU
// time: poll, report, log line, drawing) at the end of the day against what it costs in a window
// that has just started. The two windows tick in turns for an hour each, so both see the same
// machine, and the median tick of each counts. Once with the program's log, once with the
// baseline log.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/measure.h"
#include "bench/support/shown_window.h"
#include "protocol/frames.h"
#include "tests/support/scripted_socket.h"
#include "tests/support/test_loop.h"

namespace {

using namespace std::chrono_literals;

// One window connected to a scripted controller, polling.
class PolledWindow {
  public:
    explicit PolledWindow(bench::LogKind kind)
        : window_(loop_, socket_, "IPAddress=127.0.0.1\nPort=2024\nHexOut=1", kind) {
        window_.waitPainted();
        TQM47f1& form = window_.form();
        form.buConnect.operatorClick();
        socket_.raiseConnected();
        socket_.onSend = [this](std::string_view bytes) {
            // The scripted socket records every send; a day of them is not the window's memory.
            socket_.calls.clear();
            socket_.sends.clear();
            if (bytes == protocol::kReadInputsRequest) {
                loop_.post([this] { socket_.raiseData(report_); });
            }
        };
        form.cbReadRepeatedly.operatorClick();
    }

    // One 250 ms tick: the request, the report, its log line, the drawing. Its CPU time in us.
    double tick() {
        const double start = bench::threadCpuUs();
        loop_.advance(250ms);
        window_.drawLog();
        QCoreApplication::processEvents();  // the repaint
        return bench::threadCpuUs() - start;
    }

    std::size_t logLines() { return window_.form().Memo.lines().size(); }

  private:
    testsupport::TestLoop loop_;
    testsupport::ScriptedSocket socket_{loop_};
    bench::ShownWindow window_;
    const std::string report_ = protocol::inputReportFrame(0x0F);
};

struct Session {
    std::size_t lines = 0;
    double heapMb = 0;
    double startUs = 0;  // a tick's median cost in a window that has just started
    double endUs = 0;    // and at the end of the day
};

Session runSession(bench::LogKind kind, std::size_t ticks) {
    Session session;
    PolledWindow day(kind);
    const std::size_t linesBefore = day.logLines();
    const std::size_t heapBefore = bench::heapInUse();
    for (std::size_t tick = 0; tick < ticks; ++tick) {
        day.tick();
    }
    session.lines = day.logLines() - linesBefore;
    session.heapMb = static_cast<double>(bench::heapInUse() - heapBefore) / (1 << 20);

    PolledWindow fresh(kind);
    std::vector<double> start;
    std::vector<double> end;
    for (std::size_t tick = 0; tick < ticks / 24; ++tick) {
        start.push_back(fresh.tick());
        end.push_back(day.tick());
    }
    session.startUs = bench::percentile(start, 50);
    session.endUs = bench::percentile(end, 50);
    std::fprintf(stderr,
                 "long session %-8s: %zu ticks, %zu log lines, heap +%.1f MB, a tick %.1f us at "
                 "the start, %.1f us at the end\n",
                 bench::logKindName(kind), ticks, session.lines, session.heapMb, session.startUs,
                 session.endUs);
    return session;
}

std::string costText(const Session& s) {
    return bench::fixed(s.endUs / s.startUs, 2) + " (" + bench::fixed(s.endUs, 0) + " / " +
           bench::fixed(s.startUs, 0) + " us a tick)";
}

std::string heapText(const Session& s) {
    return bench::fixed(s.heapMb, 1) + " MB (" +
           bench::fixed(s.heapMb * (1 << 20) / static_cast<double>(s.lines), 0) + " B a line)";
}

}  // namespace

int main() {
    // 24 h of 4 Hz; the fast run takes 36 minutes of it.
    const std::size_t ticks = bench::fastMode() ? 8'640 : 345'600;
    bench::OffscreenApp app;
    const Session baseline = runSession(bench::LogKind::baseline, ticks);
    const Session program = runSession(bench::LogKind::program, ticks);
    const std::string span = bench::fastMode() ? "36 min" : "24 h";
    const double growth = program.endUs / program.startUs;
    bench::printRow("7",
                    "long session, " + span + " of 4 Hz polling (" + std::to_string(ticks) +
                        " requests and reports): tick cost, end / start",
                    costText(program), costText(baseline), "flat (<= 1.2)",
                    bench::yesNo(growth <= 1.2));
    bench::printRow("7", "long session: heap added by the end", heapText(program),
                    heapText(baseline), "reported (lower is better)",
                    program.heapMb <= baseline.heapMb ? "lower" : "higher");
    return 0;
}

// A chatty controller: 100-byte messages at rising rates into the real window (hex output on,
// Read Repeatedly ticked, its view offscreen, the recording message boxes). A chunk of 253 bytes
// or more brings the "packets of < about 254" warning, so the first rate that brings one is where
// the window fell behind. Reported: the highest rate without a warning, the worst gap between
// two polling requests at it (seen by the controller), and the worst delay of a call posted from
// another thread (a stand-in for the operator's click). Once with the program's log, once with
// the baseline log.
#include <sys/ioctl.h>

#include <QObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/chatty_server.h"
#include "bench/support/measure.h"
#include "bench/support/qt_wait.h"
#include "bench/support/shown_window.h"
#include "toolkit/net/tcp_socket.h"
#include "toolkit/qt/qt_event_loop.h"

namespace {

using namespace std::chrono_literals;

// The window's thread below the operator's and the controller's, so their timing holds.
constexpr int kWindowPriority = 10;
constexpr int kOperatorPriority = 20;

constexpr double kRates[] = {250, 500, 1000, 2000, 4000, 8000, 16000, 32000, 64000};

struct Step {
    double rate = 0;
    std::size_t warnings = 0;
    bench::ChattyServer::Stats stats;
    double worstPostUs = 0;
};

struct Climb {
    std::vector<Step> steps;
    const Step* highestQuiet() const {
        const Step* quiet = nullptr;
        for (const Step& step : steps) {
            if (step.warnings > 0) {
                break;
            }
            quiet = &step;
        }
        return quiet;
    }
    bool toppedOut() const { return !steps.empty() && steps.back().warnings == 0; }
};

// Posts a call to the main thread every few milliseconds and notes the longest wait.
class Operator {
  public:
    Operator() {
        thread_ = std::thread([this] {
            bench::preferRealTime(kOperatorPriority);
            while (!stop_) {
                const double posted = bench::nowUs();
                QMetaObject::invokeMethod(
                    &receiver_,
                    [this, posted] { worstUs = std::max(worstUs, bench::nowUs() - posted); },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(5ms);
            }
        });
    }
    ~Operator() {
        stop_ = true;
        thread_.join();
    }
    Operator(const Operator&) = delete;
    Operator& operator=(const Operator&) = delete;

    double worstUs = 0;  // touched on the main thread only

  private:
    QObject receiver_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::size_t unread(const tk::net::TcpSocket& socket) {
    int waiting = 0;
    return socket.handle() >= 0 && ::ioctl(socket.handle(), FIONREAD, &waiting) == 0
               ? static_cast<std::size_t>(waiting)
               : 0;
}

// A burst at each rate in turn, until one brings a warning in every attempt. A rate counts as
// held when one of its attempts passes without a warning: a single hiccup of the machine (the
// window's thread runs at real-time priority, but the kernel still has its own work) is not the
// program falling behind.
Climb climb(bench::LogKind kind, double seconds, int attempts) {
    bench::ChattyServer server;
    tkqt::QtEventLoop loop;
    tk::net::TcpSocket socket(loop);
    bench::ShownWindow window(
        loop, socket, "IPAddress=127.0.0.1\nPort=" + std::to_string(server.port()) + "\nHexOut=1",
        kind);
    window.waitPainted();
    TQM47f1& form = window.form();
    form.buConnect.operatorClick();
    if (!bench::runUntil(
            loop, [&] { return form.buConnect.caption() == "&Disconnect"; }, 5s)) {
        std::fprintf(stderr, "chatty: no connection\n");
        return {};
    }
    form.cbReadRepeatedly.operatorClick();
    bench::runFor(loop, 600ms);  // a few polls before the first burst

    Climb result;
    Operator clicks;
    for (const double rate : kRates) {
        Step step;
        for (int attempt = 0; attempt < attempts; ++attempt) {
            server.takeStats();
            const std::size_t warningsBefore = window.boxes().countOf(tk::BoxKind::plain);
            clicks.worstUs = 0;
            server.startBurst(rate, seconds);
            const auto bound = std::chrono::milliseconds(static_cast<long>(seconds * 1000)) + 60s;
            bench::runUntil(
                loop, [&] { return server.burstDone() && unread(socket) == 0; }, bound);
            step.rate = rate;
            step.stats = server.takeStats();
            step.warnings = window.boxes().countOf(tk::BoxKind::plain) - warningsBefore;
            step.worstPostUs = clicks.worstUs;
            std::fprintf(stderr,
                         "chatty %-8s %6.0f msg/s: %zu sent, %zu dropped, %zu warnings, worst poll "
                         "gap %.1f ms, worst posted call %.2f ms\n",
                         bench::logKindName(kind), rate, step.stats.messages, step.stats.dropped,
                         step.warnings, step.stats.worstRequestGapUs / 1e3, step.worstPostUs / 1e3);
            if (step.warnings == 0) {
                break;
            }
        }
        result.steps.push_back(step);
        if (step.warnings > 0) {
            break;
        }
    }
    return result;
}

std::string rateText(const Climb& climb) {
    const auto* quiet = climb.highestQuiet();
    const std::string rate = quiet == nullptr ? "< 250" : bench::fixed(quiet->rate, 0);
    return (climb.toppedOut() ? ">= " : "") + rate + " msg/s";
}

std::string msText(const Climb& climb, double bench::ChattyServer::Stats::*field) {
    const auto* quiet = climb.highestQuiet();
    return quiet == nullptr ? "-" : bench::fixed(quiet->stats.*field / 1e3, 1) + " ms";
}

std::string postText(const Climb& climb) {
    const auto* quiet = climb.highestQuiet();
    return quiet == nullptr ? "-" : bench::fixed(quiet->worstPostUs / 1e3, 2) + " ms";
}

}  // namespace

int main() {
    if (!bench::preferRealTime(kWindowPriority)) {
        std::fprintf(stderr,
                     "chatty: no real-time priority; other load may bring warnings early\n");
    }
    bench::OffscreenApp app;
    const double seconds = bench::fastMode() ? 1.0 : 3.0;
    const int attempts = bench::fastMode() ? 2 : 3;
    const Climb baseline = climb(bench::LogKind::baseline, seconds, attempts);
    const Climb program = climb(bench::LogKind::program, seconds, attempts);

    const auto* programQuiet = program.highestQuiet();
    const auto* baselineQuiet = baseline.highestQuiet();
    const double programRate = programQuiet != nullptr ? programQuiet->rate : 0;
    const double baselineRate = baselineQuiet != nullptr ? baselineQuiet->rate : 0;
    const double ratio = baselineRate > 0 ? programRate / baselineRate : 0;
    bench::printRow("3", "chatty controller, 100-byte messages: highest rate without a warning",
                    rateText(program), rateText(baseline),
                    ">= 8x baseline (" + bench::fixed(ratio, 0) + "x)",
                    bench::yesNo(baselineRate > 0 && ratio >= 8));
    bench::printRow("3", "chatty: worst gap between polling requests at that rate",
                    msText(program, &bench::ChattyServer::Stats::worstRequestGapUs),
                    msText(baseline, &bench::ChattyServer::Stats::worstRequestGapUs),
                    "reported (250 ms period)", "-");
    bench::printRow("3", "chatty: worst delay of a posted call at that rate", postText(program),
                    postText(baseline), "reported", "-");
    return 0;
}

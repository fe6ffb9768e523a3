// Latency: a read-inputs request from the real window (Read Once, hex output on, its view
// offscreen) until all eight indicators are set, against the simulator on 127.0.0.1; beside a
// bare blocking ping-pong of the same 7-byte frames with a second simulator. Requests follow each
// other at once on both sides (so a request of the window also meets the drawing of earlier
// answers: the log's frame, the repaint of the indicators); the two alternate in blocks, so both
// see the same machine.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/support/measure.h"
#include "bench/support/qt_wait.h"
#include "bench/support/shown_window.h"
#include "protocol/frames.h"
#include "tests/support/sim_launcher.h"
#include "toolkit/net/tcp_socket.h"
#include "toolkit/qt/qt_event_loop.h"

namespace {

using namespace std::chrono_literals;

constexpr int kBlock = 100;

// One blocking connection: send the request, read the 7-byte report.
class BarePingPong {
  public:
    explicit BarePingPong(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        peer.sin_port = htons(port);
        ok_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0;
    }
    ~BarePingPong() { ::close(fd_); }
    BarePingPong(const BarePingPong&) = delete;
    BarePingPong& operator=(const BarePingPong&) = delete;

    bool ok() const { return ok_; }

    // Microseconds from the send to the whole report; negative when the exchange failed.
    double exchange() {
        const std::string_view request = protocol::kReadInputsRequest;
        const double start = bench::nowUs();
        if (::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size())) {
            return -1;
        }
        char report[protocol::kFrameSize];
        std::size_t got = 0;
        while (got < sizeof report) {
            const ssize_t n = ::recv(fd_, report + got, sizeof report - got, 0);
            if (n <= 0) {
                return -1;
            }
            got += static_cast<std::size_t>(n);
        }
        return bench::nowUs() - start;
    }

  private:
    int fd_ = -1;
    bool ok_ = false;
};

struct Figures {
    double p50 = 0;
    double p99 = 0;
};

Figures figuresOf(std::vector<double> samples) {
    Figures f;
    f.p50 = bench::percentile(samples, 50);
    f.p99 = bench::percentile(samples, 99);
    return f;
}

std::string usText(const Figures& f) {
    return "p50 " + bench::fixed(f.p50, 0) + " us, p99 " + bench::fixed(f.p99, 0) + " us";
}

}  // namespace

int main() {
    const int requests = bench::fastMode() ? 500 : 2000;
    testsupport::SimProcess windowSim;
    testsupport::SimProcess bareSim;
    for (auto* sim : {&windowSim, &bareSim}) {
        if (!sim->start({"--quiet", "--inputs", "0x0F"})) {
            std::fprintf(stderr, "latency: %s\n", sim->error().c_str());
            return 1;
        }
    }
    // Started after the simulators, which keep the ordinary policy.
    if (!bench::preferRealTime(10)) {
        std::fprintf(stderr, "latency: no real-time priority; other load may show in the p99\n");
    }
    bench::OffscreenApp app;
    tkqt::QtEventLoop loop;
    tk::net::TcpSocket socket(loop);
    bench::ShownWindow window(
        loop, socket,
        "IPAddress=127.0.0.1\nPort=" + std::to_string(windowSim.port()) + "\nHexOut=1",
        bench::LogKind::program);
    window.waitPainted();
    TQM47f1& form = window.form();
    form.buConnect.operatorClick();
    if (!bench::runUntil(
            loop, [&] { return form.buConnect.caption() == "&Disconnect"; }, 5s)) {
        std::fprintf(stderr, "latency: the window did not connect\n");
        return 1;
    }
    bench::runFor(loop, 200ms);  // the answer to the connection's AYT probe
    BarePingPong bare(bareSim.port());
    if (!bare.ok()) {
        std::fprintf(stderr, "latency: the bare client did not connect\n");
        return 1;
    }

    // TB7 is set last of the eight; grey before each request tells when a report set them all.
    tk::TShape& lastIndicator = form.TB7;
    double sent = 0;
    double answered = -1;
    const auto handler = socket.OnDataAvailable;
    socket.OnDataAvailable = [&](tk::TObject* sender, std::uint16_t errCode) {
        handler(sender, errCode);
        if (answered < 0 && lastIndicator.brushColor() != tk::clGray) {
            answered = bench::nowUs() - sent;
        }
    };
    std::vector<double> windowUs;
    std::vector<double> bareUs;
    bool failed = false;
    while (static_cast<int>(windowUs.size()) < requests && !failed) {
        for (int i = 0; i < kBlock; ++i) {
            const double us = bare.exchange();
            failed = failed || us < 0;
            bareUs.push_back(us);
        }
        for (int i = 0; i < kBlock && !failed; ++i) {
            lastIndicator.setBrushColor(tk::clGray);
            answered = -1;
            // The click comes from the loop, as the operator's does.
            loop.post([&] {
                sent = bench::nowUs();
                form.buReadInputs.operatorClick();
            });
            failed = !bench::runUntil(
                loop, [&] { return answered >= 0; }, 5s);
            windowUs.push_back(answered);
        }
    }
    if (failed) {
        std::fprintf(stderr, "latency: a request went unanswered\n");
        return 1;
    }
    const Figures program = figuresOf(windowUs);
    const Figures baseline = figuresOf(bareUs);
    std::fprintf(stderr, "latency: window %s; bare ping-pong %s (%d requests each)\n",
                 usText(program).c_str(), usText(baseline).c_str(), requests);
    bench::printRow("4",
                    "latency, read-inputs request to all 8 indicators set (" +
                        std::to_string(requests) + " requests)",
                    usText(program), usText(baseline) + " (bare ping-pong)",
                    "p99 <= 2x baseline (" + bench::fixed(program.p99 / baseline.p99, 2) + "x)",
                    bench::yesNo(program.p99 <= 2 * baseline.p99));
    return 0;
}

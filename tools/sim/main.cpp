// qm47-sim: see `qm47-sim --help`.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string_view>
#include <vector>

#include "sim/options.h"
#include "sim/server.h"

namespace {

int stopWriteFd = -1;

void requestStop(int) {
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(stopWriteFd, &byte, 1);
}

// Started with a standard descriptor closed, the listening socket would take its number and be
// read as the command input; park /dev/null there instead.
void keepStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1) {
            ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    keepStandardDescriptors();
    std::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const sim::ParsedCommandLine parsed = sim::parseCommandLine(args);
    if (parsed.outcome == sim::ParsedCommandLine::Outcome::Help) {
        std::fputs(sim::usageText().c_str(), stdout);
        return 0;
    }
    if (parsed.outcome == sim::ParsedCommandLine::Outcome::Error) {
        std::fprintf(stderr, "qm47-sim: %s\nTry 'qm47-sim --help' for the options.\n",
                     parsed.error.c_str());
        return 2;
    }

    sim::Server server(parsed.options);
    std::string error;
    if (!server.open(error)) {
        std::fprintf(stderr, "qm47-sim: cannot listen on %s:%u: %s\n", parsed.options.host.c_str(),
                     static_cast<unsigned>(parsed.options.port), error.c_str());
        return 1;
    }

    int stopPipe[2];
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("qm47-sim: pipe");
        return 1;
    }
    stopWriteFd = stopPipe[1];
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);

    std::printf("listening on %s:%u\n", parsed.options.host.c_str(),
                static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    return server.run(stopPipe[0]);
}

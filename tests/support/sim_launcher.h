// The controller simulator (qm47-sim) as a child process of a test: listening on 127.0.0.1 at
// a port it picks itself, its log kept as lines, its inputs settable while it runs, and
// stopped at teardown.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/child_process.h"

namespace testsupport {

class SimProcess {
  public:
    static constexpr std::chrono::milliseconds kDefaultBound{10'000};

    // Where the build puts the simulator.
    static std::string programPath();

    // Runs `qm47-sim --port 0 <args>` and waits, at most `bound` in real time, for the line
    // that tells its port. False when it does not come (error() says why, with the
    // simulator's own complaint when it gave one).
    bool start(const std::vector<std::string>& args = {},
               ChildProcess::Input input = ChildProcess::Input::Pipe,
               std::chrono::milliseconds bound = kDefaultBound);
    std::uint16_t port() const { return port_; }
    const std::string& error() const { return error_; }

    // The log so far, one entry per line ("rx FF F6 ayt", "connection accepted from ...").
    std::vector<std::string> lines() const { return child_.outputLines(); }
    // The number of log lines so far: pass it to waitForLine to look only at later ones.
    std::size_t mark() const { return child_.outputLineCount(); }
    std::size_t count(std::string_view needle) const;
    // Whether a line numbered `from` or later contains `needle` within `bound`.
    bool waitForLine(std::string_view needle, std::chrono::milliseconds bound = kDefaultBound,
                     std::size_t from = 0) const;
    bool waitForLine(const std::function<bool(std::string_view)>& match,
                     std::chrono::milliseconds bound = kDefaultBound, std::size_t from = 0) const {
        return child_.waitForOutputLine(match, from, bound).has_value();
    }
    // The first such line with its number, or nullopt.
    std::optional<ChildProcess::NumberedLine> findLine(
        std::string_view needle, std::chrono::milliseconds bound = kDefaultBound,
        std::size_t from = 0) const;
    // Whether lines containing each of `needles` come in that order within `bound`; the
    // first one missing otherwise.
    std::optional<std::string> missingInOrder(
        const std::vector<std::string>& needles,
        std::chrono::milliseconds bound = kDefaultBound) const;
    // Whether `needle` shows up in at least `times` lines within `bound`.
    bool waitForCount(std::string_view needle, std::size_t times,
                      std::chrono::milliseconds bound = kDefaultBound) const;

    // One command line on the simulator's standard input.
    bool sendLine(std::string_view line);
    // Sets the inputs the next reports carry; true once the simulator has confirmed it.
    bool setInputs(std::uint8_t mask, std::chrono::milliseconds bound = kDefaultBound);
    // The outputs the last write-outputs frame set, and the inputs the next report carries, as
    // the simulator reports them. It answers its commands in order, so after these return every
    // line it logged before has been read.
    std::optional<std::uint8_t> outputs(std::chrono::milliseconds bound = kDefaultBound);
    std::optional<std::uint8_t> inputs(std::chrono::milliseconds bound = kDefaultBound);
    void closeInput() { child_.closeInput(); }

    // SIGTERM (SIGKILL after `bound`); the exit status. Also done at destruction.
    std::optional<int> stop(std::chrono::milliseconds bound = std::chrono::seconds(5)) {
        return child_.stop(bound);
    }
    ChildProcess& process() { return child_; }

  private:
    std::optional<std::string> askFor(std::string_view command, std::string_view answerPrefix,
                                      std::chrono::milliseconds bound);
    std::optional<std::uint8_t> askForMask(std::string_view command, std::string_view answerPrefix,
                                           std::chrono::milliseconds bound);

    ChildProcess child_;
    std::uint16_t port_ = 0;
    std::string error_;
};

}  // namespace testsupport

// A program a test runs as a child process. Its standard output and error are drained into
// lines by a background thread from the moment it starts (a child blocked on a full pipe would
// hang the test), its standard input is a pipe the test writes to (or closed), and it is
// stopped and reaped when the object goes away. The child also gets SIGTERM when the thread that
// started it ends, so a test that dies without its teardown leaves nothing running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testsupport {

class ChildProcess {
  public:
    enum class Input { Pipe, Closed };
    // Output lines kept per stream; older ones are dropped (but still counted) beyond this.
    static constexpr std::size_t kMaxLines = 100'000;

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `args`. False when the process could not be set up (error() says
    // why); a program that cannot be executed exits with 127.
    bool start(const std::string& program, const std::vector<std::string>& args,
               Input input = Input::Pipe);
    const std::string& error() const { return error_; }
    pid_t pid() const { return pid_; }

    // Standard output lines kept so far, without their line ends.
    std::vector<std::string> outputLines() const;
    std::vector<std::string> errorLines() const;
    // Every standard output line so far, dropped ones included: a mark for waitForOutputLine.
    std::size_t outputLineCount() const;

    struct NumberedLine {
        std::size_t number;  // counted from 0, dropped lines included
        std::string text;
    };
    // The first standard output line numbered `from` or later that `match` accepts; nullopt
    // when none came within `bound` or the output ended without one.
    std::optional<NumberedLine> waitForOutputLine(
        const std::function<bool(std::string_view)>& match, std::size_t from,
        std::chrono::milliseconds bound) const;
    // Waits until `condition` holds for the kept standard output lines, within `bound`.
    bool waitForOutput(const std::function<bool(const std::vector<std::string>&)>& condition,
                       std::chrono::milliseconds bound) const;

    // False when standard input is closed or the child no longer reads it.
    bool writeInput(std::string_view bytes);
    void closeInput();

    // Waits for the child to end by itself: its exit code, 128 + the signal number when a
    // signal ended it, nullopt when it still runs after `bound`. All its output has been read
    // once this returns a value.
    std::optional<int> waitExit(std::chrono::milliseconds bound);
    // SIGTERM, then SIGKILL when it has not ended after `bound`; reaps it. The exit status as
    // waitExit gives it, nullopt when nothing was started.
    std::optional<int> stop(std::chrono::milliseconds bound = std::chrono::seconds(5));

  private:
    struct Stream {
        std::vector<std::string> lines;
        std::size_t dropped = 0;
        std::string partial;
    };

    void drain(int outFd, int errFd);
    void append(Stream& stream, std::string_view bytes);
    void finishOutput();

    std::string error_;
    pid_t pid_ = -1;
    int inputFd_ = -1;
    std::optional<int> status_;
    std::thread drainer_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Stream out_;
    Stream err_;
    bool outputEnded_ = false;
};

}  // namespace testsupport

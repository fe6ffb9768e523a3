#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace testsupport {

namespace {

void closeFrom(int lowest) {
    if (::close_range(static_cast<unsigned>(lowest), ~0U, 0) == 0) {
        return;
    }
    const long max = ::sysconf(_SC_OPEN_MAX);
    for (long fd = lowest; fd < (max > 0 ? max : 1024); ++fd) {
        ::close(static_cast<int>(fd));
    }
}

std::optional<int> decodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return std::nullopt;
}

}  // namespace

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         Input input) {
    if (pid_ > 0) {
        error_ = "already started";
        return false;
    }
    int inPipe[2] = {-1, -1};
    int outPipe[2];
    int errPipe[2];
    if ((input == Input::Pipe && ::pipe2(inPipe, O_CLOEXEC) != 0) ||
        ::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    // Everything the child needs is built before fork: only async-signal-safe calls after it.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        error_ = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid_ == 0) {
        if (input == Input::Pipe) {
            ::dup2(inPipe[0], STDIN_FILENO);
        } else {
            ::close(STDIN_FILENO);
        }
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        closeFrom(3);
        // A test that dies without its teardown must not leave the child running.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::signal(SIGPIPE, SIG_DFL);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (input == Input::Pipe) {
        ::close(inPipe[0]);
        inputFd_ = inPipe[1];
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    drainer_ = std::thread([this, outFd = outPipe[0], errFd = errPipe[0]] { drain(outFd, errFd); });
    return true;
}

void ChildProcess::drain(int outFd, int errFd) {
    std::array<pollfd, 2> fds{{{outFd, POLLIN, 0}, {errFd, POLLIN, 0}}};
    std::array<std::string, 2> got;
    std::array<char, 64 * 1024> buffer;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            got[i].clear();
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (n > 0) {
                got[i].assign(buffer.data(), static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;  // poll skips negative descriptors
            }
        }
        // Error text first: what the child wrote there before a line of output is then seen by
        // anyone who waited for that line.
        const std::lock_guard lock(mutex_);
        append(err_, got[1]);
        append(out_, got[0]);
        changed_.notify_all();
    }
    finishOutput();
}

void ChildProcess::append(Stream& stream, std::string_view bytes) {
    for (const char c : bytes) {
        if (c != '\n') {
            stream.partial += c;
            continue;
        }
        if (!stream.partial.empty() && stream.partial.back() == '\r') {
            stream.partial.pop_back();
        }
        stream.lines.push_back(std::move(stream.partial));
        stream.partial.clear();
        if (stream.lines.size() > kMaxLines) {
            const std::size_t drop = kMaxLines / 2;
            stream.lines.erase(stream.lines.begin(), stream.lines.begin() + drop);
            stream.dropped += drop;
        }
    }
}

void ChildProcess::finishOutput() {
    const std::lock_guard lock(mutex_);
    for (Stream* stream : {&out_, &err_}) {
        if (!stream->partial.empty()) {
            stream->lines.push_back(std::move(stream->partial));
            stream->partial.clear();
        }
    }
    outputEnded_ = true;
    changed_.notify_all();
}

std::vector<std::string> ChildProcess::outputLines() const {
    const std::lock_guard lock(mutex_);
    return out_.lines;
}

std::vector<std::string> ChildProcess::errorLines() const {
    const std::lock_guard lock(mutex_);
    return err_.lines;
}

std::size_t ChildProcess::outputLineCount() const {
    const std::lock_guard lock(mutex_);
    return out_.dropped + out_.lines.size();
}

std::optional<ChildProcess::NumberedLine> ChildProcess::waitForOutputLine(
    const std::function<bool(std::string_view)>& match, std::size_t from,
    std::chrono::milliseconds bound) const {
    std::unique_lock lock(mutex_);
    std::size_t next = from;
    std::optional<NumberedLine> found;
    changed_.wait_for(lock, bound, [&] {
        for (next = std::max(next, out_.dropped); next < out_.dropped + out_.lines.size(); ++next) {
            const std::string& line = out_.lines[next - out_.dropped];
            if (match(line)) {
                found = NumberedLine{next, line};
                return true;
            }
        }
        return outputEnded_;
    });
    return found;
}

bool ChildProcess::waitForOutput(
    const std::function<bool(const std::vector<std::string>&)>& condition,
    std::chrono::milliseconds bound) const {
    std::unique_lock lock(mutex_);
    bool held = false;
    changed_.wait_for(lock, bound, [&] {
        held = condition(out_.lines);
        return held || outputEnded_;
    });
    return held;
}

bool ChildProcess::writeInput(std::string_view bytes) {
    if (inputFd_ < 0) {
        return false;
    }
    // A child that closed its input must not end the test with SIGPIPE: block the signal on this
    // thread for the write and take back the one the write may have raised.
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool ok = true;
    while (!bytes.empty()) {
        const ssize_t n = ::write(inputFd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            if (errno == EPIPE) {
                const timespec none{0, 0};
                ::sigtimedwait(&pipeSignal, nullptr, &none);
            }
            ok = false;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

void ChildProcess::closeInput() {
    if (inputFd_ >= 0) {
        ::close(inputFd_);
        inputFd_ = -1;
    }
}

std::optional<int> ChildProcess::waitExit(std::chrono::milliseconds bound) {
    if (status_ || pid_ <= 0) {
        return status_;
    }
    const auto until = std::chrono::steady_clock::now() + bound;
    while (true) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            status_ = done == pid_ ? decodeStatus(status) : std::optional<int>(-1);
            break;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (drainer_.joinable()) {
        drainer_.join();
    }
    closeInput();
    return status_;
}

std::optional<int> ChildProcess::stop(std::chrono::milliseconds bound) {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    if (!status_) {
        ::kill(pid_, SIGTERM);
        if (!waitExit(bound)) {
            ::kill(pid_, SIGKILL);
            waitExit(std::chrono::hours(1));
        }
    }
    return status_;
}

}  // namespace testsupport

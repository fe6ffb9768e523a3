#include "toolkit/qt/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace tkqt {

namespace {

volatile std::sig_atomic_t gWriteFd = -1;

extern "C" void onTerminationSignal(int signal) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; nothing more to do.
    [[maybe_unused]] const ssize_t written = ::write(gWriteFd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(tk::EventLoop& loop, std::function<void()> onSignal)
    : loop_(loop), onSignal_(std::move(onSignal)) {
    if (gWriteFd != -1) {
        throw std::logic_error("termination signals are already handled");
    }
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    gWriteFd = pipe_[1];
    watch_ = loop_.watchFd(pipe_[0], tk::EventLoop::ioRead, [this](unsigned) { drain(); });

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousTerm_);
    ::sigaction(SIGINT, &action, &previousInt_);
}

TerminationSignals::~TerminationSignals() {
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    ::sigaction(SIGINT, &previousInt_, nullptr);
    loop_.unwatchFd(watch_);
    gWriteFd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void TerminationSignals::drain() {
    // Signals that came together close once.
    unsigned char buffer[64];
    while (::read(pipe_[0], buffer, sizeof buffer) > 0) {
    }
    onSignal_();
}

}  // namespace tkqt

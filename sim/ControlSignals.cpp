#include "ControlSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include "SystemError.h"

namespace sim {

namespace {

constexpr int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2};

volatile std::sig_atomic_t g_writeFd = -1;

extern "C" void onControlSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe holds more requests than anyone sends; dropping this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

bool setAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (const int signal : kHandledSignals) ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    return ok;
}

Control controlFor(int signal) {
    if (signal == SIGUSR1) return Control::kPullCable;
    if (signal == SIGUSR2) return Control::kPlugCable;
    if (signal == SIGHUP) return Control::kReload;
    return Control::kStop;
}

}  // namespace

ControlSignals::ControlSignals() {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) throw systemFailure("cannot create a pipe");
    m_read.reset(fds[0]);
    m_write.reset(fds[1]);
    g_writeFd = fds[1];
    if (!setAction(onControlSignal)) throw systemFailure("cannot catch the control signals");
    // A script that read the COM line and closed its end of our standard output must not end
    // the simulator before it has removed its alias; the write fails instead.
    ::signal(SIGPIPE, SIG_IGN);
}

ControlSignals::~ControlSignals() {
    setAction(SIG_DFL);
    g_writeFd = -1;
}

std::vector<Control> ControlSignals::take() {
    std::vector<Control> controls;
    unsigned char signals[16];
    for (;;) {
        const ssize_t count = ::read(m_read.get(), signals, sizeof signals);
        if (count <= 0) break;
        for (ssize_t i = 0; i < count; ++i) controls.push_back(controlFor(signals[i]));
    }
    return controls;
}

}  // namespace sim

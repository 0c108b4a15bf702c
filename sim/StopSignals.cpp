#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include "SystemError.h"

namespace sim {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_writeFd = -1;

extern "C" void onStopSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a stop request; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

bool setAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (const int signal : kStopSignals) ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    return ok;
}

}  // namespace

StopSignals::StopSignals() {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) throw systemFailure("cannot create a pipe");
    m_read.reset(fds[0]);
    m_write.reset(fds[1]);
    g_writeFd = fds[1];
    if (!setAction(onStopSignal)) throw systemFailure("cannot catch the stop signals");
    // A script that read the COM line and closed its end of our standard output must not end
    // the simulator before it has removed its alias; the write fails instead.
    ::signal(SIGPIPE, SIG_IGN);
}

StopSignals::~StopSignals() {
    setAction(SIG_DFL);
    g_writeFd = -1;
}

}  // namespace sim

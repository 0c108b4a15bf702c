#include "WatchSignals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <system_error>

namespace watch {

WatchSignals::WatchSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    m_fd.reset(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!m_fd) throw std::system_error(errno, std::generic_category(), "signalfd");
}

WatchSignal WatchSignals::take() {
    signalfd_siginfo info{};
    if (::read(m_fd.get(), &info, sizeof info) != static_cast<ssize_t>(sizeof info))
        return WatchSignal::None;
    return info.ssi_signo == SIGHUP ? WatchSignal::Reread : WatchSignal::End;
}

}  // namespace watch

#include "Interrupt.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>

namespace modlink {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
// Made before main, so that the handler only writes to it; it lasts as long as the process.
const int g_interruptFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

}  // namespace

extern "C" void noteInterrupt(int) {
    const int saved = errno;
    g_interrupted = 1;
    const std::uint64_t one = 1;
    if (g_interruptFd >= 0) {
        const auto written = ::write(g_interruptFd, &one, sizeof one);
        static_cast<void>(written);
    }
    errno = saved;
}

void catchInterrupt() {
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    // A write blocked on a full pipe goes on after the signal instead of failing, so that the
    // summary Ctrl+C asks for is not lost with the line that was on its way.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interrupted() {
    return g_interrupted != 0;
}

void clearInterrupt() {
    g_interrupted = 0;
    std::uint64_t count = 0;
    if (g_interruptFd >= 0) {
        const auto taken = ::read(g_interruptFd, &count, sizeof count);
        static_cast<void>(taken);
    }
}

int interruptFd() {
    return g_interruptFd;
}

}  // namespace modlink

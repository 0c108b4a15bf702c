#include "Interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

}  // namespace

extern "C" void noteInterrupt(int) {
    g_interrupted = 1;
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
}

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
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interrupted() {
    return g_interrupted != 0;
}

void clearInterrupt() {
    g_interrupted = 0;
}

#pragma once
// Ctrl+C ends a link test or the monitor with its summary instead of killing the program, so
// the port is closed cleanly.

namespace modlink {

void catchInterrupt();
bool interrupted();
// Readable from Ctrl+C on until clearInterrupt: a wait sleeps on it beside its own wake-up,
// so that it never has to look at the clock for Ctrl+C.
int interruptFd();

// For a host with Ctrl+C handling of its own (the Python module): its waits install
// noteInterrupt as SIGINT's handler while they run, and clear what it noted after.
extern "C" void noteInterrupt(int signal);
void clearInterrupt();

}  // namespace modlink

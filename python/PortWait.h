#pragma once
// A wait on the port from Python: the interpreter's lock is let go for its length, so other
// threads run, and on the main thread Ctrl+C ends the wait as the command line's does. What
// Ctrl+C noted is handed to the interpreter afterwards, so its KeyboardInterrupt follows.

#include <pybind11/pybind11.h>
#include <signal.h>

namespace python {

class PortWait {
  public:
    // Made with the interpreter's lock held.
    PortWait();
    ~PortWait();
    PortWait(const PortWait&) = delete;
    PortWait& operator=(const PortWait&) = delete;

    // Notes the main thread; called once, when the module is imported.
    static void noteMainThread();

  private:
    bool m_watching = false;
    struct sigaction m_previous {};
    pybind11::gil_scoped_release m_unlocked;
};

// After an interruption that ended a wait: the interpreter's own SIGINT handling runs now, so
// its exception (KeyboardInterrupt unless the script chose otherwise) is the one set.
void setInterruptError();

}  // namespace python

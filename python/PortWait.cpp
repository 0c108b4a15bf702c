#include "PortWait.h"

#include <Python.h>

#include "Interrupt.h"

namespace python {

namespace {

unsigned long g_mainThread = 0;

// The interpreter's handler, unless the script asked for the default or to ignore SIGINT.
bool handledByInterpreter(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler != SIG_DFL &&
           action.sa_handler != SIG_IGN;
}

}  // namespace

void PortWait::noteMainThread() {
    g_mainThread = PyThread_get_thread_ident();
}

PortWait::PortWait() {
    if (PyThread_get_thread_ident() != g_mainThread) return;
    sigaction(SIGINT, nullptr, &m_previous);
    if (!handledByInterpreter(m_previous)) return;
    struct sigaction watch {};
    watch.sa_handler = modlink::noteInterrupt;
    sigemptyset(&watch.sa_mask);
    watch.sa_flags = SA_RESTART;  // a write blocked elsewhere in the process goes on
    sigaction(SIGINT, &watch, nullptr);
    m_watching = true;
}

PortWait::~PortWait() {
    if (!m_watching) return;
    sigaction(SIGINT, &m_previous, nullptr);
    if (!modlink::interrupted()) return;
    modlink::clearInterrupt();
    // Also when the wait ended otherwise: the Ctrl+C is the script's, not to be lost.
    PyErr_SetInterruptEx(SIGINT);
}

void setInterruptError() {
    if (PyErr_CheckSignals() == 0) PyErr_SetNone(PyExc_KeyboardInterrupt);
}

}  // namespace python

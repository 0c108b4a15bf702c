#pragma once
// What the simulator is told by signals. SIGINT and SIGTERM end it in an orderly way, so its
// alias is removed; SIGHUP asks it to read its file again (a single module ends on it, too);
// SIGUSR1 pulls its cable and SIGUSR2 plugs it back. The handler only
// writes the signal's number into a pipe that the event loop watches. SIGPIPE is ignored.

#include <vector>

#include "FileDescriptor.h"

namespace sim {

enum class Control { kStop, kReload, kPullCable, kPlugCable };

class ControlSignals {
  public:
    // One instance at a time. Throws std::runtime_error.
    ControlSignals();
    ~ControlSignals();  // back to the default actions
    ControlSignals(const ControlSignals&) = delete;
    ControlSignals& operator=(const ControlSignals&) = delete;

    // Readable once a signal has arrived.
    int fd() const { return m_read.get(); }
    // The signals that arrived since the last call, oldest first.
    std::vector<Control> take();

  private:
    files::FileDescriptor m_read;
    files::FileDescriptor m_write;
};

}  // namespace sim

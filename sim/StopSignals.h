#pragma once
// SIGINT, SIGTERM and SIGHUP end the simulator in an orderly way, so its alias is removed. The
// handler only writes a byte into a pipe that the event loop watches. SIGPIPE is ignored.

#include "FileDescriptor.h"

namespace sim {

class StopSignals {
  public:
    // One instance at a time. Throws std::runtime_error.
    StopSignals();
    ~StopSignals();  // back to the default actions
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Readable once a stop signal has arrived.
    int fd() const { return m_read.get(); }

  private:
    FileDescriptor m_read;
    FileDescriptor m_write;
};

}  // namespace sim

#pragma once
// The signals the watcher answers, read in its loop rather than in a handler: Ctrl+C and SIGTERM
// end it, SIGHUP reads its settings again. Made before any thread starts, so that every thread
// leaves them to the loop.

#include "FileDescriptor.h"

namespace watch {

enum class WatchSignal { None, End, Reread };

class WatchSignals {
  public:
    WatchSignals();                        // blocks them in this thread and those it starts
    int fd() const { return m_fd.get(); }  // readable while one waits
    WatchSignal take();

  private:
    files::FileDescriptor m_fd;
};

}  // namespace watch

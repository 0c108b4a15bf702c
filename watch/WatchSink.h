#pragma once
// Where what the watcher decides goes: each event as it is said, and the state after each change.
// The log, the metrics endpoint and the service manager's status are sinks; a broker or the
// record would be more of them. Both calls come on the watcher's loop thread, in order, and must
// not block it: a sink that waits on the network keeps its own queue.

#include <memory>

#include "Event.h"
#include "WatchState.h"

namespace watch {

class WatchSink {
  public:
    virtual ~WatchSink() = default;
    virtual void said(const Event& event) = 0;
    virtual void changed(const std::shared_ptr<const WatchState>& state) = 0;
};

}  // namespace watch

#pragma once
// One connection attempt on a thread of its own, so that a window never waits for a name
// lookup, a connection or a server's answers: the face starts it, is told when it has ended,
// and hands the result to its port object (CXSerial::OpenConnected) on its own thread.

#include <atomic>
#include <functional>
#include <thread>

#include "LineSettings.h"
#include "NetworkAddress.h"
#include "NetworkLink.h"

namespace serial {

class NetworkOpening {
  public:
    // ended is called on the attempt's thread once the result can be taken.
    NetworkOpening(ports::NetworkAddress address, proto::LineSettings settings,
                   std::function<void()> ended);
    // Waits for an attempt still running, at most NetworkLink::kConnectTimeout.
    ~NetworkOpening();
    NetworkOpening(const NetworkOpening&) = delete;
    NetworkOpening& operator=(const NetworkOpening&) = delete;

    const ports::NetworkAddress& address() const { return m_address; }
    bool ended() const { return m_ended; }
    // Once ended(): the connection, or why there is none.
    NetworkLink::Connected take();

  private:
    const ports::NetworkAddress m_address;
    NetworkLink::Connected m_result;
    std::atomic<bool> m_ended = false;
    std::thread m_attempt;
};

}  // namespace serial

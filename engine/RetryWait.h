#pragma once
// How long a watch for a port across the network waits before it tries the server again: a
// second at first, twice as long after each attempt that failed, at most half a minute. A
// server that keeps turning the port away is asked less and less often; one that was only
// restarting is found again within a second or two.

#include <algorithm>
#include <chrono>

namespace engine {

class RetryWait {
  public:
    static constexpr std::chrono::seconds kFirst{1};
    static constexpr std::chrono::seconds kLongest{30};

    void reset() { m_wait = kFirst; }
    void failed() { m_wait = std::min(m_wait * 2, kLongest); }
    std::chrono::seconds wait() const { return m_wait; }

  private:
    std::chrono::seconds m_wait = kFirst;
};

}  // namespace engine

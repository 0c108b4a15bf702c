#pragma once
// Waits for many descriptors at once, until a time given to the nanosecond. Built on epoll, so
// that a wait costs the same however many terminals a lab has: the descriptors are told once,
// not handed over at every wait.

#include <cstdint>
#include <optional>
#include <vector>

#include "FileDescriptor.h"
#include "LinePacer.h"

namespace sim {

class Readiness {
  public:
    using Clock = LinePacer::Clock;

    struct Ready {
        std::uint64_t key = 0;
        short events = 0;  // as poll() names them: POLLIN, POLLOUT, POLLHUP, POLLERR
    };

    // Throws std::runtime_error.
    Readiness();

    // Starts or changes the watch on fd; key comes back with its readiness. Throws
    // std::runtime_error.
    void watch(int fd, std::uint64_t key, short events);
    // Before fd is closed.
    void forget(int fd);
    // What is ready, waiting until something is or `until` has come (for ever without it);
    // nothing when a signal came in between. Throws std::runtime_error.
    std::vector<Ready> wait(std::optional<Clock::time_point> until);

  private:
    files::FileDescriptor m_epoll;
    std::vector<int> m_watched;  // so a watch is added once and changed after
};

}  // namespace sim

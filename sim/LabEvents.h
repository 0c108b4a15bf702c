#pragma once
// What lab modules will say once the radio's latencies have passed: replies waiting for their
// confirmation's time, data on its way to its target. Time is passed in, so tests drive it.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Frame.h"
#include "LinePacer.h"

namespace sim {

struct LabEvent {
    std::size_t module = 0;  // the module that says it
    proto::Frame bytes;
    std::string noticeLine{};  // for data that arrives: its log line; empty for a reply
};

class LabEvents {
  public:
    using Clock = LinePacer::Clock;

    void add(Clock::time_point due, LabEvent event) { m_queue.emplace(due, std::move(event)); }
    std::optional<Clock::time_point> nextDue() const;
    // The events whose time has come, oldest first; those due at the same time in the order
    // they were added.
    std::vector<std::pair<Clock::time_point, LabEvent>> takeDue(Clock::time_point now);
    // The module was switched off: what it was about to say is lost.
    void dropFor(std::size_t module);

  private:
    std::multimap<Clock::time_point, LabEvent> m_queue;
};

}  // namespace sim

#pragma once
// What a module's line dropped, counted by episode: one begins with a drop and ends once
// kQuietAfter has passed without another, so that a flood is told once, with its count, rather
// than drop by drop. Time is passed in.

#include <chrono>
#include <cstddef>
#include <optional>

#include "LinePacer.h"

namespace sim {

class Overflows {
  public:
    using Clock = LinePacer::Clock;
    static constexpr Clock::duration kQuietAfter = std::chrono::seconds(1);

    void count(Clock::time_point now, std::size_t dropped);
    // When the episode under way ends unless more is dropped; nothing when none is under way.
    std::optional<Clock::time_point> endsAt() const;
    // The count of the episode that has ended by now, which then starts afresh; nothing while
    // none has.
    std::optional<std::size_t> takeEnded(Clock::time_point now);

  private:
    std::size_t m_dropped = 0;
    Clock::time_point m_lastDrop{};
};

}  // namespace sim

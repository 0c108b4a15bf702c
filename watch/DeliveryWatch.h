#pragma once
// The delivery between two ports over a sliding window, from the fate of each send a probe made:
// below the threshold is one event when it starts and one when it ends. A pair is judged once its
// window holds enough sends that one lost send at the start does not condemn it.

#include <chrono>
#include <compare>
#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "Event.h"

namespace watch {

struct ProbePair {
    std::string from;  // the ports as named
    std::string to;
    auto operator<=>(const ProbePair&) const = default;
};

struct DeliveryRule {
    double below = 0.9;  // a share from 0 to 1
    std::chrono::seconds window{600};
};

class DeliveryWatch {
  public:
    static constexpr std::size_t kFewestSends = 10;
    // However fast a probe sends, a pair keeps this many fates at most: the oldest go first.
    static constexpr std::size_t kMostSends = 100'000;

    // The fate of one send, known at `now`.
    void probed(const ProbePair& pair, bool delivered, const DeliveryRule& rule, WallTime now,
                std::vector<Event>& events);

  private:
    struct Fate {
        WallTime time;
        bool delivered = false;
    };
    struct Window {
        std::deque<Fate> fates;
        std::size_t delivered = 0;
        bool low = false;
    };
    std::map<ProbePair, Window> m_pairs;
};

}  // namespace watch

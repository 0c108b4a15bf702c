#pragma once
// What a delivery test is asked to do: which modules send to which, how often, for how long,
// and the send request every send shares. Faces fill it from their options or the map; ports
// are named by their index in the plan everywhere else.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "Messages.h"

namespace delivery {

using Clock = std::chrono::steady_clock;

struct Port {
    std::string name{};      // as the user named it
    std::uint16_t node = 0;  // the node id its module answers as: the target of sends to it
};

// A sender and one of its targets, by port index.
struct Pair {
    std::size_t from = 0;
    std::size_t to = 0;
    bool operator==(const Pair&) const = default;
};

// A tag names each port of a run in 16 bits.
inline constexpr std::size_t kMostPorts = 65536;

// Every port to every other, sender by sender, each sender's targets in port order.
std::vector<Pair> allPairs(std::size_t ports);

struct Plan {
    std::vector<Port> ports{};
    std::vector<Pair> pairs{};  // each at most once; a sender's targets take turns in this order
    // The route mode, hop limit, ACK and relays of every send; each send puts in its own
    // target and data.
    proto::SendDataRequest request{};
    std::size_t size = 0;                                // data bytes of each send
    Clock::duration interval = std::chrono::seconds(1);  // between a sender's sends, as asked
    // Every port's line: no sender sends more often than the lines carry (pacedInterval).
    // Nothing where the ports have no pace of their own.
    std::optional<proto::LineSettings> line{};
    std::optional<int> count{};                         // sends per pair
    std::optional<Clock::duration> duration{};          // no new sends after it
    Clock::duration timeout = std::chrono::seconds(2);  // data later than it is late
    std::uint32_t run = 0;  // tells this run's data from an earlier run's; see drawRunId
};

// How long the busiest port's line takes, one way or the other, for what one interval of the
// plan puts on it: each sender's send in; its confirmation and the notices of the sends that
// reach the port out, every send taken as delivered. Zero without a line.
Clock::duration busiestLineTime(const Plan& plan);
// The interval each sender keeps: the one asked, stretched to busiestLineTime where that is
// longer, so that a send goes out only once the one before it is on the wire, and no module's
// answers pile up on its line.
Clock::duration pacedInterval(const Plan& plan);

// A run id no earlier run on the mesh is likely to have had.
std::uint32_t drawRunId();

// Throws std::invalid_argument for a plan no run can carry out: a pair naming a port the plan
// lacks, a port sending to itself, a pair twice, more ports than a tag can name, a size outside
// dataSizes for the request's route mode and relays, or an interval, time-out, count or duration
// that is not positive. Faces check what users type first and say so in their own words.
void checkPlan(const Plan& plan);

}  // namespace delivery

#pragma once
// How data a lab module is asked to send crosses the lab. "Auto" and "Force" take the best route,
// "Force" after one round trip over it to find it; "Forbidden" reaches neighbours only; "Source"
// goes through the relays given. A target the sender does not reach, or one past the jump limit,
// is "Route not found". Each hop arrives at its link's delivery rate after its latency. Without
// "ACK Request" the sender confirms once the first hop took the data; with it, once the
// acknowledgement has come back along the route, which can be lost too.

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "Airwaves.h"
#include "Delivery.h"
#include "Messages.h"
#include "Radio.h"

namespace sim {

struct Arrival {
    std::size_t target = 0;
    std::chrono::milliseconds after{0};  // from the request heard until the data arrives
    proto::NoticeContent notice;
};

struct Sending {
    Carried confirmation;
    std::optional<Arrival> arrival;    // nothing when the data was lost or never sent
    std::vector<proto::PathHop> path;  // the route taken, for the path reply; empty without one
};

// draws: the sender's own, so that its sends repeat whatever the other modules do.
Sending carryAcross(const Airwaves& air, std::size_t from, const proto::SendDataRequest& request,
                    Delivery& draws);

}  // namespace sim

#pragma once
// What lies beyond a module's antenna: the mesh it reports and carries its data through. A single
// module makes its mesh up from a mesh file; a module of a lab hears the lab's other modules.

#include <chrono>
#include <cstdint>
#include <string>

#include "Messages.h"
#include "SendNames.h"

namespace sim {

// What became of data the module was asked to send, as its confirmation tells it.
struct Carried {
    std::uint8_t status = proto::kStatusOk;
    std::chrono::milliseconds latency{0};  // from the request until the confirmation
    std::string note{};                    // for the request's log line, such as " lost=1-2"
};

class Radio {
  public:
    virtual ~Radio() = default;

    // own: the module's setup as it is now.
    virtual proto::Frame routeListReply(const proto::Setup& own) = 0;
    virtual proto::Frame pathListReply(const proto::Setup& own) = 0;
    virtual Carried carry(const proto::Setup& own, const proto::SendDataRequest& request) = 0;
};

}  // namespace sim

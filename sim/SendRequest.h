#pragma once
// The fields of a send-data request as the module reads them.

#include <cstdint>
#include <optional>
#include <vector>

#include "Frame.h"

namespace sim {

struct SendRequest {
    std::uint16_t target = 0;
    std::uint8_t ack = 0;
    std::uint8_t jump = 0;
    std::uint8_t routeMode = 0;
    std::vector<std::uint16_t> relays;
    proto::Frame data;
};

inline constexpr std::uint8_t kRouteModeSource = 3;

// Nothing when the length byte does not match the fields that follow. Source routing is read
// with its relay block (a count byte, then the ids) and, failing that, without one.
std::optional<SendRequest> parseSendRequest(proto::Bytes frame);

// Bytes 4-5 of the frame, or 0 when the frame is too short to hold them.
std::uint16_t sendTarget(proto::Bytes frame);

}  // namespace sim

#pragma once
// Every frame the tool sends or reads as a value of numbers, each with its encoder and decoder.
// Offsets, sizes and codes live beside the encoders (Messages.cpp); faces turn these values
// into texts, never the other way round.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "Frame.h"

namespace proto {

// The seven values of a module's setup, as the setup frames carry them.
struct Setup {
    std::uint32_t frequencyRegister = 0;  // 24 bits; see frequencyRegisterFromMhz
    std::uint8_t powerCode = 7;           // power level 1 to 7
    std::uint8_t lifeCycleCode = 0;       // 0 is "1h", 23 is "24h"
    std::uint16_t networkId = 1;
    std::uint16_t nodeId = 1;
    std::uint8_t uartRateCode = 3;  // index into kUartRates
    std::uint8_t parityCode = 0;    // index into kParityNames
    bool operator==(const Setup&) const = default;
};

// Requests.
struct WriteSetupRequest {
    Setup setup;
};
struct ReadSetupRequest {};
struct RouteListRequest {};
struct PathRequest {};
struct SendDataRequest {
    std::uint16_t target = 0;
    std::uint8_t ack = 0;
    std::uint8_t jump = 0;       // hop limit as the frame carries it (the list index + 1)
    std::uint8_t routeMode = 0;  // kRouteModeSource carries the relays
    std::vector<std::uint16_t> relays{};
    std::vector<std::uint8_t> data{};
};

// Replies and unsolicited frames.
struct WriteAcknowledgement {  // the module echoes what it stored
    Setup setup;
};
struct SetupReply {
    Setup setup;
};
struct RouteEntry {
    std::uint16_t target = 0;
    std::uint16_t route = 0;
    bool operator==(const RouteEntry&) const = default;
};
inline constexpr std::size_t kRouteSlots = 40;
struct RouteListReply {
    std::uint16_t localNode = 0;
    std::array<std::optional<RouteEntry>, kRouteSlots> slots{};  // empty: no route in that slot
};
struct PathHop {
    std::uint16_t node = 0;
    std::uint8_t linkValue = 0;  // shown as minus this
    bool operator==(const PathHop&) const = default;
};
struct PathReply {
    std::uint16_t localNode = 0;
    std::vector<PathHop> hops{};  // as drawn: the hop next to the local node first, target last
};
struct SendStatus {
    std::uint16_t target = 0;
    std::uint8_t status = 0;
};
struct ReceiveNotice {
    std::uint16_t source = 0;
    std::uint8_t linkValue = 0;
    std::vector<std::uint8_t> data{};
};

using Request =
    std::variant<WriteSetupRequest, ReadSetupRequest, RouteListRequest, PathRequest, SendDataRequest>;
using Reply = std::variant<WriteAcknowledgement, SetupReply, RouteListReply, PathReply, SendStatus,
                           ReceiveNotice>;

Frame encode(const WriteSetupRequest& request);
Frame encode(const ReadSetupRequest& request);
Frame encode(const RouteListRequest& request);
Frame encode(const PathRequest& request);
Frame encode(const SendDataRequest& request);
Frame encode(const Request& request);

Frame encode(const WriteAcknowledgement& reply);
Frame encode(const SetupReply& reply);
Frame encode(const RouteListReply& reply);
Frame encode(const PathReply& reply);
Frame encode(const SendStatus& reply);
Frame encode(const ReceiveNotice& reply);
Frame encode(const Reply& reply);

// A whole frame with a good check byte, read by its dispatch code; nothing for any other.
std::optional<Reply> decodeReply(Bytes frame);
std::optional<Request> decodeRequest(Bytes frame);

// The frequency register the window has always written: MHz / 61.035 * 1e6, truncated.
// Nothing for a value the 24-bit register cannot hold (negative, too large, NaN, infinite).
std::optional<std::uint32_t> frequencyRegisterFromMhz(double mhz);
// What the module's register means: register * 61.03515625 / 1e6, truncated to two decimals,
// so that a written value reads back unchanged.
double mhzFromFrequencyRegister(std::uint32_t reg);

}  // namespace proto

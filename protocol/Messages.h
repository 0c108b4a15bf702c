#pragma once
// Every frame the tool sends or reads as a value of numbers, each with its encoder and decoder.
// Offsets live beside the encoders (Messages.cpp); what another layer needs to know of a frame's
// shape is declared here. Faces turn these values into texts, never the other way round.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "Frame.h"

namespace proto {

inline constexpr std::size_t kSetupFrameSize = 18;       // both setup requests, the setup reply
inline constexpr std::uint8_t kSetupMarker = 0xA5;       // twice at the start of a setup payload
inline constexpr std::size_t kRouteSlots = 40;           // entries of a route list reply
inline constexpr std::size_t kRouteListReplySize = 369;  // its length byte cannot say so
inline constexpr std::size_t kPathSlots = 8;             // hops of a path reply
inline constexpr std::size_t kPathReplySize = 32;
inline constexpr std::uint16_t kEmptyNode = 0xFFFF;    // an unused route entry or path hop
inline constexpr std::uint8_t kCmdSendConfirm = 0x81;  // with kTypeNetData, from the module
inline constexpr std::size_t kSendStatusOffset = 6;
inline constexpr std::size_t kRequestCapacity = 128;  // the module's buffer for a request
inline constexpr std::uint32_t kFrequencyRegisterRange = 1u << 24;

// The seven values of a module's setup, as the setup frames carry them.
struct Setup {
    std::uint32_t frequencyRegister = 0;  // 24 bits; see frequencyRegisterFromMhz
    std::uint8_t powerCode = 7;           // power level 1 to 7
    std::uint8_t lifeCycleCode = 0;       // 0 is "1h", 23 is "24h"
    std::uint16_t networkId = 1;
    std::uint16_t nodeId = 1;
    std::uint8_t uartRateCode = 3;  // index into kUartBaudRates
    std::uint8_t parityCode = 0;    // index into kParityNames
    bool operator==(const Setup&) const = default;
};

// Requests.
struct WriteSetupRequest {
    Setup setup;
    bool operator==(const WriteSetupRequest&) const = default;
};
struct ReadSetupRequest {
    bool operator==(const ReadSetupRequest&) const = default;
};
struct RouteListRequest {
    bool operator==(const RouteListRequest&) const = default;
};
struct PathRequest {
    bool operator==(const PathRequest&) const = default;
};
struct SendDataRequest {
    std::uint16_t target = 0;
    std::uint8_t ack = 0;
    std::uint8_t jump = 0;       // hop limit as the frame carries it (the list index + 1)
    std::uint8_t routeMode = 0;  // kRouteModeSource carries the relays
    std::vector<std::uint16_t> relays{};
    std::vector<std::uint8_t> data{};
    bool operator==(const SendDataRequest&) const = default;
};

// Replies and unsolicited frames.
struct WriteAcknowledgement {
    // The module echoes what it stored; nothing where the acknowledgement is too short to say.
    std::optional<Setup> setup{};
    bool operator==(const WriteAcknowledgement&) const = default;
};
struct SetupReply {
    Setup setup;
    bool operator==(const SetupReply&) const = default;
};
struct RouteEntry {
    std::uint16_t target = 0;
    std::uint16_t route = 0;
    bool operator==(const RouteEntry&) const = default;
};
struct RouteListReply {
    std::uint16_t localNode = 0;
    std::array<std::optional<RouteEntry>, kRouteSlots> entries{};  // empty: no route there
    bool operator==(const RouteListReply&) const = default;
};
struct PathHop {
    std::uint16_t node = 0;
    std::uint8_t linkValue = 0;  // shown as minus this
    bool operator==(const PathHop&) const = default;
};
struct PathReply {
    std::uint16_t localNode = 0;
    std::vector<PathHop> hops{};  // as drawn: the hop next to the local node first, target last
    bool operator==(const PathReply&) const = default;
};
struct SendStatus {
    std::uint16_t target = 0;
    std::uint8_t status = 0;
    bool operator==(const SendStatus&) const = default;
};
struct NoticeContent {
    std::uint16_t source = 0;
    std::uint8_t linkValue = 0;
    std::vector<std::uint8_t> data{};
    bool operator==(const NoticeContent&) const = default;
};
struct ReceiveNotice {
    // Nothing where the notice does not hold source, link value, count and data in this order:
    // it is a notice all the same.
    std::optional<NoticeContent> content{};
    bool operator==(const ReceiveNotice&) const = default;
};

using Request = std::variant<WriteSetupRequest, ReadSetupRequest, RouteListRequest, PathRequest,
                             SendDataRequest>;
using Reply = std::variant<WriteAcknowledgement, SetupReply, RouteListReply, PathReply, SendStatus,
                           ReceiveNotice>;

// Encoders throw std::length_error for a value no frame can carry (more than kPathSlots hops, a
// send request beyond kRequestCapacity, a notice beyond 255 payload bytes) and
// std::invalid_argument for relays outside source routing or a route or hop node of kEmptyNode.
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

// A received block that passes the check, read by its dispatch code at the fixed offsets the
// window has always read (a block can hold more than one frame; the first one counts). Fields
// must lie before the block's last byte: nothing when a setup reply, a path reply or a send
// status lacks one, a route list reply lacking the local node, or a code no handler takes.
// Route entries the block does not reach are empty.
std::optional<Reply> decodeReply(Bytes block);

// One whole frame by its length byte, read by its type and code. The check byte is the
// receiver's to judge: the module still reads a send whose check byte is wrong, to answer it
// with a status of its own. Nothing when the length or layout does not fit the code.
std::optional<Request> decodeRequest(Bytes frame);

// The seven values at the offsets every setup frame shares, whatever its code; nothing when the
// block's last byte comes before them.
std::optional<Setup> setupValuesIn(Bytes block);

// The target of a send request, bytes 4-5, or 0 when the frame is too short to hold them.
std::uint16_t sendTarget(Bytes frame);

// The most data bytes a send request of this route mode and relay count can carry.
std::size_t sendDataCapacity(std::uint8_t routeMode, std::size_t relays);

// The frequency register the window has always written: MHz / 61.035 * 1e6, truncated toward
// zero, before any range check (what the window wraps into 24 bits for a pasted value).
double truncatedFrequencyRegister(double mhz);
// The same, nothing for a value the 24-bit register cannot hold (negative, too large, NaN,
// infinite).
std::optional<std::uint32_t> frequencyRegisterFromMhz(double mhz);
// What the module's register means: register * 61.03515625 / 1e6, truncated to two decimals,
// so that a written value reads back unchanged.
double mhzFromFrequencyRegister(std::uint32_t reg);

}  // namespace proto

#include "Messages.h"

#include <cmath>
#include <stdexcept>

#include "Dispatch.h"
#include "SendNames.h"

namespace proto {

namespace {

// Callers check the field with fieldsPresent first.
std::uint16_t readBe16(Bytes block, std::size_t offset) {
    return static_cast<std::uint16_t>(block[offset] << 8 | block[offset + 1]);
}

void appendBe16(Frame& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Setup frames: the marker, then the seven values.
constexpr std::size_t kSetupPayloadSize = 13;
constexpr std::size_t kMarkerOffset = kHeaderSize;
constexpr std::size_t kFrequencyOffset = 6;
constexpr std::size_t kFrequencyWidth = 3;
constexpr std::size_t kPowerOffset = 9;
constexpr std::size_t kLifeCycleOffset = 10;
constexpr std::size_t kNetworkIdOffset = 11;
constexpr std::size_t kNodeIdOffset = 13;
constexpr std::size_t kBaudOffset = 15;
constexpr std::size_t kParityOffset = 16;
constexpr std::size_t kSetupValuesWidth = kParityOffset + 1 - kFrequencyOffset;
static_assert(kHeaderSize + kSetupPayloadSize + kCheckSize == kSetupFrameSize);
static_assert(kFrequencyOffset + kFrequencyWidth == kPowerOffset);
static_assert(kParityOffset + 1 + kCheckSize == kSetupFrameSize);

// Route list reply: local node, a count of the entries in use up to the last one (never read by
// the tool), then the entries.
constexpr std::size_t kRouteLocalOffset = 4;
constexpr std::size_t kRouteEntriesOffset = 8;
constexpr std::size_t kRouteEntrySize = 9;
constexpr std::size_t kEntryTargetOffset = 0;
constexpr std::size_t kEntryRouteOffset = 3;
constexpr std::size_t kEntryTailSize = 4;  // after the route node
constexpr std::uint8_t kEmptyByte = 0xFF;  // an empty entry or hop is all ones
static_assert(kRouteEntriesOffset + kRouteSlots * kRouteEntrySize + kCheckSize ==
              kRouteListReplySize);

// Path reply: one byte more before the local node than the route list reply; the hops from the
// target back towards the local node.
constexpr std::size_t kPathLocalOffset = 5;
constexpr std::size_t kPathHopsOffset = 7;
constexpr std::size_t kPathHopSize = 3;
constexpr std::size_t kHopNodeOffset = 1;
static_assert(kPathHopsOffset + kPathSlots * kPathHopSize + kCheckSize == kPathReplySize);

constexpr std::size_t kNodeIdWidth = 2;

// Send-data request, send confirmation and receive notice.
constexpr std::size_t kTargetOffset = 4;
constexpr std::size_t kAckOffset = 6;
constexpr std::size_t kJumpOffset = 7;
constexpr std::size_t kModeOffset = 8;
constexpr std::size_t kRelayCountOffset = 9;
constexpr std::size_t kPlainCountOffset = 9;
constexpr std::size_t kSendFieldsSize = kPlainCountOffset - kHeaderSize;  // target to mode
constexpr std::size_t kNoticeSourceOffset = 4;
constexpr std::size_t kNoticeLinkOffset = 6;
constexpr std::size_t kNoticeCountOffset = 7;
constexpr std::size_t kMaxPayload = 0xFF;

constexpr double kWriteStepHz = 61.035;  // what writing has always divided by
constexpr double kReadStepHz = 61.03515625;
constexpr double kHzPerMhz = 1000000.0;

void appendSetup(Frame& payload, const Setup& setup) {
    payload.push_back(static_cast<std::uint8_t>(setup.frequencyRegister >> 16));
    payload.push_back(static_cast<std::uint8_t>(setup.frequencyRegister >> 8));
    payload.push_back(static_cast<std::uint8_t>(setup.frequencyRegister));
    payload.push_back(setup.powerCode);
    payload.push_back(setup.lifeCycleCode);
    appendBe16(payload, setup.networkId);
    appendBe16(payload, setup.nodeId);
    payload.push_back(setup.uartRateCode);
    payload.push_back(setup.parityCode);
}

Frame setupFrame(std::uint8_t code, const Setup& setup) {
    Frame payload{kSetupMarker, kSetupMarker};
    appendSetup(payload, setup);
    return buildFrame(kTypeModule, code, payload);
}

Setup setupAt(Bytes frame) {
    return Setup{
        .frequencyRegister = static_cast<std::uint32_t>(frame[kFrequencyOffset]) << 16 |
                             static_cast<std::uint32_t>(frame[kFrequencyOffset + 1]) << 8 |
                             frame[kFrequencyOffset + 2],
        .powerCode = frame[kPowerOffset],
        .lifeCycleCode = frame[kLifeCycleOffset],
        .networkId = readBe16(frame, kNetworkIdOffset),
        .nodeId = readBe16(frame, kNodeIdOffset),
        .uartRateCode = frame[kBaudOffset],
        .parityCode = frame[kParityOffset],
    };
}

RouteListReply routeListAt(Bytes block) {
    RouteListReply reply{.localNode = readBe16(block, kRouteLocalOffset)};
    for (std::size_t i = 0; i < kRouteSlots; ++i) {
        const std::size_t entry = kRouteEntriesOffset + i * kRouteEntrySize;
        if (!fieldsPresent(block, entry, kRouteEntrySize)) break;  // nor any later entry
        const std::uint16_t route = readBe16(block, entry + kEntryRouteOffset);
        if (route == kEmptyNode) continue;  // an empty entry does not end the list
        reply.entries[i] = RouteEntry{readBe16(block, entry + kEntryTargetOffset), route};
    }
    return reply;
}

PathReply pathAt(Bytes block) {
    PathReply reply{.localNode = readBe16(block, kPathLocalOffset)};
    for (std::size_t i = kPathSlots; i-- > 0;) {
        const std::size_t hop = kPathHopsOffset + i * kPathHopSize;
        const std::uint16_t node = readBe16(block, hop + kHopNodeOffset);
        if (node != kEmptyNode) reply.hops.push_back({node, block[hop]});
    }
    return reply;
}

std::optional<NoticeContent> noticeIn(Bytes block) {
    if (!fieldsPresent(block, kNoticeSourceOffset, kNoticeCountOffset + 1 - kNoticeSourceOffset))
        return std::nullopt;
    const std::size_t count = block[kNoticeCountOffset];
    if (!fieldsPresent(block, kNoticeCountOffset + 1, count)) return std::nullopt;
    const auto data = block.subspan(kNoticeCountOffset + 1, count);
    return NoticeContent{readBe16(block, kNoticeSourceOffset), block[kNoticeLinkOffset],
                         std::vector<std::uint8_t>(data.begin(), data.end())};
}

// The data count byte at countOffset must be followed by exactly that many bytes and then the
// check byte, the frame's last.
std::optional<std::vector<std::uint8_t>> dataAt(Bytes frame, std::size_t countOffset) {
    if (countOffset + kCheckSize >= frame.size()) return std::nullopt;
    const std::size_t count = frame[countOffset];
    if (countOffset + 1 + count + kCheckSize != frame.size()) return std::nullopt;
    const auto data = frame.subspan(countOffset + 1, count);
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

std::optional<SendDataRequest> withRelayBlock(Bytes frame, SendDataRequest request) {
    if (kRelayCountOffset >= frame.size()) return std::nullopt;
    const std::size_t relays = frame[kRelayCountOffset];
    auto data = dataAt(frame, kRelayCountOffset + 1 + 2 * relays);
    if (!data) return std::nullopt;
    for (std::size_t k = 0; k < relays; ++k)
        request.relays.push_back(readBe16(frame, kRelayCountOffset + 1 + 2 * k));
    request.data = std::move(*data);
    return request;
}

// Source routing is read with its relay block (a count byte, then the ids) and, failing that,
// without one, as the window sent it before it always wrote the count byte.
std::optional<SendDataRequest> sendDataIn(Bytes frame) {
    if (frame.size() <= kModeOffset + kCheckSize) return std::nullopt;
    SendDataRequest request{
        .target = readBe16(frame, kTargetOffset),
        .ack = frame[kAckOffset],
        .jump = frame[kJumpOffset],
        .routeMode = frame[kModeOffset],
    };
    if (request.routeMode == kRouteModeSource) {
        if (auto relayed = withRelayBlock(frame, request)) return relayed;
    }
    auto data = dataAt(frame, kPlainCountOffset);
    if (!data) return std::nullopt;
    request.data = std::move(*data);
    return request;
}

bool isSetupFrame(Bytes frame) {
    return frame.size() == kSetupFrameSize && frame[kMarkerOffset] == kSetupMarker &&
           frame[kMarkerOffset + 1] == kSetupMarker;
}

}  // namespace

Frame encode(const WriteSetupRequest& request) {
    return setupFrame(kCmdWriteSetup, request.setup);
}

Frame encode(const ReadSetupRequest&) {
    Frame payload(kSetupPayloadSize, 0);
    payload[0] = kSetupMarker;
    payload[1] = kSetupMarker;
    return buildFrame(kTypeModule, kCmdReadSetup, payload);
}

Frame encode(const RouteListRequest&) {
    return buildFrame(kTypeModule, kCmdReadRoute, {});
}

Frame encode(const PathRequest&) {
    return buildFrame(kTypeModule, kCmdReadPath, {});
}

Frame encode(const SendDataRequest& request) {
    const bool source = request.routeMode == kRouteModeSource;
    if (!source && !request.relays.empty())
        throw std::invalid_argument("relays need the source route mode");
    if (request.relays.size() > kMaxRelays) throw std::length_error("more than 6 relays");
    if (request.data.size() > sendDataCapacity(request.routeMode, request.relays.size()))
        throw std::length_error("send data beyond the module's request buffer");
    Frame payload;
    appendBe16(payload, request.target);
    payload.insert(payload.end(), {request.ack, request.jump, request.routeMode});
    if (source) {
        payload.push_back(static_cast<std::uint8_t>(request.relays.size()));
        for (const std::uint16_t relay : request.relays) appendBe16(payload, relay);
    }
    payload.push_back(static_cast<std::uint8_t>(request.data.size()));
    payload.insert(payload.end(), request.data.begin(), request.data.end());
    return buildFrame(kTypeNetData, kCmdSendData, payload);
}

Frame encode(const Request& request) {
    return std::visit([](const auto& value) { return encode(value); }, request);
}

Frame encode(const WriteAcknowledgement& reply) {
    if (!reply.setup) return buildFrame(kTypeModule, kReplySetupWritten, {});
    return setupFrame(kReplySetupWritten, *reply.setup);
}

Frame encode(const SetupReply& reply) {
    return setupFrame(kReplySetup, reply.setup);
}

Frame encode(const RouteListReply& reply) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < kRouteSlots; ++i)
        if (reply.entries[i]) used = i + 1;
    Frame payload;
    appendBe16(payload, reply.localNode);
    appendBe16(payload, static_cast<std::uint16_t>(used));
    for (const std::optional<RouteEntry>& slot : reply.entries) {
        if (!slot) {
            payload.insert(payload.end(), kRouteEntrySize, kEmptyByte);
            continue;
        }
        if (slot->route == kEmptyNode)
            throw std::invalid_argument("route node FFFF marks no route");
        appendBe16(payload, slot->target);
        payload.push_back(0x00);
        appendBe16(payload, slot->route);
        payload.insert(payload.end(), kEntryTailSize, 0x00);
    }
    // The length byte holds the low byte of the payload's length, as the module's does.
    return buildFrame(kTypeModule, kReplyRouteList, payload);
}

Frame encode(const PathReply& reply) {
    if (reply.hops.size() > kPathSlots) throw std::length_error("more than 8 path hops");
    Frame payload{static_cast<std::uint8_t>(reply.hops.size())};
    appendBe16(payload, reply.localNode);
    for (auto hop = reply.hops.rbegin(); hop != reply.hops.rend(); ++hop) {
        if (hop->node == kEmptyNode) throw std::invalid_argument("node FFFF marks no hop");
        payload.push_back(hop->linkValue);
        appendBe16(payload, hop->node);
    }
    payload.insert(payload.end(), (kPathSlots - reply.hops.size()) * kPathHopSize, kEmptyByte);
    return buildFrame(kTypeModule, kReplyPathList, payload);
}

Frame encode(const SendStatus& reply) {
    Frame payload;
    appendBe16(payload, reply.target);
    payload.push_back(reply.status);
    return buildFrame(kTypeNetData, kCmdSendConfirm, payload);
}

Frame encode(const ReceiveNotice& reply) {
    Frame payload;
    if (const auto& content = reply.content) {
        if (content->data.size() > kMaxPayload - (kNoticeCountOffset + 1 - kHeaderSize))
            throw std::length_error("notice data beyond one frame");
        appendBe16(payload, content->source);
        payload.push_back(content->linkValue);
        payload.push_back(static_cast<std::uint8_t>(content->data.size()));
        payload.insert(payload.end(), content->data.begin(), content->data.end());
    }
    return buildFrame(kTypeNetData, kCmdReceiveNotice, payload);
}

Frame encode(const Reply& reply) {
    return std::visit([](const auto& value) { return encode(value); }, reply);
}

std::optional<Reply> decodeReply(Bytes block) {
    switch (dispatchCode(block)) {
        case kReplySetupWritten:
            return WriteAcknowledgement{setupValuesIn(block)};
        case kReplySetup:
            if (const auto setup = setupValuesIn(block)) return SetupReply{*setup};
            return std::nullopt;
        case kReplyRouteList:
            if (!fieldsPresent(block, kRouteLocalOffset, kNodeIdWidth)) return std::nullopt;
            return routeListAt(block);
        case kReplyPathList:
            // The hops come from the target back, so a cut reply would join the local node
            // straight to the hops next to the target: only a whole reply is read.
            if (!fieldsPresent(block, kPathHopsOffset, kPathSlots * kPathHopSize))
                return std::nullopt;
            return pathAt(block);
        case kReplySendStatus:
            if (!fieldsPresent(block, kSendStatusOffset, 1)) return std::nullopt;
            return SendStatus{readBe16(block, kTargetOffset), block[kSendStatusOffset]};
        case kReplyReceiveNotice:
            return ReceiveNotice{noticeIn(block)};
        default:
            return std::nullopt;
    }
}

std::optional<Request> decodeRequest(Bytes frame) {
    if (frame.size() < kHeaderSize + kCheckSize || frame.size() != frameSize(frame[kLengthOffset]))
        return std::nullopt;
    const std::uint8_t code = frame[kCodeOffset];
    if (frame[kTypeOffset] == kTypeNetData && code == kCmdSendData) {
        if (auto request = sendDataIn(frame)) return *request;
        return std::nullopt;
    }
    if (frame[kTypeOffset] != kTypeModule) return std::nullopt;
    const bool bare = frame.size() == frameSize(0);
    switch (code) {
        case kCmdWriteSetup:
            if (!isSetupFrame(frame)) return std::nullopt;
            return WriteSetupRequest{setupAt(frame)};
        case kCmdReadSetup:
            if (!isSetupFrame(frame)) return std::nullopt;
            return ReadSetupRequest{};
        case kCmdReadRoute:
            if (!bare) return std::nullopt;
            return RouteListRequest{};
        case kCmdReadPath:
            if (!bare) return std::nullopt;
            return PathRequest{};
        default:
            return std::nullopt;
    }
}

std::optional<Setup> setupValuesIn(Bytes block) {
    if (!fieldsPresent(block, kFrequencyOffset, kSetupValuesWidth)) return std::nullopt;
    return setupAt(block);
}

std::uint16_t sendTarget(Bytes frame) {
    return frame.size() >= kTargetOffset + kNodeIdWidth ? readBe16(frame, kTargetOffset) : 0;
}

std::size_t sendDataCapacity(std::uint8_t routeMode, std::size_t relays) {
    const std::size_t relayBlock = routeMode == kRouteModeSource ? 1 + 2 * relays : 0;
    const std::size_t fixed = kHeaderSize + kSendFieldsSize + relayBlock + 1 + kCheckSize;
    return fixed < kRequestCapacity ? kRequestCapacity - fixed : 0;
}

double truncatedFrequencyRegister(double mhz) {
    return std::trunc(mhz / kWriteStepHz * kHzPerMhz);
}

std::optional<std::uint32_t> frequencyRegisterFromMhz(double mhz) {
    const double reg = truncatedFrequencyRegister(mhz);
    if (!(reg >= 0 && reg < kFrequencyRegisterRange)) return std::nullopt;
    return static_cast<std::uint32_t>(reg);
}

double mhzFromFrequencyRegister(std::uint32_t reg) {
    const double mhz = reg / kHzPerMhz * kReadStepHz;
    const double whole = std::trunc(mhz);
    const double hundredths = std::trunc((mhz - whole) * 100);
    return whole + hundredths / 100.0;
}

}  // namespace proto

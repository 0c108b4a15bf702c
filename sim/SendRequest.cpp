#include "SendRequest.h"

#include "WireFields.h"

namespace sim {

namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kTargetOffset = 4;
constexpr std::size_t kAckOffset = 6;
constexpr std::size_t kJumpOffset = 7;
constexpr std::size_t kModeOffset = 8;
constexpr std::size_t kRelayCountOffset = 9;
constexpr std::size_t kPlainCountOffset = 9;
constexpr std::size_t kCheckSize = 1;

// The data count byte at countOffset must be followed by exactly that many bytes and then the
// check byte, the frame's last.
std::optional<proto::Frame> dataAt(proto::Bytes frame, std::size_t countOffset) {
    if (countOffset + kCheckSize >= frame.size()) return std::nullopt;
    const std::size_t count = frame[countOffset];
    if (countOffset + 1 + count + kCheckSize != frame.size()) return std::nullopt;
    const auto data = frame.subspan(countOffset + 1, count);
    return proto::Frame(data.begin(), data.end());
}

std::optional<SendRequest> withRelayBlock(proto::Bytes frame, SendRequest request) {
    if (kRelayCountOffset >= frame.size()) return std::nullopt;
    const std::size_t relays = frame[kRelayCountOffset];
    const std::size_t countOffset = kRelayCountOffset + 1 + 2 * relays;
    auto data = dataAt(frame, countOffset);
    if (!data) return std::nullopt;
    for (std::size_t k = 0; k < relays; ++k) {
        request.relays.push_back(proto::readBe16(frame, kRelayCountOffset + 1 + 2 * k));
    }
    request.data = std::move(*data);
    return request;
}

}  // namespace

std::optional<SendRequest> parseSendRequest(proto::Bytes frame) {
    // The envelope guarantees the frame is length byte + 5 bytes long.
    if (frame.size() <= kModeOffset + kCheckSize || frame.size() != frame[3] + kHeaderSize + 1) {
        return std::nullopt;
    }
    SendRequest request;
    request.target = proto::readBe16(frame, kTargetOffset);
    request.ack = frame[kAckOffset];
    request.jump = frame[kJumpOffset];
    request.routeMode = frame[kModeOffset];
    if (request.routeMode == kRouteModeSource) {
        if (auto relayed = withRelayBlock(frame, request)) return relayed;
    }
    auto data = dataAt(frame, kPlainCountOffset);
    if (!data) return std::nullopt;
    request.data = std::move(*data);
    return request;
}

std::uint16_t sendTarget(proto::Bytes frame) {
    return frame.size() > kTargetOffset + 1 ? proto::readBe16(frame, kTargetOffset) : 0;
}

}  // namespace sim

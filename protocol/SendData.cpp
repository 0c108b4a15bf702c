#include "SendData.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "WireFields.h"

namespace proto {

namespace {

constexpr std::size_t kTrailerSize = 1 + kCheckSize;  // data count and check byte
constexpr std::size_t kTargetOffset = 4;
constexpr std::size_t kAckOffset = 6;
constexpr std::size_t kJumpOffset = 7;
constexpr std::size_t kModeOffset = 8;
constexpr std::size_t kRelayCountOffset = 9;
constexpr std::size_t kPlainCountOffset = 9;
constexpr std::size_t kRelayBufferSize = 2 * kRelayFieldCount;

struct StatusMessage {
    std::uint8_t status;
    std::string_view message;
};

// The module's verdicts on a send.
constexpr StatusMessage kStatusMessages[] = {
    {0x00, "> Send data ok."},          {0xC1, "> Invalid network layer parameters."},
    {0xC2, "> Invalid request"},        {0xC7, "> Route not found."},
    {0xD1, "> Buffer busy."},           {0xD2, "> APS Not received ACK."},
    {0xD3, "> APS Data is very long."}, {0xE1, "> Xor check error."},
    {0xE4, "> Security check failed."}, {0xE5, "> MAC Data is very long."},
    {0xE6, "> Invalid parameter."},     {0xE7, "> Not received ACK."},
    {0xEA, "> Transmitter is busy"},
};

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// ASCII letters only, whatever the locale: other bytes (pasted UTF-8) pass unchanged.
std::string upperCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

std::string withoutSpaces(std::string text) {
    std::erase(text, ' ');
    return text;
}

// Count byte, then the first 2n bytes of the joined relay texts. Pasted relay texts can be
// longer than four digits, so the conversion is bounded by the relay buffer.
void appendRelayBlock(Frame& payload, const SendDataFields& fields, int relays) {
    payload.push_back(indexByte(relays));
    std::string joined;
    for (int k = 0; k < relays; ++k) {
        joined += fields.relayTexts[k];
    }
    joined = upperCased(std::move(joined));
    std::array<std::uint8_t, kRelayBufferSize> ids{};
    HexTextToBytes(joined.data(), joined.size(), ids.data(), ids.size());
    payload.insert(payload.end(), ids.begin(), ids.begin() + 2 * relays);
}

// The data count byte at countOffset must be followed by exactly that many bytes and then the
// check byte, the frame's last.
std::optional<Frame> dataAt(Bytes frame, std::size_t countOffset) {
    if (countOffset + kCheckSize >= frame.size()) return std::nullopt;
    const std::size_t count = frame[countOffset];
    if (countOffset + 1 + count + kCheckSize != frame.size()) return std::nullopt;
    const auto data = frame.subspan(countOffset + 1, count);
    return Frame(data.begin(), data.end());
}

std::optional<SendDataRequest> withRelayBlock(Bytes frame, SendDataRequest request) {
    if (kRelayCountOffset >= frame.size()) return std::nullopt;
    const std::size_t relays = frame[kRelayCountOffset];
    const std::size_t countOffset = kRelayCountOffset + 1 + 2 * relays;
    auto data = dataAt(frame, countOffset);
    if (!data) return std::nullopt;
    for (std::size_t k = 0; k < relays; ++k) {
        request.relays.push_back(readBe16(frame, kRelayCountOffset + 1 + 2 * k));
    }
    request.data = std::move(*data);
    return request;
}

}  // namespace

std::size_t HexTextToBytes(const char* text, std::size_t count, std::uint8_t* out,
                           std::size_t capacity) {
    const std::size_t pairs = std::min(count / 2, capacity);
    for (std::size_t i = 0; i < pairs; ++i) {
        const unsigned char first = text[2 * i];
        const unsigned char second = text[2 * i + 1];
        const unsigned high = isDigit(first) ? first : first - 7u;
        const unsigned low = isDigit(second) ? second - 0x30u : second - 0x37u;
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return pairs;
}

SendDataResult buildSendData(const SendDataFields& fields) {
    const std::string data = upperCased(withoutSpaces(fields.dataText));
    if (data.empty()) {
        return {.outcome = SendDataResult::Outcome::EmptyData};
    }
    Frame payload;
    appendBe16(payload, idFromText(fields.targetIdText));
    payload.push_back(fields.ackRequest ? 1 : 0);
    payload.push_back(indexByte(fields.jumpIndex + 1));
    payload.push_back(indexByte(fields.routeModeIndex));
    // Source routing always carries its count byte, also with no relay, so that the length
    // byte matches the bytes that follow.
    if (fields.routeModeIndex == kRouteModeSource) {
        appendRelayBlock(payload, fields, std::clamp(fields.relayingIndex, 0, kRelayFieldCount));
    }

    // The request must fit the module's 128-byte buffer; data is refused rather than cut.
    const std::size_t maxData = kRequestCapacity - kHeaderSize - payload.size() - kTrailerSize;
    if (data.size() / 2 > maxData) {
        return {.outcome = SendDataResult::Outcome::TooLong, .maxData = maxData};
    }
    std::array<std::uint8_t, kRequestCapacity> bytes{};
    const std::size_t count = HexTextToBytes(data.data(), data.size(), bytes.data(), maxData);
    payload.push_back(static_cast<std::uint8_t>(count));
    payload.insert(payload.end(), bytes.begin(), bytes.begin() + count);
    return {.frame = buildFrame(kTypeNetData, kCmdSendData, payload)};
}

std::optional<SendDataRequest> decodeSendData(Bytes frame) {
    // The envelope guarantees the frame is length byte + 5 bytes long.
    if (frame.size() <= kModeOffset + kCheckSize ||
        frame.size() != frameSize(frame[kLengthOffset])) {
        return std::nullopt;
    }
    SendDataRequest request;
    request.target = readBe16(frame, kTargetOffset);
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

std::uint16_t sendTarget(Bytes frame) {
    return frame.size() > kTargetOffset + 1 ? readBe16(frame, kTargetOffset) : 0;
}

std::string_view sendStatusMessage(std::uint8_t status) {
    const auto* row = std::find_if(std::begin(kStatusMessages), std::end(kStatusMessages),
                                   [status](const StatusMessage& m) { return m.status == status; });
    return row == std::end(kStatusMessages) ? std::string_view{} : row->message;
}

std::string sendStatusText(std::uint8_t status) {
    std::string_view message = sendStatusMessage(status);
    if (message.empty()) {
        char text[16];
        std::snprintf(text, sizeof text, "status %02X", status);
        return text;
    }
    if (message.starts_with("> ")) message.remove_prefix(2);
    return std::string(message);
}

}  // namespace proto

#include "SendData.h"

#include <algorithm>
#include <iterator>

#include "WireFields.h"

namespace proto {

namespace {

constexpr std::size_t kRelayBufferSize = 2 * kRelayFieldCount;

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

// The first 2n bytes of the joined relay texts, as n ids. Pasted relay texts can be longer than
// four digits, so the conversion is bounded by the relay buffer.
std::vector<std::uint16_t> relayIds(const SendDataFields& fields, int relays) {
    std::string joined;
    for (int k = 0; k < relays; ++k) joined += fields.relayTexts[k];
    joined = upperCased(std::move(joined));
    std::array<std::uint8_t, kRelayBufferSize> bytes{};
    HexTextToBytes(joined.data(), joined.size(), bytes.data(), bytes.size());
    std::vector<std::uint16_t> ids;
    for (int k = 0; k < relays; ++k) ids.push_back(readBe16(bytes, 2 * k));
    return ids;
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
    SendDataRequest request{
        .target = idFromText(fields.targetIdText),
        .ack = static_cast<std::uint8_t>(fields.ackRequest ? 1 : 0),
        .jump = indexByte(fields.jumpIndex + 1),
        .routeMode = indexByte(fields.routeModeIndex),
    };
    // Source routing always carries its count byte, also with no relay, so that the length
    // byte matches the bytes that follow.
    if (request.routeMode == kRouteModeSource) {
        request.relays = relayIds(fields, std::clamp(fields.relayingIndex, 0, kRelayFieldCount));
    }

    // The request must fit the module's 128-byte buffer; data is refused rather than cut.
    const std::size_t maxData = sendDataCapacity(request.routeMode, request.relays.size());
    if (data.size() / 2 > maxData) {
        return {.outcome = SendDataResult::Outcome::TooLong, .maxData = maxData};
    }
    request.data.resize(maxData);
    request.data.resize(HexTextToBytes(data.data(), data.size(), request.data.data(), maxData));
    return {.frame = encode(request)};
}

std::optional<SendDataRequest> decodeSendData(Bytes frame) {
    const std::optional<Request> request = decodeRequest(frame);
    const auto* send = request ? std::get_if<SendDataRequest>(&*request) : nullptr;
    if (!send) return std::nullopt;
    return *send;
}

std::string sendStatusText(std::uint8_t status) {
    const std::string_view text = statusText(status);
    return text.empty() ? "status " + hexByte(status) : std::string(text);
}

}  // namespace proto

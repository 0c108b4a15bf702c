#include "ControlTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "NumberText.h"

namespace forms {

namespace {

constexpr std::size_t kRelayBufferSize = 2 * kRelayFieldCount;

// A decimal id text carries its low 16 bits, so a pasted -1 gives FFFF.
std::uint16_t idFromText(const std::string& text) {
    return static_cast<std::uint16_t>(readDecimal(text));
}

// A list index of -1 (no selection) goes through the same 8-bit arithmetic as any other.
std::uint8_t indexByte(int index) {
    return static_cast<std::uint8_t>(index);
}

// The low 24 bits of the truncated register value in two's complement. fmod is exact, so
// this holds also for pasted values that no integer type can take; "inf" and "nan" give 0.
std::uint32_t frequencyRegister(const std::string& text) {
    const double scaled = proto::truncatedFrequencyRegister(readDouble(text));
    if (!std::isfinite(scaled)) return 0;
    double low = std::fmod(scaled, proto::kFrequencyRegisterRange);
    if (low < 0) low += proto::kFrequencyRegisterRange;
    return static_cast<std::uint32_t>(low);
}

// "%.2f" with a full stop whatever LC_NUMERIC says.
std::string twoDecimals(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return std::string(text, result.ptr);
}

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
    for (int k = 0; k < relays; ++k)
        ids.push_back(static_cast<std::uint16_t>(bytes[2 * k] << 8 | bytes[2 * k + 1]));
    return ids;
}

}  // namespace

proto::Setup setupOf(const SetupFields& fields) {
    return {
        .frequencyRegister = frequencyRegister(fields.frequencyText),
        .powerCode = indexByte(fields.powerIndex + 1),
        .lifeCycleCode = indexByte(fields.lifeCycleIndex),
        .networkId = idFromText(fields.networkIdText),
        .nodeId = idFromText(fields.nodeIdText),
        .uartRateCode = indexByte(fields.baudIndex),
        .parityCode = indexByte(fields.parityIndex),
    };
}

SetupFields setupFieldsOf(const proto::Setup& setup) {
    return {
        .frequencyText = twoDecimals(proto::mhzFromFrequencyRegister(setup.frequencyRegister)),
        .powerIndex = setup.powerCode - 1,
        .lifeCycleIndex = setup.lifeCycleCode,
        .networkIdText = std::to_string(setup.networkId),
        .nodeIdText = std::to_string(setup.nodeId),
        .baudIndex = setup.uartRateCode,
        .parityIndex = setup.parityCode,
    };
}

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

SendDataReading sendDataOf(const SendDataFields& fields) {
    const std::string data = upperCased(withoutSpaces(fields.dataText));
    if (data.empty()) return {.outcome = SendDataReading::Outcome::EmptyData};
    proto::SendDataRequest request{
        .target = idFromText(fields.targetIdText),
        .ack = static_cast<std::uint8_t>(fields.ackRequest ? 1 : 0),
        .jump = indexByte(fields.jumpIndex + 1),
        .routeMode = indexByte(fields.routeModeIndex),
    };
    if (request.routeMode == proto::kRouteModeSource)
        request.relays = relayIds(fields, std::clamp(fields.relayingIndex, 0, kRelayFieldCount));
    const std::size_t maxData = proto::sendDataCapacity(request.routeMode, request.relays.size());
    if (data.size() / 2 > maxData)
        return {.outcome = SendDataReading::Outcome::TooLong, .maxData = maxData};
    request.data.resize(maxData);
    request.data.resize(HexTextToBytes(data.data(), data.size(), request.data.data(), maxData));
    return {.request = std::move(request)};
}

}  // namespace forms

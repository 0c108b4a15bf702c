// The request side: whatever text the controls hold (typing is filtered, pasting is not) and
// whatever the lists select, into HexTextToBytes, the send-data request and the Write setup
// request. A request never exceeds the module's 128-byte buffer, its length byte matches the
// bytes that follow, its check byte is the XOR of the rest, and the hex conversion never
// writes past its capacity. A mismatch aborts.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ControlTexts.h"
#include "Frame.h"

namespace {

constexpr std::size_t kRequestLimit = 128;
constexpr std::size_t kGuardSize = 16;
constexpr std::uint8_t kGuardByte = 0xA5;
constexpr std::uint8_t kUntouchedByte = 0x5A;

constexpr std::size_t kShortTextLength = 16;  // ids and relay fields, pasted text included
constexpr std::size_t kDataTextLength = 400;  // beyond what one request can carry

void require(bool condition) {
    if (!condition) std::abort();
}

std::uint8_t xorAll(proto::Bytes bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    return x;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A byte from a pair of hex digits; other characters go through unchecked arithmetic, so
// only digit pairs have a known value.
void requireHexBytes(const std::string& text, const std::uint8_t* bytes, std::size_t count) {
    require(count <= text.size() / 2);
    for (std::size_t i = 0; i < count; ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high >= 0 && low >= 0) require(bytes[i] == high * 16 + low);
    }
}

std::string upperCased(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// A plain decimal id text that fits 16 bits, or -1.
long plainId(const std::string& text) {
    if (text.empty() || text.size() > 5) return -1;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value <= 0xFFFF ? value : -1;
}

unsigned be16(const proto::Frame& frame, std::size_t offset) {
    return frame[offset] * 256u + frame[offset + 1];
}

void checkHexTextToBytes(const std::string& text, std::size_t capacity) {
    // An exact-size, unterminated copy of the text: a read past it is a heap overflow.
    const std::vector<char> chars(text.begin(), text.end());
    std::vector<std::uint8_t> area(kGuardSize + capacity + kGuardSize, kGuardByte);
    std::fill_n(area.begin() + kGuardSize, capacity, kUntouchedByte);
    std::uint8_t* out = area.data() + kGuardSize;

    const std::size_t count = forms::HexTextToBytes(chars.data(), chars.size(), out, capacity);
    require(count == std::min(text.size() / 2, capacity));
    requireHexBytes(text, out, count);
    for (std::size_t i = count; i < capacity; ++i) require(out[i] == kUntouchedByte);
    for (std::size_t i = 0; i < kGuardSize; ++i) {
        require(area[i] == kGuardByte);
        require(area[kGuardSize + capacity + i] == kGuardByte);
    }
}

void checkSendData(const forms::SendDataFields& fields) {
    const forms::SendDataReading result = forms::sendDataOf(fields);
    std::string data = fields.dataText;
    std::erase(data, ' ');
    data = upperCased(std::move(data));
    if (data.empty()) {
        require(result.outcome == forms::SendDataReading::Outcome::EmptyData);
        return;
    }

    // Bytes before the data count: header, target id, ACK, jump, route mode, and in Source
    // mode the relay count with two bytes per relay.
    const bool source = fields.routeModeIndex == proto::kRouteModeSource;
    const std::size_t relays =
        source ? static_cast<std::size_t>(std::clamp(fields.relayingIndex, 0, 6)) : 0;
    const std::size_t countOffset = source ? 10 + 2 * relays : 9;
    const std::size_t dataCount = data.size() / 2;
    const std::size_t total = countOffset + 1 + dataCount + 1;
    if (total > kRequestLimit) {
        require(result.outcome == forms::SendDataReading::Outcome::TooLong);
        require(result.maxData == kRequestLimit - countOffset - 2);
        return;
    }

    require(result.outcome == forms::SendDataReading::Outcome::Built);
    const proto::Frame frame = proto::encode(result.request);
    require(frame.size() == total && frame.size() <= kRequestLimit);
    require(frame[0] == 0x05 && frame[1] == 0x00 && frame[2] == 0x01);
    require(frame[3] == frame.size() - 5);
    require(xorAll(frame) == 0);
    if (const long id = plainId(fields.targetIdText); id >= 0) require(be16(frame, 4) == id);
    require(frame[6] == (fields.ackRequest ? 1 : 0));
    require(frame[7] == static_cast<std::uint8_t>(fields.jumpIndex + 1));
    require(frame[8] == static_cast<std::uint8_t>(fields.routeModeIndex));
    if (source) {
        require(frame[9] == relays);
        std::string joined;
        for (std::size_t k = 0; k < relays; ++k) joined += fields.relayTexts[k];
        const std::size_t converted = std::min(2 * relays, joined.size() / 2);
        requireHexBytes(upperCased(joined), frame.data() + 10, converted);
        // Relay fields too short for n ids leave the missing bytes 0.
        for (std::size_t i = converted; i < 2 * relays; ++i) require(frame[10 + i] == 0);
    }
    require(frame[countOffset] == dataCount);
    requireHexBytes(data, frame.data() + countOffset + 1, dataCount);
}

void checkWriteSetup(const forms::SetupFields& fields) {
    const proto::Frame frame = proto::encode(proto::WriteSetupRequest{forms::setupOf(fields)});
    require(frame.size() == 18);
    const std::uint8_t header[] = {0x01, 0x00, 0x01, 0x0D, 0xA5, 0xA5};
    require(std::equal(std::begin(header), std::end(header), frame.begin()));
    require(frame[3] == frame.size() - 5);
    require(xorAll(frame) == 0);
    require(frame[9] == static_cast<std::uint8_t>(fields.powerIndex + 1));
    require(frame[10] == static_cast<std::uint8_t>(fields.lifeCycleIndex));
    if (const long id = plainId(fields.networkIdText); id >= 0) require(be16(frame, 11) == id);
    if (const long id = plainId(fields.nodeIdText); id >= 0) require(be16(frame, 13) == id);
    require(frame[15] == static_cast<std::uint8_t>(fields.baudIndex));
    require(frame[16] == static_cast<std::uint8_t>(fields.parityIndex));
}

// A frequency with two decimals from 137.00 to 1020.00, written and read back, shows the
// same text.
void checkFrequencyRoundTrip(int hundredths) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02d", hundredths / 100, hundredths % 100);
    const proto::Frame frame =
        proto::encode(proto::WriteSetupRequest{forms::setupOf({.frequencyText = text})});
    const auto setup = proto::setupValuesIn(frame);
    require(setup && forms::setupFieldsOf(*setup).frequencyText == text);
}

// List indexes as the lists give them: -1 for no selection, then the entries; a little
// beyond, as the builders take any int.
int listIndex(FuzzedDataProvider& input) {
    return input.ConsumeIntegralInRange<int>(-1, 30);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);

    forms::SendDataFields send;
    send.targetIdText = input.ConsumeRandomLengthString(kShortTextLength);
    send.ackRequest = input.ConsumeBool();
    send.jumpIndex = listIndex(input);
    send.routeModeIndex = listIndex(input);
    send.relayingIndex = listIndex(input);
    for (std::string& relay : send.relayTexts) {
        relay = input.ConsumeRandomLengthString(kShortTextLength);
    }
    send.dataText = input.ConsumeRandomLengthString(kDataTextLength);

    forms::SetupFields setup;
    setup.frequencyText = input.ConsumeRandomLengthString(kShortTextLength);
    setup.powerIndex = listIndex(input);
    setup.lifeCycleIndex = listIndex(input);
    setup.networkIdText = input.ConsumeRandomLengthString(kShortTextLength);
    setup.nodeIdText = input.ConsumeRandomLengthString(kShortTextLength);
    setup.baudIndex = listIndex(input);
    setup.parityIndex = listIndex(input);

    const std::size_t capacity = input.ConsumeIntegralInRange<std::size_t>(0, 2 * kRequestLimit);
    const int hundredths = input.ConsumeIntegralInRange<int>(13700, 102000);

    checkHexTextToBytes(send.dataText, capacity);
    checkSendData(send);
    checkWriteSetup(setup);
    checkFrequencyRoundTrip(hundredths);
    return 0;
}

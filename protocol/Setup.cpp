#include "Setup.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "Dispatch.h"
#include "NumberText.h"
#include "SetupNumbers.h"
#include "WireFields.h"

namespace proto {

namespace {

constexpr std::size_t kSetupPayloadSize = 13;
static_assert(kHeaderSize + kSetupPayloadSize + kCheckSize == kSetupFrameSize);

// The module's register step is 61.03515625 Hz; writing has always divided by the rounded
// 61.035, which the read side's truncation to two decimals absorbs.
constexpr double kWriteStepHz = 61.035;
constexpr double kReadStepHz = 61.03515625;
constexpr double kHzPerMhz = 1000000.0;
constexpr double kRegisterRange = 16777216.0;  // 24 bits

// Reply offsets.
constexpr std::size_t kFrequencyOffset = 6;
constexpr std::size_t kPowerOffset = 9;
constexpr std::size_t kLifeCycleOffset = 10;
constexpr std::size_t kNetworkIdOffset = 11;
constexpr std::size_t kNodeIdOffset = 13;
constexpr std::size_t kBaudOffset = 15;
constexpr std::size_t kParityOffset = 16;
constexpr std::size_t kReplyFieldsWidth = kParityOffset + 1 - kFrequencyOffset;

// The low 24 bits of the truncated register value in two's complement. fmod is exact, so
// this holds also for pasted values that no integer type can take; "inf" and "nan" give 0.
std::uint32_t frequencyRegister(std::string_view text) {
    const double scaled = readDouble(text) / kWriteStepHz * kHzPerMhz;
    if (!std::isfinite(scaled)) {
        return 0;
    }
    double low = std::fmod(std::trunc(scaled), kRegisterRange);
    if (low < 0) {
        low += kRegisterRange;
    }
    return static_cast<std::uint32_t>(low);
}

// "%.2f" with a full stop whatever LC_NUMERIC says.
std::string twoDecimals(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return std::string(text, result.ptr);
}

// Shown truncated, not rounded, to two decimals, so a written value reads back unchanged.
std::string frequencyText(std::uint32_t reg) {
    const double mhz = reg / kHzPerMhz * kReadStepHz;
    const double whole = std::trunc(mhz);
    const double hundredths = std::trunc((mhz - whole) * 100);
    return twoDecimals(whole + hundredths / 100.0);
}

// The write's payload, which the module's reply repeats.
Frame setupPayload(const Setup& setup) {
    Frame payload{kSetupMarker,
                  kSetupMarker,
                  static_cast<std::uint8_t>(setup.frequencyRegister >> 16),
                  static_cast<std::uint8_t>(setup.frequencyRegister >> 8),
                  static_cast<std::uint8_t>(setup.frequencyRegister),
                  setup.powerCode,
                  setup.lifeCycleCode};
    appendBe16(payload, setup.networkId);
    appendBe16(payload, setup.nodeId);
    payload.push_back(setup.uartRateCode);
    payload.push_back(setup.parityCode);
    return payload;
}

}  // namespace

Frame buildWriteSetup(const SetupFields& fields) {
    return buildFrame(kTypeModule, kCmdWriteSetup,
                      setupPayload({.frequencyRegister = frequencyRegister(fields.frequencyText),
                                    .powerCode = indexByte(fields.powerIndex + 1),
                                    .lifeCycleCode = indexByte(fields.lifeCycleIndex),
                                    .networkId = idFromText(fields.networkIdText),
                                    .nodeId = idFromText(fields.nodeIdText),
                                    .uartRateCode = indexByte(fields.baudIndex),
                                    .parityCode = indexByte(fields.parityIndex)}));
}

Frame buildReadSetup() {
    Frame payload(kSetupPayloadSize, 0);
    payload[0] = kSetupMarker;
    payload[1] = kSetupMarker;
    return buildFrame(kTypeModule, kCmdReadSetup, payload);
}

std::optional<SetupValues> decodeSetupReply(Bytes block) {
    if (!fieldsPresent(block, kFrequencyOffset, kReplyFieldsWidth)) {
        return std::nullopt;
    }
    const std::uint32_t reg = static_cast<std::uint32_t>(block[kFrequencyOffset]) << 16 |
                              block[kFrequencyOffset + 1] << 8 | block[kFrequencyOffset + 2];
    return SetupValues{
        .frequencyText = frequencyText(reg),
        .powerIndex = block[kPowerOffset] - 1,
        .lifeCycleIndex = block[kLifeCycleOffset],
        .networkIdText = idText(readBe16(block, kNetworkIdOffset)),
        .nodeIdText = idText(readBe16(block, kNodeIdOffset)),
        .baudIndex = block[kBaudOffset],
        .parityIndex = block[kParityOffset],
    };
}

std::optional<Setup> decodeSetupNumbers(Bytes block) {
    if (!fieldsPresent(block, kFrequencyOffset, kReplyFieldsWidth)) {
        return std::nullopt;
    }
    return Setup{
        .frequencyRegister = static_cast<std::uint32_t>(block[kFrequencyOffset]) << 16 |
                             block[kFrequencyOffset + 1] << 8 | block[kFrequencyOffset + 2],
        .powerCode = block[kPowerOffset],
        .lifeCycleCode = block[kLifeCycleOffset],
        .networkId = readBe16(block, kNetworkIdOffset),
        .nodeId = readBe16(block, kNodeIdOffset),
        .uartRateCode = block[kBaudOffset],
        .parityCode = block[kParityOffset],
    };
}

SetupValues setupValues(const Setup& setup) {
    return *decodeSetupReply(buildFrame(kTypeModule, kCmdReadSetup, setupPayload(setup)));
}

}  // namespace proto

#include "Setup.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "NumberText.h"
#include "WireFields.h"

namespace proto {

namespace {

// The low 24 bits of the truncated register value in two's complement. fmod is exact, so
// this holds also for pasted values that no integer type can take; "inf" and "nan" give 0.
std::uint32_t frequencyRegister(std::string_view text) {
    const double scaled = truncatedFrequencyRegister(readDouble(text));
    if (!std::isfinite(scaled)) {
        return 0;
    }
    double low = std::fmod(scaled, kFrequencyRegisterRange);
    if (low < 0) {
        low += kFrequencyRegisterRange;
    }
    return static_cast<std::uint32_t>(low);
}

// "%.2f" with a full stop whatever LC_NUMERIC says.
std::string twoDecimals(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return std::string(text, result.ptr);
}

}  // namespace

Frame buildWriteSetup(const SetupFields& fields) {
    return encode(WriteSetupRequest{{
        .frequencyRegister = frequencyRegister(fields.frequencyText),
        .powerCode = indexByte(fields.powerIndex + 1),
        .lifeCycleCode = indexByte(fields.lifeCycleIndex),
        .networkId = idFromText(fields.networkIdText),
        .nodeId = idFromText(fields.nodeIdText),
        .uartRateCode = indexByte(fields.baudIndex),
        .parityCode = indexByte(fields.parityIndex),
    }});
}

Frame buildReadSetup() {
    return encode(ReadSetupRequest{});
}

std::optional<SetupValues> decodeSetupReply(Bytes block) {
    const std::optional<Setup> values = setupValuesIn(block);
    if (!values) return std::nullopt;
    const Setup& setup = *values;
    return SetupValues{
        .frequencyText = twoDecimals(mhzFromFrequencyRegister(setup.frequencyRegister)),
        .powerIndex = setup.powerCode - 1,
        .lifeCycleIndex = setup.lifeCycleCode,
        .networkIdText = idText(setup.networkId),
        .nodeIdText = idText(setup.nodeId),
        .baudIndex = setup.uartRateCode,
        .parityIndex = setup.parityCode,
    };
}

}  // namespace proto

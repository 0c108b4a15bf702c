#include "SettingChanges.h"

#include <charconv>
#include <limits>

#include "Messages.h"
#include "SetupNames.h"

namespace proto {

namespace {

constexpr std::int64_t kMaxId = std::numeric_limits<std::uint16_t>::max();

std::string shortestText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

const std::int64_t* wholeNumber(const SettingChanges::Value& value) {
    return std::get_if<std::int64_t>(&value);
}

const std::string* name(const SettingChanges::Value& value) {
    return std::get_if<std::string>(&value);
}

std::optional<double> number(const SettingChanges::Value& value) {
    if (const auto* whole = wholeNumber(value)) return static_cast<double>(*whole);
    if (const auto* real = std::get_if<double>(&value)) return *real;
    return std::nullopt;
}

std::string valueText(const SettingChanges::Value& value) {
    if (const auto* text = name(value)) return "'" + *text + "'";
    return shortestText(*number(value));
}

// A register of 0 is what anything below one register step gives: no radio frequency.
std::optional<std::uint32_t> frequencyRegister(const SettingChanges::Value& value) {
    const auto mhz = number(value);
    const auto reg = mhz ? frequencyRegisterFromMhz(*mhz) : std::nullopt;
    if (!reg || *reg == 0) return std::nullopt;
    return reg;
}

std::optional<std::uint8_t> codeOf(std::optional<int> index) {
    if (!index) return std::nullopt;
    return static_cast<std::uint8_t>(*index);
}

std::optional<std::uint8_t> powerCode(const std::int64_t* level) {
    if (!level || *level < 1 || *level > kPowerLevels) return std::nullopt;
    return static_cast<std::uint8_t>(*level);
}

std::optional<std::uint16_t> id(const std::int64_t* whole) {
    if (!whole || *whole < 0 || *whole > kMaxId) return std::nullopt;
    return static_cast<std::uint16_t>(*whole);
}

std::optional<std::uint8_t> uartRateCode(const std::int64_t* rate) {
    if (!rate || *rate > kUartBaudRates.back()) return std::nullopt;
    return codeOf(uartBaudIndex(static_cast<int>(*rate)));
}

std::string parityNamesText() {
    std::string text;
    for (const std::string_view parity : kParityNames)
        text += (text.empty() ? "\"" : ", \"") + std::string(parity) + "\"";
    return text;
}

}  // namespace

std::string rateList() {
    std::string text;
    for (const int rate : kUartBaudRates) text += (text.empty() ? "" : ", ") + std::to_string(rate);
    return text;
}

std::string SettingChanges::set(std::string_view key, const Value& value) {
    const auto known = setupKeyNamed(key);
    if (!known) return "unknown key '" + std::string(key) + "'";
    const std::string refused = valueText(value) + " is not a valid " + std::string(key) + ": ";
    const auto whole = wholeNumber(value);
    switch (*known) {
        case SetupKey::kFrequency:
            m_frequencyRegister = frequencyRegister(value);
            if (!m_frequencyRegister) return refused + "give MHz above 0 and below 1024";
            break;
        case SetupKey::kPower:
            m_powerCode = powerCode(whole);
            if (!m_powerCode) return refused + "give 1 to " + std::to_string(kPowerLevels);
            break;
        case SetupKey::kLifeCycle:
            m_lifeCycleCode = codeOf(name(value) ? lifeCycleIndex(*name(value)) : std::nullopt);
            if (!m_lifeCycleCode) return refused + "give \"1h\" to \"24h\"";
            break;
        case SetupKey::kNetworkId:
            m_networkId = id(whole);
            if (!m_networkId) return refused + "give 0 to 65535";
            break;
        case SetupKey::kNodeId:
            // The lists write "no node" as the highest id, so no module may be given it.
            m_nodeId = id(whole);
            if (m_nodeId == kEmptyNode) m_nodeId.reset();
            if (!m_nodeId) return refused + "give 0 to 65534 (65535 is no node)";
            break;
        case SetupKey::kUartRate:
            m_uartRateCode = uartRateCode(whole);
            if (!m_uartRateCode) return refused + "give " + rateList();
            break;
        case SetupKey::kParity:
            m_parityCode = codeOf(name(value) ? parityIndex(*name(value)) : std::nullopt);
            if (!m_parityCode) return refused + "give " + parityNamesText();
            break;
    }
    return {};
}

void SettingChanges::overlay(const SettingChanges& later) {
    const auto take = [](auto& mine, const auto& theirs) {
        if (theirs) mine = theirs;
    };
    take(m_frequencyRegister, later.m_frequencyRegister);
    take(m_powerCode, later.m_powerCode);
    take(m_lifeCycleCode, later.m_lifeCycleCode);
    take(m_networkId, later.m_networkId);
    take(m_nodeId, later.m_nodeId);
    take(m_uartRateCode, later.m_uartRateCode);
    take(m_parityCode, later.m_parityCode);
}

void SettingChanges::applyTo(Setup& setup) const {
    setup.frequencyRegister = m_frequencyRegister.value_or(setup.frequencyRegister);
    setup.powerCode = m_powerCode.value_or(setup.powerCode);
    setup.lifeCycleCode = m_lifeCycleCode.value_or(setup.lifeCycleCode);
    setup.networkId = m_networkId.value_or(setup.networkId);
    setup.nodeId = m_nodeId.value_or(setup.nodeId);
    setup.uartRateCode = m_uartRateCode.value_or(setup.uartRateCode);
    setup.parityCode = m_parityCode.value_or(setup.parityCode);
}

bool SettingChanges::empty() const {
    return missingKeys().size() == kSetupKeys.size();
}

bool SettingChanges::complete() const {
    return missingKeys().empty();
}

std::vector<std::string> SettingChanges::missingKeys() const {
    std::vector<std::string> missing;
    for (const SetupKeyNames& names : kSetupKeys)
        if (!given(names.key)) missing.emplace_back(names.name);
    return missing;
}

bool SettingChanges::given(SetupKey key) const {
    switch (key) {
        case SetupKey::kFrequency:
            return m_frequencyRegister.has_value();
        case SetupKey::kPower:
            return m_powerCode.has_value();
        case SetupKey::kLifeCycle:
            return m_lifeCycleCode.has_value();
        case SetupKey::kNetworkId:
            return m_networkId.has_value();
        case SetupKey::kNodeId:
            return m_nodeId.has_value();
        case SetupKey::kUartRate:
            return m_uartRateCode.has_value();
        case SetupKey::kParity:
            break;
    }
    return m_parityCode.has_value();
}

}  // namespace proto

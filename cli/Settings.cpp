#include "Settings.h"

#include <charconv>

#include "NumberText.h"
#include "SetupNames.h"

namespace {

constexpr double kMaxFrequencyMhz = 1023.0;  // the 24-bit register holds up to 1023.99 MHz
constexpr std::int64_t kMaxNodeId = 65535;

template <typename List>
Json listEntry(const List& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size())) return nullptr;
    return list[static_cast<std::size_t>(index)];
}

Json indexInRange(int index, int count, Json value) {
    return index >= 0 && index < count ? value : Json(nullptr);
}

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

}  // namespace

Json settingsJson(const proto::SetupValues& values) {
    const Json settings[] = {
        proto::readDouble(values.frequencyText),
        indexInRange(values.powerIndex, proto::kPowerLevels, values.powerIndex + 1),
        indexInRange(values.lifeCycleIndex, proto::kLifeCycles,
                     proto::lifeCycleName(values.lifeCycleIndex)),
        proto::readDecimal(values.networkIdText),
        proto::readDecimal(values.nodeIdText),
        listEntry(proto::kUartBaudRates, values.baudIndex),
        listEntry(proto::kParityNames, values.parityIndex),
    };
    static_assert(std::size(settings) == kSettingKeys.size());
    Json json = Json::object();
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
        json[std::string(kSettingKeys[i])] = settings[i];
    return json;
}

std::string settingsText(const proto::SetupValues& values) {
    std::string text;
    const Json settings = settingsJson(values);
    for (const auto& [key, value] : settings.items()) {
        text += key + "=";
        if (key == "frequency")
            text += values.frequencyText;
        else if (value.is_null())
            text += "unknown";
        else
            text += value.is_string() ? value.get<std::string>() : value.dump();
        text += "\n";
    }
    return text;
}

std::vector<std::string> differingSettings(const proto::SetupValues& expected,
                                           const proto::SetupValues& actual) {
    const Json want = settingsJson(expected);
    const Json got = settingsJson(actual);
    std::vector<std::string> keys;
    for (const auto& [key, value] : want.items()) {
        if (got[key] != value) keys.push_back(key);
    }
    return keys;
}

proto::SetupFields asFields(const proto::SetupValues& values) {
    return {values.frequencyText, values.powerIndex, values.lifeCycleIndex, values.networkIdText,
            values.nodeIdText,    values.baudIndex,  values.parityIndex};
}

std::string SettingChanges::set(std::string_view key, const Value& value) {
    const std::string refused = valueText(value) + " is not a valid " + std::string(key) + ": ";
    const auto whole = wholeNumber(value);
    if (key == "frequency") {
        const auto mhz = number(value);
        if (!mhz || !(*mhz > 0 && *mhz <= kMaxFrequencyMhz))
            return refused + "give MHz above 0 and up to 1023";
        m_frequencyText = shortestText(*mhz);
    } else if (key == "power") {
        if (!whole || *whole < 1 || *whole > proto::kPowerLevels) return refused + "give 1 to 7";
        m_powerIndex = static_cast<int>(*whole) - 1;
    } else if (key == "life_cycle") {
        const auto index = name(value) ? proto::lifeCycleIndex(*name(value)) : std::nullopt;
        if (!index) return refused + "give \"1h\" to \"24h\"";
        m_lifeCycleIndex = index;
    } else if (key == "network_id" || key == "node_id") {
        if (!whole || *whole < 0 || *whole > kMaxNodeId) return refused + "give 0 to 65535";
        (key == "network_id" ? m_networkIdText : m_nodeIdText) = std::to_string(*whole);
    } else if (key == "uart_baud") {
        const auto index = whole && *whole <= proto::kUartBaudRates.back()
                               ? proto::uartBaudIndex(static_cast<int>(*whole))
                               : std::nullopt;
        if (!index) return refused + "give 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
        m_baudIndex = index;
    } else if (key == "uart_parity") {
        const auto index = name(value) ? proto::parityIndex(*name(value)) : std::nullopt;
        if (!index) return refused + "give \"NO\", \"ODD\" or \"EVEN\"";
        m_parityIndex = index;
    } else {
        return "unknown key '" + std::string(key) + "'";
    }
    return {};
}

void SettingChanges::overlay(const SettingChanges& later) {
    const auto take = [](auto& mine, const auto& theirs) {
        if (theirs) mine = theirs;
    };
    take(m_frequencyText, later.m_frequencyText);
    take(m_powerIndex, later.m_powerIndex);
    take(m_lifeCycleIndex, later.m_lifeCycleIndex);
    take(m_networkIdText, later.m_networkIdText);
    take(m_nodeIdText, later.m_nodeIdText);
    take(m_baudIndex, later.m_baudIndex);
    take(m_parityIndex, later.m_parityIndex);
}

void SettingChanges::applyTo(proto::SetupFields& fields) const {
    fields.frequencyText = m_frequencyText.value_or(fields.frequencyText);
    fields.powerIndex = m_powerIndex.value_or(fields.powerIndex);
    fields.lifeCycleIndex = m_lifeCycleIndex.value_or(fields.lifeCycleIndex);
    fields.networkIdText = m_networkIdText.value_or(fields.networkIdText);
    fields.nodeIdText = m_nodeIdText.value_or(fields.nodeIdText);
    fields.baudIndex = m_baudIndex.value_or(fields.baudIndex);
    fields.parityIndex = m_parityIndex.value_or(fields.parityIndex);
}

bool SettingChanges::empty() const {
    return !m_frequencyText && !m_powerIndex && !m_lifeCycleIndex && !m_networkIdText &&
           !m_nodeIdText && !m_baudIndex && !m_parityIndex;
}

bool SettingChanges::complete() const {
    return missingKeys().empty();
}

std::vector<std::string> SettingChanges::missingKeys() const {
    const bool given[] = {m_frequencyText.has_value(),  m_powerIndex.has_value(),
                          m_lifeCycleIndex.has_value(), m_networkIdText.has_value(),
                          m_nodeIdText.has_value(),     m_baudIndex.has_value(),
                          m_parityIndex.has_value()};
    static_assert(std::size(given) == kSettingKeys.size());
    std::vector<std::string> missing;
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i)
        if (!given[i]) missing.emplace_back(kSettingKeys[i]);
    return missing;
}

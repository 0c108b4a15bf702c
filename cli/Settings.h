#pragma once
// The seven settings by the names scripts use (frequency, power, life_cycle, network_id,
// node_id, uart_baud, uart_parity), between the setup frames and JSON, text, profiles and
// reports.

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Setup.h"

using Json = nlohmann::ordered_json;

inline constexpr std::array<std::string_view, 7> kSettingKeys{
    "frequency", "power", "life_cycle", "network_id", "node_id", "uart_baud", "uart_parity"};

// The settings a reply holds, in the window's order; an index the module sent outside its list
// gives null.
Json settingsJson(const proto::SetupValues& values);

// "key=value" lines; the frequency as the window shows it, with two decimals.
std::string settingsText(const proto::SetupValues& values);

// The keys whose values differ, in order.
std::vector<std::string> differingSettings(const proto::SetupValues& expected,
                                           const proto::SetupValues& actual);

// The module's values as the window's controls would hold them after a read.
proto::SetupFields asFields(const proto::SetupValues& values);

// Settings a script asks for; each one given replaces the module's value.
class SettingChanges {
  public:
    using Value = std::variant<double, std::int64_t, std::string>;

    // Takes one setting by its key; returns why it is refused (unknown key, wrong kind of
    // value, out of range), empty when taken.
    std::string set(std::string_view key, const Value& value);
    // The changes of later override those of earlier.
    void overlay(const SettingChanges& later);
    void applyTo(proto::SetupFields& fields) const;
    bool empty() const;
    bool complete() const;  // all seven given
    std::vector<std::string> missingKeys() const;

  private:
    std::optional<std::string> m_frequencyText;
    std::optional<int> m_powerIndex;
    std::optional<int> m_lifeCycleIndex;
    std::optional<std::string> m_networkIdText;
    std::optional<std::string> m_nodeIdText;
    std::optional<int> m_baudIndex;
    std::optional<int> m_parityIndex;
};

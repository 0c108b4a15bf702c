#pragma once
// The seven settings by the names scripts use (frequency, power, life_cycle, network_id,
// node_id, uart_baud, uart_parity), between the module's setup values and JSON, text, profiles
// and reports.

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Messages.h"

using Json = nlohmann::ordered_json;

inline constexpr std::array<std::string_view, 7> kSettingKeys{
    "frequency", "power", "life_cycle", "network_id", "node_id", "uart_baud", "uart_parity"};

// The settings in the window's order; a code the module holds outside its list gives null.
Json settingsJson(const proto::Setup& setup);

// "key=value" lines; the frequency as the window shows it, with two decimals.
std::string settingsText(const proto::Setup& setup);

// The keys whose values differ, in order.
std::vector<std::string> differingSettings(const proto::Setup& expected,
                                           const proto::Setup& actual);

// "life_cycle code 30" for every setting whose code lies outside its list.
std::vector<std::string> unlistedCodes(const proto::Setup& setup);

// The rates of the module's UART, which are also those of the port: "1200, 2400, ...".
std::string rateList();

// Settings a script asks for; each one given replaces the module's value.
class SettingChanges {
  public:
    using Value = std::variant<double, std::int64_t, std::string>;

    // Takes one setting by its key; returns why it is refused (unknown key, wrong kind of
    // value, out of range or not fitting its field), empty when taken.
    std::string set(std::string_view key, const Value& value);
    // The changes of later override those of earlier.
    void overlay(const SettingChanges& later);
    void applyTo(proto::Setup& setup) const;
    bool empty() const;
    bool complete() const;  // all seven given
    std::vector<std::string> missingKeys() const;

  private:
    std::optional<std::uint32_t> m_frequencyRegister;
    std::optional<std::uint8_t> m_powerCode;
    std::optional<std::uint8_t> m_lifeCycleCode;
    std::optional<std::uint16_t> m_networkId;
    std::optional<std::uint16_t> m_nodeId;
    std::optional<std::uint8_t> m_uartRateCode;
    std::optional<std::uint8_t> m_parityCode;
};

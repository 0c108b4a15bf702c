#pragma once
// The seven settings by the names scripts and files use (frequency, power, life_cycle,
// network_id, node_id, uart_baud, uart_parity), read into the module's codes. The command line's
// options and profiles and the simulator's lab file all take them this way.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Messages.h"
#include "SetupKeys.h"

namespace proto {

// The rates of the module's UART, which are also those of the port: "1200, 2400, ...".
std::string rateList();

// Settings asked for; each one given replaces the module's value.
class SettingChanges {
  public:
    using Value = std::variant<double, std::int64_t, std::string>;

    // Takes one setting by its key; returns why it is refused (unknown key, wrong kind of
    // value, out of range or not fitting its field), empty when taken.
    std::string set(std::string_view key, const Value& value);
    // The changes of later override those of earlier.
    void overlay(const SettingChanges& later);
    void applyTo(Setup& setup) const;
    bool empty() const;
    bool complete() const;  // all seven given
    std::vector<std::string> missingKeys() const;
    // What a mesh's modules must hold alike, where given.
    std::optional<std::uint32_t> givenFrequencyRegister() const { return m_frequencyRegister; }
    std::optional<std::uint16_t> givenNetworkId() const { return m_networkId; }
    std::optional<std::uint8_t> givenLifeCycleCode() const { return m_lifeCycleCode; }
    // Which node a mesh file's module is, where given.
    std::optional<std::uint16_t> givenNodeId() const { return m_nodeId; }

  private:
    bool given(SetupKey key) const;

    std::optional<std::uint32_t> m_frequencyRegister;
    std::optional<std::uint8_t> m_powerCode;
    std::optional<std::uint8_t> m_lifeCycleCode;
    std::optional<std::uint16_t> m_networkId;
    std::optional<std::uint16_t> m_nodeId;
    std::optional<std::uint8_t> m_uartRateCode;
    std::optional<std::uint8_t> m_parityCode;
};

}  // namespace proto

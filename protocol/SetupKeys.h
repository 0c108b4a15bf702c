#pragma once
// The seven settings of a module's setup, each under its two names: the key scripts, profiles
// and lab files use, and the column of the line's record; with the words the command line's
// help gives it. Everything that lists the seven goes through this table.

#include <array>
#include <optional>
#include <string_view>

#include "Messages.h"

namespace proto {

enum class SetupKey { kFrequency, kPower, kLifeCycle, kNetworkId, kNodeId, kUartRate, kParity };

struct SetupKeyNames {
    SetupKey key;
    std::string_view name;    // "uart_baud"
    std::string_view column;  // "uart_rate"
    std::string_view help;    // "the module's UART rate, 1200 to 115200"
};

// In the order of Setup's fields, which is also the window's.
inline constexpr std::array<SetupKeyNames, 7> kSetupKeys{{
    {SetupKey::kFrequency, "frequency", "frequency_register", "frequency in MHz, such as 433.5"},
    {SetupKey::kPower, "power", "power", "transmit power, 1 to 7"},
    {SetupKey::kLifeCycle, "life_cycle", "life_cycle", "life cycle, 1h to 24h"},
    {SetupKey::kNetworkId, "network_id", "network_id", "network id, 0 to 65535"},
    {SetupKey::kNodeId, "node_id", "node_id", "node id, 0 to 65534"},
    {SetupKey::kUartRate, "uart_baud", "uart_rate", "the module's UART rate, 1200 to 115200"},
    {SetupKey::kParity, "uart_parity", "parity", "the module's UART parity, NO|ODD|EVEN"},
}};

static_assert(
    [] {
        for (std::size_t i = 0; i < kSetupKeys.size(); ++i)
            if (kSetupKeys[i].key != static_cast<SetupKey>(i)) return false;
        return true;
    }(),
    "each row stands at its key's place");

constexpr const SetupKeyNames& setupKey(SetupKey key) {
    return kSetupKeys[static_cast<std::size_t>(key)];
}

constexpr std::optional<SetupKey> setupKeyNamed(std::string_view name) {
    for (const SetupKeyNames& names : kSetupKeys)
        if (names.name == name) return names.key;
    return std::nullopt;
}

// The keys alone, for those that list them.
inline constexpr std::array<std::string_view, kSetupKeys.size()> kSettingKeys = [] {
    std::array<std::string_view, kSetupKeys.size()> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = kSetupKeys[i].name;
    return keys;
}();

// Calls visit(names, field) for each field of the setup in the table's order, the field as its
// own integer type; const or not as the setup is.
template <typename AnySetup, typename Visit>
void forEachSetupField(AnySetup& setup, Visit&& visit) {
    visit(setupKey(SetupKey::kFrequency), setup.frequencyRegister);
    visit(setupKey(SetupKey::kPower), setup.powerCode);
    visit(setupKey(SetupKey::kLifeCycle), setup.lifeCycleCode);
    visit(setupKey(SetupKey::kNetworkId), setup.networkId);
    visit(setupKey(SetupKey::kNodeId), setup.nodeId);
    visit(setupKey(SetupKey::kUartRate), setup.uartRateCode);
    visit(setupKey(SetupKey::kParity), setup.parityCode);
}

}  // namespace proto

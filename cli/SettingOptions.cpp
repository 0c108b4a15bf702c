#include "SettingOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "Failure.h"
#include "Text.h"

namespace {

struct SettingHelp {
    std::string_view key;
    const char* help;
};

constexpr SettingHelp kSettingHelp[] = {
    {"frequency", "frequency in MHz, such as 433.5"},
    {"power", "transmit power, 1 to 7"},
    {"life_cycle", "life cycle, 1h to 24h"},
    {"network_id", "network id, 0 to 65535"},
    {"node_id", "node id, 0 to 65534"},
    {"uart_baud", "the module's UART rate, 1200 to 115200"},
    {"uart_parity", "the module's UART parity, NO|ODD|EVEN"},
};
static_assert(std::size(kSettingHelp) == kSettingKeys.size());

// A setting as a script writes it: a decimal number, or else its text, which the setting then
// refuses or takes by name.
SettingChanges::Value settingValue(const std::string& text) {
    if (const auto whole = wholeDecimal(text)) return *whole;
    if (const auto real = decimalFraction(text)) return *real;
    return text;
}

}  // namespace

void SettingOptions::addTo(CLI::App& command) {
    for (const SettingHelp& setting : kSettingHelp) {
        std::string name = "--" + std::string(setting.key);
        std::replace(name.begin(), name.end(), '_', '-');
        command.add_option(name, m_values[setting.key], setting.help);
    }
}

SettingChanges SettingOptions::changes() const {
    SettingChanges changes;
    for (const std::string_view key : kSettingKeys) {
        if (!given(key)) continue;
        const std::string problem = changes.set(key, settingValue(*m_values.at(key)));
        if (!problem.empty()) throw Failure(kExitUsage, problem);
    }
    return changes;
}

bool SettingOptions::given(std::string_view key) const {
    const auto found = m_values.find(key);
    return found != m_values.end() && found->second.has_value();
}

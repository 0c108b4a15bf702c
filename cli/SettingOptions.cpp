#include "SettingOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "Failure.h"
#include "Text.h"

namespace cli {

namespace {

// A setting as a script writes it: a decimal number, or else its text, which the setting then
// refuses or takes by name.
proto::SettingChanges::Value settingValue(const std::string& text) {
    if (const auto whole = forms::wholeDecimal(text)) return *whole;
    if (const auto real = forms::decimalFraction(text)) return *real;
    return text;
}

}  // namespace

void SettingOptions::addTo(CLI::App& command) {
    for (const proto::SetupKeyNames& setting : proto::kSetupKeys) {
        std::string name = "--" + std::string(setting.name);
        std::replace(name.begin(), name.end(), '_', '-');
        command.add_option(name, m_values[setting.name], std::string(setting.help));
    }
}

proto::SettingChanges SettingOptions::changes() const {
    proto::SettingChanges changes;
    for (const std::string_view key : proto::kSettingKeys) {
        if (!given(key)) continue;
        const std::string problem = changes.set(key, settingValue(*m_values.at(key)));
        if (!problem.empty()) throw modlink::Failure(modlink::kExitUsage, problem);
    }
    return changes;
}

bool SettingOptions::given(std::string_view key) const {
    const auto found = m_values.find(key);
    return found != m_values.end() && found->second.has_value();
}

void printSettings(const modlink::CommonOptions& common, const proto::Setup& setup) {
    if (common.json)
        std::cout << modlink::settingsJson(setup).dump() << "\n";
    else
        std::cout << modlink::settingsText(setup);
}

}  // namespace cli

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
#include "SettingChanges.h"

namespace modlink {

using Json = nlohmann::ordered_json;

// The settings in the window's order; a code the module holds outside its list gives null.
Json settingsJson(const proto::Setup& setup);
Json settingJson(const proto::Setup& setup, proto::SetupKey key);

// "key=value" lines; the frequency as the window shows it, with two decimals.
std::string settingsText(const proto::Setup& setup);

// The keys whose values differ, in order.
std::vector<std::string> differingSettings(const proto::Setup& expected,
                                           const proto::Setup& actual);

// "life_cycle code 30" for every setting whose code lies outside its list.
std::vector<std::string> unlistedCodes(const proto::Setup& setup);

}  // namespace modlink

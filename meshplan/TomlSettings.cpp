#include "TomlSettings.h"

#include <optional>

namespace meshplan {

namespace {

std::optional<proto::SettingChanges::Value> scriptValue(const toml::node& node) {
    if (node.is_integer()) {
        const auto whole = decimalWhole(node);
        if (!whole) return std::nullopt;
        return proto::SettingChanges::Value(*whole);
    }
    if (const auto* real = node.as_floating_point())
        return proto::SettingChanges::Value(real->get());
    if (const auto* text = node.as_string()) return proto::SettingChanges::Value(text->get());
    return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> decimalWhole(const toml::node& node) {
    constexpr auto kOtherBases = toml::value_flags::format_as_binary |
                                 toml::value_flags::format_as_octal |
                                 toml::value_flags::format_as_hexadecimal;
    const auto* whole = node.as_integer();
    if (!whole || (whole->flags() & kOtherBases) != toml::value_flags::none) return std::nullopt;
    return whole->get();
}

std::string takeSetting(proto::SettingChanges& settings, std::string_view key,
                        const toml::node& value) {
    const auto taken = scriptValue(value);
    if (!taken) return "'" + std::string(key) + "' must be a decimal number or a text";
    return settings.set(key, *taken);
}

}  // namespace meshplan

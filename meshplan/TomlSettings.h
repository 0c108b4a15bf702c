#pragma once
// The seven settings as TOML files write them (profiles, mesh files): decimal integers, numbers
// and texts, read by the same rules as the command line's setting options.

#include <toml++/toml.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "SettingChanges.h"

namespace meshplan {

// Takes the setting under key; why it is refused (an unknown key, a value of the wrong kind, an
// integer written in another base than decimal, a value its field cannot hold), empty when
// taken.
std::string takeSetting(proto::SettingChanges& settings, std::string_view key,
                        const toml::node& value);

// An integer written in decimal; nothing for another kind of value, or an integer TOML wrote in
// hexadecimal, octal or binary, so that no value means one thing in a file and another typed.
std::optional<std::int64_t> decimalWhole(const toml::node& node);

// The line a value stands on in its file.
inline int lineOf(const toml::node& node) {
    return static_cast<int>(node.source().begin.line);
}

}  // namespace meshplan

#pragma once
// The modules a station can see now. A unit is its port and the device behind it at this moment,
// so a module plugged again (a new terminal behind the same alias, a new ttyUSB) is a new unit.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace station {

struct PluggedUnit {
    std::string port;    // as the tool opens it: "COM200" or "/dev/ttyUSB3"
    std::string device;  // the terminal behind it now
    // When a COM alias was made, in ns: one made again between two scans, behind a terminal of
    // the same number, is still a new plugging.
    std::int64_t aliasMade = 0;
    auto operator<=>(const PluggedUnit&) const = default;
};

// A USB adapter model as "VID:PID" in hex, such as "10c4:ea60"; spelt as udev spells it.
struct AdapterModel {
    std::string vendorId;
    std::string productId;
    static std::optional<AdapterModel> parse(std::string_view text);
};

// COM aliases in the alias folder whose terminal exists: a dangling alias is a pulled cable.
// Two aliases of one terminal are one unit, under the first name; an alias folder others can
// write to gives none.
std::vector<PluggedUnit> pluggedAliases();

// Every plugged adapter of this model, and nothing else: a phone or a debugger plugged beside
// them never gets setup frames.
std::vector<PluggedUnit> pluggedAdapters(const AdapterModel& model);

}  // namespace station

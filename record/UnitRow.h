#pragma once
// One unit as the line's record keeps it: which station, adapter and module, which profile,
// what was read back, which node id, and the result.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Messages.h"
#include "SetupKeys.h"

namespace record {

// The seven setup values as record columns, in the order of proto::Setup.
inline constexpr std::array<std::string_view, proto::kSetupKeys.size()> kSetupColumns = [] {
    std::array<std::string_view, proto::kSetupKeys.size()> columns{};
    for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = proto::kSetupKeys[i].column;
    return columns;
}();

// When a unit started, with the station's offset from UTC at that moment.
struct UnitTime {
    std::int64_t utcMs = 0;
    int offsetMinutes = 0;

    static UnitTime now();
    static UnitTime at(std::chrono::system_clock::time_point when);
    // "2026-12-08T13:06:08.123+01:00"
    std::string text() const;
    bool operator==(const UnitTime&) const = default;
};

// A new unit's id: 128 random bits as a version 4 UUID, so a retry never doubles a row.
std::string newUnitId();

struct Profile {
    std::string name;    // the profile's file name
    std::string sha256;  // of the file's bytes, as 64 hex digits
    proto::Setup setup;
    bool operator==(const Profile&) const = default;
};

enum class Result { kReserved, kPass, kFail };
std::string_view resultName(Result result);  // "reserved", "PASS", "FAIL"
std::optional<Result> resultFromName(std::string_view name);

struct UnitRow {
    std::string unitId = newUnitId();
    UnitTime time = UnitTime::now();
    std::string station;  // host name
    std::string port;
    std::string device;
    std::string adapter;  // vendor:product, empty when not a USB adapter
    std::string adapterSerial;
    std::string adapterName;   // as the port list describes the adapter; empty when it has none
    std::string operatorName;  // who ran the station, as --operator named them; empty when unnamed
    std::optional<Profile> profile;
    std::optional<proto::Setup> readBack;
    std::optional<std::uint16_t> networkId;  // the node id given, in this network
    std::optional<std::uint16_t> nodeId;
    Result result = Result::kReserved;
    std::string why;
    std::int64_t durationMs = 0;
    bool operator==(const UnitRow&) const = default;
};

}  // namespace record

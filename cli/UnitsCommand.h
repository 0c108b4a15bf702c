#pragma once
// units: what the line's record holds, as a line manager asks it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "UnitQueries.h"

namespace cli {

struct UnitsOptions {
    std::string dbUrl;
    record::UnitFilter filter;
    bool csv = false;
    bool jsonLines = false;  // one JSON object a line, keyed by adapter serial, station, operator
    bool summary = false;
    std::optional<std::string> since;   // as given
    std::optional<std::string> result;  // as given
    std::optional<int> nodeId;
};

// The start of --since: "2026-12-08", "2026-12-08 06:00" (local time), or "8h" back from now.
std::optional<std::int64_t> sinceUtcMs(const std::string& text,
                                       std::chrono::system_clock::time_point now);
// --since as given, read at this moment; a Failure with kExitUsage saying the forms it takes.
std::int64_t sinceOption(const std::string& text);

}  // namespace cli

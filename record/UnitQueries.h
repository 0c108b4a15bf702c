#pragma once
// Questions a line manager asks of the record: which units, and how many passed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Connection.h"
#include "UnitRow.h"

namespace record {

// Every filter given must hold; none given lists every unit.
struct UnitFilter {
    std::optional<std::int64_t> sinceUtcMs{};
    std::optional<std::string> station{};
    std::optional<Result> result{};
    std::optional<std::uint16_t> nodeId{};
    std::optional<std::string> adapter{};  // the adapter's serial or its vendor:product
    std::optional<std::string> operatorName{};
};

struct StationTally {
    std::string station;  // empty for the whole line
    std::int64_t passed = 0;
    std::int64_t failed = 0;
    std::int64_t reserved = 0;  // started and never finished: the station stopped meanwhile
    // Passed of the units that finished; nothing before any unit finished.
    std::optional<double> yield() const;
    bool operator==(const StationTally&) const = default;
};

struct Summary {
    std::vector<StationTally> stations;  // by name
    StationTally line;
};

// In the order the units started.
std::vector<UnitRow> findUnits(Statements& statements, const UnitFilter& filter);
Summary summarise(Statements& statements, const UnitFilter& filter);

}  // namespace record

#pragma once
// What one spool line asks of the record, as a line of JSON.

#include <string>
#include <variant>

#include "UnitRow.h"

namespace record {

struct StoreUnit {
    UnitRow row;
    bool giveBackNodeId = false;  // the module never got its id whole
    bool operator==(const StoreUnit&) const = default;
};

// A reservation whose outcome is unknown, for a unit that never started.
struct CancelReservation {
    std::string unitId;
    bool operator==(const CancelReservation&) const = default;
};

using SpoolEntry = std::variant<StoreUnit, CancelReservation>;

std::string spoolLine(const SpoolEntry& entry);
// A RecordError naming what is wrong with a line that is not one of ours.
SpoolEntry spoolEntry(const std::string& line);

}  // namespace record

#pragma once
// The record's writes, in SQL both engines read, each run inside a caller's transaction.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "Connection.h"
#include "UnitRow.h"

namespace record {

struct NodeIdRange {
    std::uint16_t networkId = 1;
    std::uint16_t first = 1;
    std::uint16_t last = 1;
    // With keep-node-id: the id the module already holds. It stays when it lies in the range
    // and is free, or was given to a unit on the same adapter serial.
    std::optional<std::uint16_t> held;
};

// The ids of stations and profiles found in the record. The record never deletes those rows, so
// an id is looked up once per connection rather than once per unit.
struct KnownRows {
    std::map<std::string, std::int64_t> stations;
    std::map<std::pair<std::string, std::string>, std::int64_t> profiles;  // name, SHA-256
};

// Inserts the row, or brings the row of the same unit id up to date: storing a row twice
// leaves one row.
void storeUnit(Statements& statements, KnownRows& known, const UnitRow& row);

// Takes an id of the range for `unit` and stores the unit's row as "reserved" with it.
// NoNodeIdLeft when every id of the range is given out.
std::uint16_t reserveNodeId(Statements& statements, KnownRows& known, const NodeIdRange& range,
                            UnitRow unit);

// Readies the statements of the writes above, so that the first unit does not wait for the
// database to read its catalogue.
void prepareUnitWrites(Statements& statements);

// The id taken for this unit becomes free again (the module never got it whole).
void giveBackNodeId(Statements& statements, const std::string& unitId);

// A reservation whose outcome was unknown and whose unit never started: its id and its
// "reserved" row go.
void cancelReservation(Statements& statements, const std::string& unitId);

}  // namespace record

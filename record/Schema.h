#pragma once
// The record's tables, created on first use and brought up to date by the tool: each schema
// version adds one step, applied in order, in the same transaction as the new version number.

#include "Connection.h"

namespace record {

inline constexpr int kSchemaVersion = 3;

// Brings the record to `target`; a RecordError when it was made by a newer tool.
void migrate(Connection& connection, int target = kSchemaVersion);

// The version the record is at; 0 for a new, empty one.
int schemaVersion(Statements& statements);

}  // namespace record

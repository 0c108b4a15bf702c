#pragma once
// The record's tables, created on first use and brought up to date by the tool: each schema
// version adds one step, applied in order, in the same transaction as the new version number.

#include "Connection.h"

namespace record {

inline constexpr int kSchemaVersion = 5;

// Brings the record to `target`, made first when the database holds none; a RecordError when
// it was made by a newer tool.
void migrate(Connection& connection, int target = kSchemaVersion);

// For a reader, which changes nothing: DatabaseDown when the database holds no record, a
// RecordError when the record is of another version than this tool's.
void checkReadable(Connection& connection, std::string_view place);

// The version the record is at; 0 when the database holds none. Reads only.
int schemaVersion(Statements& statements);

}  // namespace record

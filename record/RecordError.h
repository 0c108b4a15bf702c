#pragma once
// What can go wrong with the line's record, in two kinds: the database cannot be reached now
// (rows then wait in the spool), or the record itself is wrong (a bad address, a schema from a
// newer tool, a broken spool) and a person must act.

#include <stdexcept>
#include <string>

namespace record {

struct RecordError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Server down, file locked, disk full, connection lost: worth trying again later.
struct DatabaseDown : RecordError {
    using RecordError::RecordError;
};

// Every id of the range is given out for that network id.
struct NoNodeIdLeft : RecordError {
    using RecordError::RecordError;
};

}  // namespace record

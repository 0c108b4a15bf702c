#pragma once
// What `apply` and `station` need beyond one port: the units, where their node ids come from
// and where their rows go.

#include <optional>
#include <string>
#include <vector>

#include "NodeIdRange.h"
#include "PluggedUnits.h"
#include "UnitRow.h"

namespace station {

struct StationOptions {
    std::vector<std::string> ports;       // -p, every COMn-COMm range spelt out
    std::optional<AdapterModel> adapter;  // --adapter VID:PID
    bool aliases = false;                 // --aliases: COM aliases as they appear
    std::optional<NodeIdRange> nodeIds;   // --node-ids FIRST..LAST
    std::string idFile;                   // --id-file
    bool keepNodeId = false;
    std::string reportPath;
    std::string junitFolder;   // --junit: one JUnit XML file per unit
    std::string operatorName;  // --operator: who runs the station, kept with each unit
    std::string dbUrl;         // --db: the line's record
    std::string spoolPath;     // --spool: rows waiting for the record
    // Its file name and digest, and the seven settings every unit is given; none before the
    // profile is read.
    std::optional<record::Profile> profile;
};

// What the options alone rule out, before any file is read: a Failure with kExitUsage.
// --id-file without the range it keeps, beside the record that gives the ids, or a spool
// without the record it keeps rows for.
void checkIdSources(const StationOptions& options);
// A station takes its units by adapter model or by alias, never from -p.
void checkStationUnits(const StationOptions& options);
// apply needs ports, or an adapter model to find them.
void checkApplyUnits(const StationOptions& options);

}  // namespace station

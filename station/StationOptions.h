#pragma once
// What `apply` and `station` need beyond one port: the units, where their node ids come from
// and where their rows go.

#include <optional>
#include <string>
#include <vector>

#include "NodeIdRange.h"
#include "PluggedUnits.h"
#include "Report.h"

struct StationOptions {
    std::vector<std::string> ports;       // -p, every COMn-COMm range spelt out
    std::optional<AdapterModel> adapter;  // --adapter VID:PID
    bool aliases = false;                 // --aliases: COM aliases as they appear
    std::optional<NodeIdRange> nodeIds;   // --node-ids FIRST..LAST
    std::string idFile;                   // --id-file
    bool keepNodeId = false;
    std::string reportPath;
    std::string dbUrl;      // --db: the line's record
    std::string spoolPath;  // --spool: rows waiting for the record
    ProfileTrace profile;
};

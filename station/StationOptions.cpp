#include "StationOptions.h"

#include "Failure.h"

void checkIdSources(const StationOptions& options) {
    if (!options.idFile.empty() && !options.nodeIds)
        throw Failure(kExitUsage, "--id-file keeps the ids of --node-ids: give the range");
    if (!options.idFile.empty() && !options.dbUrl.empty())
        throw Failure(kExitUsage,
                      "give --id-file or --db, not both: with --db the record gives the ids");
    if (!options.spoolPath.empty() && options.dbUrl.empty())
        throw Failure(kExitUsage, "--spool keeps the rows of --db: give the record");
}

void checkStationUnits(const StationOptions& options) {
    if (options.adapter.has_value() == options.aliases || !options.ports.empty())
        throw Failure(kExitUsage, "station: give either --adapter VID:PID or --aliases");
}

void checkApplyUnits(const StationOptions& options) {
    if (options.ports.empty() && !options.adapter)
        throw Failure(kExitUsage, "give the port with -p COMn or -p DEVICE, or --adapter");
}

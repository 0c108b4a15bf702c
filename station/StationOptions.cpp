#include "StationOptions.h"

#include "Failure.h"

namespace station {

void checkIdSources(const StationOptions& options) {
    if (!options.idFile.empty() && !options.nodeIds)
        throw modlink::Failure(modlink::kExitUsage,
                               "--id-file keeps the ids of --node-ids: give the range");
    if (!options.idFile.empty() && !options.dbUrl.empty())
        throw modlink::Failure(
            modlink::kExitUsage,
            "give --id-file or --db, not both: with --db the record gives the ids");
    if (!options.spoolPath.empty() && options.dbUrl.empty())
        throw modlink::Failure(modlink::kExitUsage,
                               "--spool keeps the rows of --db: give the record");
}

void checkStationUnits(const StationOptions& options) {
    if (options.adapter.has_value() == options.aliases || !options.ports.empty())
        throw modlink::Failure(modlink::kExitUsage,
                               "station: give either --adapter VID:PID or --aliases");
}

void checkApplyUnits(const StationOptions& options) {
    if (options.ports.empty() && !options.adapter)
        throw modlink::Failure(modlink::kExitUsage,
                               "give the port with -p COMn or -p DEVICE, or --adapter");
}

}  // namespace station

#include "StationLoop.h"

#include <algorithm>
#include <set>

namespace station {

int runStation(const StationHooks& hooks) {
    UnitThreads threads(hooks.work, hooks.unitEnded);
    std::set<PluggedUnit> taken;
    int highest = 0;
    bool stopping = false;
    const auto collect = [&] {
        for (const UnitThreads::Ended& ended : threads.reap()) {
            if (ended.result.end == UnitEnd::kHeldBack) {
                taken.erase(ended.unit);
                continue;
            }
            highest = std::max(highest, ended.result.code);
            stopping = stopping || ended.result.end == UnitEnd::kNoIdLeft;
        }
    };
    for (;;) {
        collect();
        if (stopping || hooks.stopRequested()) break;
        const std::vector<PluggedUnit> scanned = hooks.scan();
        const std::set<PluggedUnit> present(scanned.begin(), scanned.end());
        std::erase_if(taken, [&](const PluggedUnit& unit) {
            return !present.contains(unit) && !threads.busyWith(unit);
        });
        // A unit held back is not taken, so it starts once new units may start again.
        const bool mayTake = !hooks.mayTake || hooks.mayTake();
        for (const PluggedUnit& unit : present)
            if (mayTake && taken.insert(unit).second) threads.start(unit);
        hooks.waitForChange();
    }
    threads.joinAll();
    collect();
    return highest;
}

}  // namespace station

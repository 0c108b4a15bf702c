#pragma once
// A station waits for modules and configures each one as it is plugged in, while the ones
// before it are still at work. A unit is taken once: one that failed is tried again only after it
// was unplugged and plugged in again.

#include <functional>
#include <vector>

#include "UnitThreads.h"

namespace station {

struct StationHooks {
    std::function<std::vector<PluggedUnit>()> scan;  // the units plugged in now
    UnitWork work;
    std::function<bool()> stopRequested;  // Ctrl+C: no new unit; those at work end themselves
    std::function<bool()> mayTake;        // false holds new units back until it turns true
    std::function<void()> waitForChange;  // returns on hot-plug news or after a short while
    std::function<void()> unitEnded;      // optional: a unit's end is recorded
};

// The highest code of the units not held back, once the station stopped and every unit has ended.
int runStation(const StationHooks& hooks);

}  // namespace station

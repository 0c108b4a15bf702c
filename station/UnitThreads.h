#pragma once
// Units configured side by side, a thread each with its own port and time-outs, so that a silent
// or unplugged module holds up nobody but itself. A unit's work says how it ended, with its exit
// code.

#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "PluggedUnits.h"

namespace station {

// How a unit's work ended, as a station decides what comes next.
enum class UnitEnd {
    kFinished,  // passed or failed: taken again only once it is plugged in again
    // Could not start, nothing written to its module (the line's record was out of reach): taken
    // again, while still plugged, once units may start; its code does not count.
    kHeldBack,
    kNoIdLeft,  // no node id left: the shift ends once the others are done
};

struct UnitResult {
    UnitEnd end = UnitEnd::kFinished;
    int code = 0;  // the unit's exit code
};

using UnitWork = std::function<UnitResult(const PluggedUnit&)>;

// Runs work for every unit at once; the highest of their codes once all have ended.
int runTogether(const std::vector<PluggedUnit>& units, const UnitWork& work);

// The units still at work, and the highest code of those that ended.
class UnitThreads {
  public:
    // onEnded, when given, is told after each unit's end is recorded, from the unit's thread.
    explicit UnitThreads(UnitWork work, std::function<void()> onEnded = {})
        : m_work(std::move(work)), m_onEnded(std::move(onEnded)) {}
    ~UnitThreads() { joinAll(); }
    UnitThreads(const UnitThreads&) = delete;
    UnitThreads& operator=(const UnitThreads&) = delete;

    void start(const PluggedUnit& unit);
    bool busyWith(const PluggedUnit& unit);
    struct Ended {
        PluggedUnit unit;
        UnitResult result;
    };
    // Joins the threads that have ended, in no set order.
    std::vector<Ended> reap();
    bool idle();
    void joinAll();

  private:
    struct Running {
        PluggedUnit unit;
        std::thread thread;
        bool ended = false;
        UnitResult result;
    };

    UnitWork m_work;
    std::function<void()> m_onEnded;
    std::mutex m_mutex;
    std::list<Running> m_running;  // a list, so a thread's entry stays where it was made
};

}  // namespace station

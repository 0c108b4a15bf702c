#include "UnitThreads.h"

#include <algorithm>

namespace station {

int runTogether(const std::vector<PluggedUnit>& units, const UnitWork& work) {
    UnitThreads threads(work);
    for (const PluggedUnit& unit : units) threads.start(unit);
    threads.joinAll();
    int highest = 0;
    for (const UnitThreads::Ended& ended : threads.reap())
        highest = std::max(highest, ended.result.code);
    return highest;
}

void UnitThreads::start(const PluggedUnit& unit) {
    const std::lock_guard lock(m_mutex);
    Running& running = m_running.emplace_back();
    running.unit = unit;
    running.thread = std::thread([this, &running] {
        const UnitResult result = m_work(running.unit);
        {
            const std::lock_guard ended(m_mutex);
            running.result = result;
            running.ended = true;
        }
        if (m_onEnded) m_onEnded();
    });
}

bool UnitThreads::busyWith(const PluggedUnit& unit) {
    const std::lock_guard lock(m_mutex);
    return std::any_of(m_running.begin(), m_running.end(),
                       [&](const Running& running) { return running.unit == unit; });
}

std::vector<UnitThreads::Ended> UnitThreads::reap() {
    std::vector<Ended> codes;
    std::list<Running> ended;
    {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_running.begin(); it != m_running.end();) {
            const auto next = std::next(it);
            if (it->ended) ended.splice(ended.end(), m_running, it);
            it = next;
        }
    }
    for (Running& running : ended) {
        if (running.thread.joinable()) running.thread.join();
        codes.push_back({running.unit, running.result});
    }
    return codes;
}

bool UnitThreads::idle() {
    const std::lock_guard lock(m_mutex);
    return m_running.empty();
}

void UnitThreads::joinAll() {
    // Joined outside the lock, which an ending thread takes to say so; only the owner starts
    // threads, so the list holds still meanwhile.
    std::vector<std::thread*> threads;
    {
        const std::lock_guard lock(m_mutex);
        for (Running& running : m_running) threads.push_back(&running.thread);
    }
    for (std::thread* thread : threads)
        if (thread->joinable()) thread->join();
}

}  // namespace station

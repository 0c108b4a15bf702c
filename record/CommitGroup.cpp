#include "CommitGroup.h"

#include <utility>

#include "RecordError.h"

namespace record {

std::vector<CommitGroup::Pending*> CommitGroup::takeWaiting() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_waiting, {});
}

void CommitGroup::commit(std::vector<Pending*>& batch, const Transaction& transaction,
                         Joining joining) {
    transaction([&](Statements& statements) {
        for (std::size_t next = 0;;) {
            for (; next < batch.size(); ++next) (*batch[next]->work)(statements);
            if (joining == Joining::kNone) return;
            const std::vector<Pending*> joined = takeWaiting();
            if (joined.empty()) return;
            batch.insert(batch.end(), joined.begin(), joined.end());
        }
    });
}

std::size_t CommitGroup::waiting() {
    const std::lock_guard lock(m_mutex);
    return m_waiting.size();
}

void CommitGroup::run(const Work& work, const Transaction& transaction) {
    Pending mine{&work};
    std::unique_lock lock(m_mutex);
    m_waiting.push_back(&mine);
    while (!mine.done) {
        if (m_committing) {
            m_finished.wait(lock);
            continue;
        }
        // This caller commits everything waiting, its own work among it.
        m_committing = true;
        std::vector<Pending*> batch = std::exchange(m_waiting, {});
        lock.unlock();
        try {
            commit(batch, transaction, Joining::kWaiting);
        } catch (const DatabaseDown&) {
            for (Pending* pending : batch) pending->error = std::current_exception();
        } catch (...) {
            // A work that fails rolls the whole batch back; alone, each keeps what is its own.
            if (batch.size() == 1) {
                batch.front()->error = std::current_exception();
            } else {
                for (Pending* pending : batch) {
                    try {
                        std::vector<Pending*> alone{pending};
                        commit(alone, transaction, Joining::kNone);
                    } catch (...) {
                        pending->error = std::current_exception();
                    }
                }
            }
        }
        lock.lock();
        for (Pending* pending : batch) pending->done = true;
        m_committing = false;
        m_finished.notify_all();
    }
    if (mine.error) std::rethrow_exception(mine.error);
}

}  // namespace record

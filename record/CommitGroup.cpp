#include "CommitGroup.h"

#include "RecordError.h"

namespace record {

void CommitGroup::commit(const std::vector<Pending*>& batch, const Transaction& transaction) {
    transaction([&batch](Statements& statements) {
        for (Pending* pending : batch) (*pending->work)(statements);
    });
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
        const std::vector<Pending*> batch = std::move(m_waiting);
        m_waiting.clear();
        lock.unlock();
        try {
            commit(batch, transaction);
        } catch (const DatabaseDown&) {
            for (Pending* pending : batch) pending->error = std::current_exception();
        } catch (...) {
            // A work that fails rolls the whole batch back; alone, each keeps what is its own.
            if (batch.size() == 1) {
                batch.front()->error = std::current_exception();
            } else {
                for (Pending* pending : batch) {
                    try {
                        commit({pending}, transaction);
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

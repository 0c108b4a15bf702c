#pragma once
// The writes of units finishing at the same moment share one transaction, and so one sync of
// the disk: a gang of sixteen pays for a commit or two instead of thirty-two. A write that
// comes while a transaction still runs its statements joins it rather than waiting for its
// commit and then committing alone.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include "Connection.h"

namespace record {

class CommitGroup {
  public:
    using Work = std::function<void(Statements&)>;
    // Runs the given work in one write transaction and commits it.
    using Transaction = std::function<void(const Work&)>;

    // Runs `work` in a transaction shared with the work of the threads that call meanwhile.
    // A failed commit is every caller's. A batch that fails for another reason than
    // DatabaseDown, a RecordError of one work among them, is tried again one work at a time,
    // so one bad row never holds up the others; the works must bear being run again.
    void run(const Work& work, const Transaction& transaction);

    // How many works wait for a transaction to take them.
    std::size_t waiting();

  private:
    struct Pending {
        const Work* work = nullptr;
        std::exception_ptr error{};
        bool done = false;
    };

    // Whether works that come while the batch runs join it before it commits.
    enum class Joining { kNone, kWaiting };
    void commit(std::vector<Pending*>& batch, const Transaction& transaction, Joining joining);
    std::vector<Pending*> takeWaiting();

    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::vector<Pending*> m_waiting;
    bool m_committing = false;
};

}  // namespace record

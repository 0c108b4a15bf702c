#pragma once
// Work run once on a thread of its own, begun when the last of a number of parties has said
// it may, or as soon as someone needs its answer, whichever comes first. apply reaches the
// line's record this way: loading the database's library holds the program's loader lock, and
// every thread made meanwhile (a port's reader and writer) waits for it; begun once every
// unit has its port open, it runs while the modules answer their first read instead.

#include <atomic>
#include <cstddef>
#include <functional>
#include <future>
#include <mutex>

namespace station {

class DeferredWork {
  public:
    // Begins at once when no party is to be waited for.
    DeferredWork(std::size_t parties, std::function<bool()> work);

    // One party may let the work begin; the last one begins it.
    void allow();
    // The work's answer, waited for; begins the work first when nobody has yet.
    bool answer();

  private:
    void begin();

    std::function<bool()> m_work;
    std::atomic<std::size_t> m_waitingFor;
    std::once_flag m_once;
    std::shared_future<bool> m_answer;  // set once, under m_once
};

}  // namespace station

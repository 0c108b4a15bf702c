#pragma once
// The watcher's history in the line's record (record::WatchHistory): every event as it is said,
// and after each survey a sample of each figure (each node up or not, each link's value, each
// route's hops, the survey's duration), all under the watcher's site. Written on a thread of its
// own, so that a database slow or away never holds the loop: what it cannot take waits, said
// once and tried again every 10 s, at most kMostWaiting rows (past it the oldest are dropped and
// counted in the line said when it is back). Rows older than the retention are forgotten at the
// start and every hour, the site's own only.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "WatchHistory.h"
#include "WatchSink.h"

namespace watch {

class HistorySink final : public WatchSink {
  public:
    static constexpr std::size_t kMostWaiting = 1'000'000;

    // A record::RecordError for an address that is no record's.
    HistorySink(const std::string& url, std::string site, std::chrono::seconds keep);
    // Writes what waits, if the database takes it at once, and ends.
    ~HistorySink() override;
    HistorySink(const HistorySink&) = delete;
    HistorySink& operator=(const HistorySink&) = delete;

    void said(const Event& event) override;
    void changed(const std::shared_ptr<const WatchState>& state) override;

  private:
    void run();
    void write();
    void forgetOld();
    void wait(std::chrono::seconds span);
    void drop();

    record::WatchHistory m_history;  // the thread's alone
    const std::string m_site;
    const std::chrono::seconds m_keep;
    std::uint64_t m_surveysKept = 0;  // loop thread

    std::mutex m_lock;
    std::condition_variable m_woken;
    std::deque<record::HistoryEvent> m_events;    // under m_lock
    std::deque<record::HistorySample> m_samples;  // under m_lock
    std::uint64_t m_dropped = 0;                  // under m_lock
    bool m_stopping = false;                      // under m_lock
    std::thread m_thread;                         // last: it uses all of the above
};

// An event as the history keeps it.
record::HistoryEvent historyEvent(const Event& event, const std::string& site);
// The samples of a survey's figures.
std::vector<record::HistorySample> historySamples(const WatchState& state);

}  // namespace watch

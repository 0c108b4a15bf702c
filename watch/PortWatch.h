#pragma once
// One watched port on a thread of its own: the port kept open, every receive notice told as it
// comes, the module read with the survey's own reading whenever a survey asks. A port that
// cannot be opened, or is lost, is told each try and tried again after 1 s, then twice as long
// each time up to 30 s, and at each survey, for as long as the watcher runs; a survey that finds
// it still closed gets the port's failure at once. A probe's sends go out through it between its
// waits for notices.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "PortNews.h"
#include "Session.h"

namespace watch {

class PortWatch {
  public:
    // port is what the watcher resolved the name to: the first opening opens it; after a
    // failure the name is looked up again at each try, as a lost port's watch does.
    PortWatch(const ports::PortTarget& port, const modlink::CommonOptions& link, PortNews& news);
    ~PortWatch();  // ends the thread within a wait's poll
    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    const std::string& port() const { return m_port; }
    // From the loop's thread: read the module for this survey as soon as the port allows.
    void survey(std::uint64_t round);
    // From the loop's thread: write a probe's send as soon as the port allows; told back through
    // probeWritten, at once when the port is not open.
    void probe(std::size_t probe, proto::SendDataRequest send);
    // Hands every receive notice to the loop too: the port is a probe's target.
    void keepNotices(bool keep) { m_keepNotices = keep; }

  private:
    void run(std::stop_token stop);
    // Serves the open port until it fails; a Failure then.
    void serve(modlink::Session& session, const std::stop_token& stop);
    // Waits for the next try: the pause, or a survey that asks; false once stopped.
    bool waitToRetry(std::chrono::seconds pause, const std::stop_token& stop);
    std::optional<std::uint64_t> takeRound();
    std::deque<std::pair<std::size_t, proto::SendDataRequest>> takeSends();
    void writeSends(modlink::Session& session);
    void setSession(modlink::Session* session);
    void wake();

    const std::string m_port;
    const ports::PortTarget m_firstTarget;  // the run's thread alone reads it
    const modlink::CommonOptions m_link;    // the session holds on to it
    PortNews& m_news;
    std::mutex m_lock;
    std::condition_variable_any m_woken;
    std::optional<std::uint64_t> m_round;  // asked and not yet read; under m_lock
    std::deque<std::pair<std::size_t, proto::SendDataRequest>> m_sends;  // under m_lock
    std::atomic<bool> m_keepNotices = false;
    modlink::Session* m_session = nullptr;  // while open, to cut its wait; under m_lock
    std::jthread m_thread;                  // last: it uses all of the above
};

}  // namespace watch

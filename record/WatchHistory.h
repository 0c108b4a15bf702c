#pragma once
// What a mesh watcher tells, kept in the line's record: every event, and a sample of each figure
// per survey, each row under its watcher's site. A watcher writes and forgets only its own site's
// rows; a reader asks for one site or all of them. `mesh history` reads it back as spans: a
// condition from its start to its end, so that "when did node 5 drop, and for how long" is one row.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Connection.h"

namespace record {

struct HistoryEvent {
    std::string site;
    std::string time;  // as the watcher said it: "2026-12-09T02:53:03.236+01:00"
    std::int64_t utcMs = 0;
    std::string kind;   // "node_down", as the watcher names it
    std::string phase;  // "start", "end" or "once"
    std::string port;
    std::optional<std::uint16_t> node;
    std::optional<std::uint16_t> peer;
    std::string oldValue;
    std::string newValue;
    std::string text;
    bool operator==(const HistoryEvent&) const = default;
};

struct HistorySample {
    std::string site;
    std::int64_t utcMs = 0;
    std::string figure;  // "node_up", "link_value", "route_hops", "survey_duration_ms"
    std::optional<std::uint16_t> node;
    std::optional<std::uint16_t> peer;
    std::int64_t value = 0;
};

struct HistoryFilter {
    std::optional<std::string> site{};
    std::optional<std::uint16_t> node{};  // the node an event concerns, or its other end
    std::optional<std::int64_t> sinceUtcMs{};
};

// A condition from its start to its end (no end: it lasts still; no start: it began before the
// events asked for), or a change, which is its start alone.
struct HistorySpan {
    std::optional<HistoryEvent> start;
    std::optional<HistoryEvent> end;
    // The end's time less the start's, when both are there.
    std::optional<std::int64_t> durationMs() const;
};

// The events, oldest first, as spans ordered by their first event.
std::vector<HistorySpan> historySpans(const std::vector<HistoryEvent>& events);

// sqlite:///<stateHome>/meshcfg/watch.db: where the watcher and `mesh history` keep the
// history when no --db is given.
std::string defaultHistoryUrl(const std::string& stateHome);

class WatchHistory {
  public:
    // A RecordError for a malformed address; the database is reached on first use, and made or
    // brought up to date then when writing.
    WatchHistory(std::string_view url, Connection::Access access);

    // All of it in one transaction. DatabaseDown or RecordError when it cannot be kept.
    void store(const std::vector<HistoryEvent>& events, const std::vector<HistorySample>& samples);
    // Forgets the site's rows from before the time; the rows forgotten.
    std::int64_t forget(const std::string& site, std::int64_t beforeUtcMs);
    // Oldest first.
    std::vector<HistoryEvent> events(const HistoryFilter& filter);
    std::string place() const { return m_url.place(); }

  private:
    Connection& connection();

    RecordUrl m_url;
    Connection::Access m_access;
    std::unique_ptr<Connection> m_connection;
};

}  // namespace record

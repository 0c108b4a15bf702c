#include "WatchHistory.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "Schema.h"

namespace record {

namespace {

Value nodeValue(const std::optional<std::uint16_t>& node) {
    return node ? Value(std::int64_t{*node}) : Value();
}

std::optional<std::uint16_t> nodeOf(const ResultRow& row, std::size_t column) {
    const auto value = row.integer(column);
    if (!value || *value < 0 || *value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// What the start and the end of one condition share. A node's condition is the node's whatever
// port it was seen through; a port's is the port's.
using ConditionKey = std::tuple<std::string, std::string, std::optional<std::uint16_t>,
                                std::optional<std::uint16_t>, std::string>;

ConditionKey conditionOf(const HistoryEvent& event) {
    return {event.site, event.kind, event.node, event.peer, event.node ? "" : event.port};
}

constexpr std::string_view kEventColumns =
    "site, time, time_ms, kind, phase, port, node, peer, old_value, new_value, text";

}  // namespace

std::optional<std::int64_t> HistorySpan::durationMs() const {
    if (!start || !end) return std::nullopt;
    return end->utcMs - start->utcMs;
}

std::vector<HistorySpan> historySpans(const std::vector<HistoryEvent>& events) {
    std::vector<HistorySpan> spans;
    std::map<ConditionKey, std::size_t> open;
    for (const HistoryEvent& event : events) {
        const ConditionKey key = conditionOf(event);
        if (event.phase == "end") {
            if (const auto started = open.find(key); started != open.end()) {
                spans[started->second].end = event;
                open.erase(started);
            } else {
                spans.push_back({std::nullopt, event});
            }
            continue;
        }
        // A start while the same condition is open means its end was never kept (the watcher
        // was stopped meanwhile): the open span stays without an end.
        if (event.phase == "start") open[key] = spans.size();
        spans.push_back({event, std::nullopt});
    }
    return spans;
}

std::string defaultHistoryUrl(const std::string& stateHome) {
    return "sqlite://" + stateHome + "/meshcfg/watch.db";
}

WatchHistory::WatchHistory(std::string_view url, Connection::Access access)
    : m_url(parseRecordUrl(url)), m_access(access) {}

Connection& WatchHistory::connection() {
    if (!m_connection) {
        auto connection = connect(m_url, m_access);
        if (m_access == Connection::Access::kRead)
            checkReadable(*connection, m_url.place());
        else
            migrate(*connection);
        m_connection = std::move(connection);
    }
    return *m_connection;
}

void WatchHistory::store(const std::vector<HistoryEvent>& events,
                         const std::vector<HistorySample>& samples) {
    connection().transact(Connection::Access::kWrite, [&](Statements& sql) {
        for (const HistoryEvent& event : events)
            sql.execute(
                "INSERT INTO watch_events (" + std::string(kEventColumns) +
                    ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                {storedText(event.site), event.time, event.utcMs, event.kind, event.phase,
                 storedText(event.port), nodeValue(event.node), nodeValue(event.peer),
                 storedText(event.oldValue), storedText(event.newValue), storedText(event.text)});
        for (const HistorySample& sample : samples)
            sql.execute(
                "INSERT INTO watch_samples (site, time_ms, figure, node, peer, value)"
                " VALUES (?, ?, ?, ?, ?, ?)",
                {storedText(sample.site), sample.utcMs, sample.figure, nodeValue(sample.node),
                 nodeValue(sample.peer), sample.value});
    });
}

std::int64_t WatchHistory::forget(const std::string& site, std::int64_t beforeUtcMs) {
    std::int64_t forgotten = 0;
    connection().transact(Connection::Access::kWrite, [&](Statements& sql) {
        const Params params{storedText(site), beforeUtcMs};
        forgotten = sql.execute("DELETE FROM watch_events WHERE site = ? AND time_ms < ?", params);
        forgotten +=
            sql.execute("DELETE FROM watch_samples WHERE site = ? AND time_ms < ?", params);
    });
    return forgotten;
}

std::vector<HistoryEvent> WatchHistory::events(const HistoryFilter& filter) {
    std::string where;
    Params params;
    const auto add = [&](std::string_view condition, std::initializer_list<Value> values) {
        where += (where.empty() ? " WHERE " : " AND ") + std::string(condition);
        params.insert(params.end(), values);
    };
    if (filter.site) add("site = ?", {storedText(*filter.site)});
    if (filter.node)
        add("(node = ? OR peer = ?)", {std::int64_t{*filter.node}, std::int64_t{*filter.node}});
    if (filter.sinceUtcMs) add("time_ms >= ?", {*filter.sinceUtcMs});
    std::vector<HistoryEvent> events;
    connection().transact(Connection::Access::kRead, [&](Statements& sql) {
        for (const ResultRow& row :
             sql.query("SELECT " + std::string(kEventColumns) + " FROM watch_events" + where +
                           " ORDER BY time_ms, id",
                       params)) {
            HistoryEvent event;
            event.site = row.text(0);
            event.time = row.text(1);
            event.utcMs = row.integer(2).value_or(0);
            event.kind = row.text(3);
            event.phase = row.text(4);
            event.port = row.text(5);
            event.node = nodeOf(row, 6);
            event.peer = nodeOf(row, 7);
            event.oldValue = row.text(8);
            event.newValue = row.text(9);
            event.text = row.text(10);
            events.push_back(std::move(event));
        }
    });
    return events;
}

}  // namespace record

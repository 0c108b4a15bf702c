// What mesh watchers keep in the record: a condition's start and end read back as one span with
// its duration, and watchers of two sites sharing one database (SQLite, or a PostgreSQL server)
// never see nor forget each other's rows.

#include <gtest/gtest.h>

#include "PostgresServer.h"
#include "TempFolder.h"
#include "WatchHistory.h"

namespace {

using record::HistoryEvent;
using record::HistoryFilter;

constexpr std::int64_t kWatchMorning = 1'796'000'000'000;  // UTC ms

// "kind phase node seconds-in", at site hall-1 unless the word after is a site.
HistoryEvent watchEvent(const std::string& kind, const std::string& phase,
                        std::optional<std::uint16_t> node, int secondsIn,
                        const std::string& site = "hall-1", const std::string& port = "COM204") {
    HistoryEvent event;
    event.site = site;
    event.utcMs = kWatchMorning + secondsIn * 1000LL;
    event.time = std::to_string(secondsIn);
    event.kind = kind;
    event.phase = phase;
    event.port = port;
    event.node = node;
    event.text = kind + " " + phase;
    return event;
}

struct SpanCase {
    std::string name;
    std::vector<HistoryEvent> events;
    // Each span as "start-end:duration", "-" where there is none.
    std::vector<std::string> spans;
};

std::string spanWords(const record::HistorySpan& span) {
    const auto duration = span.durationMs();
    return (span.start ? span.start->time : "-") + "-" + (span.end ? span.end->time : "-") + ":" +
           (duration ? std::to_string(*duration) : "-");
}

class HistorySpans : public testing::TestWithParam<SpanCase> {};

TEST_P(HistorySpans, PairEachStartWithItsEnd) {
    std::vector<std::string> spans;
    for (const auto& span : record::historySpans(GetParam().events))
        spans.push_back(spanWords(span));
    EXPECT_EQ(spans, GetParam().spans);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HistorySpans,
    testing::Values(
        SpanCase{"down_and_back",
                 {watchEvent("node_down", "start", 5, 10), watchEvent("node_down", "end", 5, 135)},
                 {"10-135:125000"}},
        SpanCase{"still_down", {watchEvent("node_down", "start", 5, 10)}, {"10--:-"}},
        SpanCase{"begun_before_asked", {watchEvent("node_down", "end", 5, 40)}, {"--40:-"}},
        SpanCase{"a_change_alone", {watchEvent("route_changed", "once", 1, 3)}, {"3--:-"}},
        // Two nodes down at once end each their own.
        SpanCase{"interleaved",
                 {watchEvent("node_down", "start", 5, 1), watchEvent("node_down", "start", 6, 2),
                  watchEvent("node_down", "end", 6, 4), watchEvent("node_down", "end", 5, 9)},
                 {"1-9:8000", "2-4:2000"}},
        // A node's end may come through another port than its start.
        SpanCase{"node_through_another_port",
                 {watchEvent("node_down", "start", 5, 1),
                  watchEvent("node_down", "end", 5, 3, "hall-1", "COM200")},
                 {"1-3:2000"}},
        SpanCase{"sites_apart",
                 {watchEvent("node_down", "start", 5, 1),
                  watchEvent("node_down", "end", 5, 2, "hall-2")},
                 {"1--:-", "--2:-"}},
        // The watcher stopped while it lasted: the first start keeps no end.
        SpanCase{"start_again_unended",
                 {watchEvent("node_down", "start", 5, 1), watchEvent("node_down", "start", 5, 5),
                  watchEvent("node_down", "end", 5, 7)},
                 {"1--:-", "5-7:2000"}},
        SpanCase{"ports_by_port",
                 {watchEvent("port_lost", "start", std::nullopt, 1, "hall-1", "COM200"),
                  watchEvent("port_lost", "start", std::nullopt, 2, "hall-1", "COM201"),
                  watchEvent("port_lost", "end", std::nullopt, 6, "hall-1", "COM200")},
                 {"1-6:5000", "2--:-"}}),
    [](const auto& info) { return info.param.name; });

// Two watchers of two sites on one database: each reads and forgets only its own.
void twoSitesApart(const std::string& url) {
    record::WatchHistory one(url, record::Connection::Access::kWrite);
    record::WatchHistory two(url, record::Connection::Access::kWrite);
    one.store({watchEvent("node_down", "start", 5, 10), watchEvent("node_down", "end", 5, 135)},
              {{"hall-1", kWatchMorning, "node_up", 5, std::nullopt, 0}});
    two.store({watchEvent("node_down", "start", 5, 20, "hall-2"),
               watchEvent("node_down", "start", 7, 5000, "hall-2")},
              {});
    record::WatchHistory reader(url, record::Connection::Access::kRead);
    const auto hallOne = reader.events({.site = "hall-1"});
    ASSERT_EQ(hallOne.size(), 2u);
    const auto spans = record::historySpans(hallOne);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].durationMs(), 125'000);
    EXPECT_EQ(reader.events({.node = 5}).size(), 3u);
    EXPECT_EQ(reader.events({.sinceUtcMs = kWatchMorning + 100'000}).size(), 2u);
    // Forgetting hall-1's rows before the end leaves hall-2's older ones.
    EXPECT_EQ(one.forget("hall-1", kWatchMorning + 200'000), 3);
    EXPECT_TRUE(reader.events({.site = "hall-1"}).empty());
    EXPECT_EQ(reader.events({}).size(), 2u);
}

TEST(WatchHistorySites, SqliteKeepsThemApart) {
    TempFolder folder;
    twoSitesApart("sqlite://" + (folder.path() / "watch.db").string());
}

TEST(WatchHistorySites, PostgresKeepsThemApart) {
    if (!PostgresServer::available()) GTEST_SKIP() << "PostgreSQL 15 is not installed";
    PostgresServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(server.createDatabase("watch"));
    twoSitesApart(server.url("watch"));
}

}  // namespace

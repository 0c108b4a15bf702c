#include "HistorySink.h"

#include "EventText.h"
#include "RecordError.h"
#include "WatchNote.h"
#include "WeakLinks.h"

namespace watch {

namespace {

constexpr std::chrono::seconds kHistoryRetry{10};
constexpr std::chrono::hours kHistoryForgetEvery{1};

std::int64_t utcMsOf(WallTime time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

}  // namespace

record::HistoryEvent historyEvent(const Event& event, const std::string& site) {
    return {site,
            timeText(event.time),
            utcMsOf(event.time),
            std::string(eventKindName(event.kind)),
            std::string(eventPhaseName(event.phase)),
            event.port,
            event.node,
            event.peer,
            event.oldValue,
            event.newValue,
            event.text};
}

std::vector<record::HistorySample> historySamples(const WatchState& state) {
    const std::int64_t at = utcMsOf(state.surveyedAt);
    std::vector<record::HistorySample> samples;
    const auto add = [&](std::string_view figure, std::optional<std::uint16_t> node,
                         std::optional<std::uint16_t> peer, std::int64_t value) {
        samples.push_back({state.site, at, std::string(figure), node, peer, value});
    };
    add("survey_duration_ms", std::nullopt, std::nullopt,
        std::chrono::duration_cast<std::chrono::milliseconds>(state.surveyDuration).count());
    for (const auto& [node, nodeState] : state.nodes)
        add("node_up", node, std::nullopt, nodeState.up);
    if (state.mesh)
        for (const auto& [link, value] : linkValuesOf(state.mesh->graph))
            add("link_value", link.first, link.second, value);
    for (const RouteHops& route : state.routeHops)
        add("route_hops", route.node, route.target, route.hops);
    return samples;
}

HistorySink::HistorySink(const std::string& url, std::string site, std::chrono::seconds keep)
    : m_history(url, record::Connection::Access::kWrite),
      m_site(std::move(site)),
      m_keep(keep),
      m_thread([this] { run(); }) {}

HistorySink::~HistorySink() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_woken.notify_all();
    m_thread.join();
}

void HistorySink::said(const Event& event) {
    {
        std::lock_guard lock(m_lock);
        m_events.push_back(historyEvent(event, m_site));
        drop();
    }
    m_woken.notify_all();
}

void HistorySink::changed(const std::shared_ptr<const WatchState>& state) {
    if (state->surveys == m_surveysKept) return;
    m_surveysKept = state->surveys;
    std::vector<record::HistorySample> samples = historySamples(*state);
    {
        std::lock_guard lock(m_lock);
        m_samples.insert(m_samples.end(), samples.begin(), samples.end());
        drop();
    }
    m_woken.notify_all();
}

// The samples go first: the events are what the history is asked about.
void HistorySink::drop() {
    while (m_events.size() + m_samples.size() > kMostWaiting) {
        if (!m_samples.empty())
            m_samples.pop_front();
        else
            m_events.pop_front();
        ++m_dropped;
    }
}

void HistorySink::wait(std::chrono::seconds span) {
    std::unique_lock lock(m_lock);
    m_woken.wait_for(lock, span, [this] { return m_stopping; });
}

void HistorySink::forgetOld() {
    const auto before = utcMsOf(WallClock::now() - m_keep);
    m_history.forget(m_site, before);
}

void HistorySink::write() {
    std::vector<record::HistoryEvent> events;
    std::vector<record::HistorySample> samples;
    {
        std::lock_guard lock(m_lock);
        events.assign(m_events.begin(), m_events.end());
        samples.assign(m_samples.begin(), m_samples.end());
    }
    if (events.empty() && samples.empty()) return;
    m_history.store(events, samples);
    std::lock_guard lock(m_lock);
    // Only the rows written leave; those that came meanwhile stay, and so do those a drop made
    // room for, which were newer.
    m_events.erase(m_events.begin(), m_events.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                            events.size(), m_events.size())));
    m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                               samples.size(), m_samples.size())));
}

void HistorySink::run() {
    auto nextForget = std::chrono::steady_clock::now();
    bool away = false;
    std::uint64_t droppedBefore = 0;
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock lock(m_lock);
            m_woken.wait(lock,
                         [this] { return m_stopping || !m_events.empty() || !m_samples.empty(); });
            stopping = m_stopping;
            if (!away) droppedBefore = m_dropped;
        }
        try {
            if (std::chrono::steady_clock::now() >= nextForget) {
                forgetOld();
                nextForget = std::chrono::steady_clock::now() + kHistoryForgetEvery;
            }
            write();
            if (away) {
                std::uint64_t dropped = 0;
                {
                    std::lock_guard lock(m_lock);
                    dropped = m_dropped - droppedBefore;
                }
                watchNote("the history is kept again in " + m_history.place() +
                          (dropped ? "; " + std::to_string(dropped) + " rows were dropped" : ""));
            }
            away = false;
        } catch (const record::RecordError& error) {
            if (!away)
                watchNote("the history cannot be kept in " + m_history.place() + ": " +
                          error.what() + "; tried again every " +
                          std::to_string(kHistoryRetry.count()) + " s, rows wait for it");
            away = true;
            if (stopping) return;
            wait(kHistoryRetry);
            continue;
        }
        if (stopping) return;
    }
}

}  // namespace watch

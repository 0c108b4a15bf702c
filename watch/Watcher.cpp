#include "Watcher.h"

#include <poll.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "GivenPorts.h"
#include "Interrupt.h"
#include "PluggedUnits.h"
#include "PortDirectory.h"
#include "PortNames.h"
#include "RecordError.h"
#include "RecordUrl.h"
#include "WatchNote.h"

namespace watch {

namespace {

// What the heard times of a notice flood may wait before the metrics show them.
constexpr std::chrono::seconds kHeardPublishPause{1};

// A survey asks each module three times, each reply waited for up to the time-out; a port still
// opening gets a few seconds more.
std::chrono::milliseconds roundAllowance(const modlink::CommonOptions& link) {
    return std::chrono::milliseconds(3 * link.timeoutMs) + std::chrono::seconds(5);
}

bool sameLine(const modlink::CommonOptions& a, const modlink::CommonOptions& b) {
    return a.baud == b.baud && a.parity == b.parity && a.timeoutMs == b.timeoutMs;
}

}  // namespace

Watcher::Watcher(WatchSettings settings, std::function<WatchSettings()> reread,
                 std::unique_ptr<MetricsServer> metrics)
    : m_settings(std::move(settings)),
      m_reread(std::move(reread)),
      m_watch(m_settings.rules),
      m_metrics(std::move(metrics)),
      m_broker(brokerLink(m_settings)),
      m_history(historySink(m_settings)) {
    if (const auto period = m_service.watchdogPeriod()) m_watchdog = *period;
}

Watcher::~Watcher() = default;

std::unique_ptr<BrokerLink> Watcher::brokerLink(const WatchSettings& settings) {
    if (!settings.broker) return nullptr;
    return std::make_unique<BrokerLink>(*settings.broker, settings.site,
                                        [this] { m_inbox.brokerChanged(); });
}

std::unique_ptr<HistorySink> Watcher::historySink(const WatchSettings& settings) {
    if (!settings.history) return nullptr;
    try {
        const record::RecordUrl url = record::parseRecordUrl(*settings.history);
        if (url.engine == record::RecordUrl::Engine::kSqlite) {
            std::error_code ignored;  // a folder that cannot be made shows when the file is
            std::filesystem::create_directories(std::filesystem::path(url.path).parent_path(),
                                                ignored);
        }
        return std::make_unique<HistorySink>(*settings.history, settings.site,
                                             settings.historyKeep);
    } catch (const record::RecordError& error) {
        throw modlink::Failure(modlink::kExitUsage, error.what());
    }
}

std::vector<WatchSink*> Watcher::sinks() {
    std::vector<WatchSink*> all;
    for (const auto& sink : m_sinks) all.push_back(sink.get());
    all.push_back(&m_service);
    if (m_broker) all.push_back(m_broker.get());
    if (m_history) all.push_back(m_history.get());
    if (m_metrics) all.push_back(m_metrics.get());
    return all;
}

void Watcher::watchPort(const ports::PortTarget& port, bool named) {
    m_watch.watching(port.name, WallClock::now());
    m_ports.push_back({std::make_unique<PortWatch>(port, m_settings.link, m_inbox), named});
    for (const Probe& probe : m_probes)
        if (probe.setting.to == port.name) m_ports.back().watch->keepNotices(true);
}

PortWatch* Watcher::portWatch(const std::string& port) {
    for (const Watched& watched : m_ports)
        if (watched.watch->port() == port) return watched.watch.get();
    return nullptr;
}

// Figures of a probe kept under the same settings go on counting.
void Watcher::setProbes(const std::vector<ProbeSetting>& settings) {
    std::vector<Probe> probes;
    for (const ProbeSetting& setting : settings) {
        const auto kept = std::ranges::find_if(
            m_probes, [&](const Probe& probe) { return probe.setting == setting; });
        probes.push_back(kept != m_probes.end()
                             ? Probe{setting, kept->figures, std::nullopt, 0}
                             : Probe{setting, {setting.from, setting.to, 0, 0, {}, 0}, {}, 0});
    }
    m_probes = std::move(probes);
    for (const Watched& watched : m_ports)
        watched.watch->keepNotices(std::ranges::any_of(m_probes, [&](const Probe& probe) {
            return probe.setting.to == watched.watch->port();
        }));
}

// A probe starts once the survey knows its target's node id, and starts again when that
// changes, between two sends.
void Watcher::startProbes(const mesh::Mesh& mesh) {
    const auto nodeOn = [&](const std::string& port) -> std::optional<std::uint16_t> {
        for (const mesh::Module& module : mesh::modulesOf(mesh.survey))
            if (mesh.survey[module.index].port == port) return module.id;
        return std::nullopt;
    };
    for (Probe& probe : m_probes) {
        const auto to = nodeOn(probe.setting.to);
        if (!to || (probe.run && probe.run->toNode() == *to) || probe.writesAwaited) continue;
        probe.run.emplace(probe.setting, nodeOn(probe.setting.from).value_or(0), *to, Clock::now());
    }
    driveProbes();
}

void Watcher::driveProbes() {
    const auto now = Clock::now();
    for (std::size_t index = 0; index < m_probes.size(); ++index) {
        Probe& probe = m_probes[index];
        if (!probe.run) continue;
        for (proto::SendDataRequest& send : probe.run->due(now)) {
            ++probe.writesAwaited;
            if (PortWatch* sender = portWatch(probe.setting.from))
                sender->probe(index, std::move(send));
            else
                m_inbox.probeWritten(index, std::nullopt);
        }
        for (const ProbeFate& fate : probe.run->advance(now)) {
            countFate(probe.figures, fate);
            say(m_watch.probed({probe.setting.from, probe.setting.to}, fate.delivered,
                               WallClock::now()));
            m_publishDue = true;
        }
    }
}

void Watcher::adoptAliases() {
    const std::string problem = ports::aliasDirectoryProblem();
    if (problem != m_aliasProblemSaid && !problem.empty())
        watchNote(problem + ": no alias is watched");
    m_aliasProblemSaid = problem;
    if (!problem.empty()) return;
    std::vector<std::string> names;
    for (const Watched& watched : m_ports) names.push_back(watched.watch->port());
    const ports::PortDirectory directory;
    for (const station::PluggedUnit& alias : station::pluggedAliases()) {
        if (std::ranges::find(names, alias.port) != names.end()) continue;
        names.push_back(alias.port);
        // An alias of a port watched under another name is that port.
        if (!ports::repeatedPort(names, directory).empty()) {
            names.pop_back();
            continue;
        }
        watchPort(directory.resolve(alias.port), false);
    }
}

void Watcher::startRound(Clock::time_point now) {
    if (m_settings.aliases) adoptAliases();
    Round round{++m_rounds, now, now + roundAllowance(m_settings.link), {}, {}};
    for (const Watched& watched : m_ports) {
        round.ports.push_back(watched.watch->port());
        watched.watch->survey(round.number);
    }
    m_round = std::move(round);
    m_lastRoundStart = now;
    while (m_nextSurvey <= now) m_nextSurvey += m_settings.interval;
    if (m_round->ports.empty()) endRound();
}

void Watcher::endRound() {
    mesh::Survey survey;
    for (const std::string& port : m_round->ports) {
        auto read = m_round->read.find(port);
        if (read != m_round->read.end())
            survey.push_back(std::move(read->second));
        else
            survey.push_back({port, mesh::PortFailure{mesh::PortFailureKind::NoReply,
                                                      "not read within the survey's time"}});
    }
    auto mesh = std::make_shared<const mesh::Mesh>(mesh::assessMesh(std::move(survey)));
    m_surveyDuration = Clock::now() - m_round->started;
    m_round.reset();
    m_routeHops = routeHopsOf(*mesh);
    m_surveyedAt = WallClock::now();
    ++m_surveys;
    say(m_watch.surveyed(mesh, m_surveyedAt));
    startProbes(*mesh);
    publish();
}

// A port let go is no longer watched, nor waited for by the survey under way.
void Watcher::forget(const std::string& port) {
    m_watch.forget(port);
    if (!m_round) return;
    std::erase(m_round->ports, port);
    m_round->read.erase(port);
}

void Watcher::take(WatchNews news) {
    m_publishDue = m_publishDue || news.brokerChanged;
    for (const PortChange& change : news.ports) {
        say(change.open ? m_watch.portOpened(change.port, change.time)
                        : m_watch.portFailed(change.port, change.reason, change.time));
        m_publishDue = true;
    }
    for (const auto& [node, heard] : news.heard) {
        say(m_watch.heard(node, heard.port, heard.time));
        m_publishDue = true;
    }
    for (const ProbeWrite& write : news.probeWrites) {
        if (write.probe >= m_probes.size()) continue;  // of probes let go since
        Probe& probe = m_probes[write.probe];
        if (probe.writesAwaited) --probe.writesAwaited;
        if (!probe.run) continue;
        if (write.onWire)
            probe.run->written(*write.onWire);
        else
            probe.run->unwritten();
    }
    for (const PortNotice& notice : news.notices)
        for (Probe& probe : m_probes)
            if (probe.run && probe.setting.to == notice.port)
                probe.run->noticed(notice.notice, notice.at);
    for (ModuleRead& read : news.reads) {
        if (!m_round || read.round != m_round->number) continue;
        const std::string port = read.module.port;
        m_round->read.insert_or_assign(port, std::move(read.module));
        if (m_round->read.size() == m_round->ports.size()) endRound();
    }
}

void Watcher::say(const std::vector<Event>& events) {
    for (const Event& event : events) {
        if (beginsSomething(event)) ++m_eventsBegun[static_cast<std::size_t>(event.kind)];
        for (WatchSink* sink : sinks()) sink->said(event);
    }
    // The state an event tells of is shown at once.
    if (!events.empty()) m_nextPublish = Clock::now();
}

void Watcher::publish() {
    auto state = std::make_shared<WatchState>();
    state->site = m_settings.site;
    state->interval = m_settings.interval;
    state->started = m_started;
    state->mesh = m_watch.lastMesh();
    state->surveyedAt = m_surveyedAt;
    state->surveyDuration = m_surveyDuration;
    state->surveys = m_surveys;
    state->routeHops = m_routeHops;
    state->nodes = m_watch.nodes();
    state->ports = m_watch.ports();
    state->eventsBegun = m_eventsBegun;
    if (m_broker) state->broker = m_broker->figures();
    for (const Probe& probe : m_probes) state->probes.push_back(probe.figures);
    const std::shared_ptr<const WatchState> shared = std::move(state);
    for (WatchSink* sink : sinks()) sink->changed(shared);
    m_publishDue = false;
    m_nextPublish = Clock::now() + kHeardPublishPause;
}

void Watcher::apply(WatchSettings next) {
    // What can fail first, so that a refusal leaves everything as it was.
    const ports::PortDirectory directory;  // the reread's one look at the names
    if (const std::string problem = ports::repeatedPort(next.ports, directory); !problem.empty())
        throw modlink::Failure(modlink::kExitUsage, problem);
    if (next.metrics != m_settings.metrics) {
        // Listened on beside the old address, which is let go only once the new one is had.
        std::unique_ptr<MetricsServer> server;
        std::string problem;
        if (next.metrics && !(server = MetricsServer::listen(*next.metrics, problem)))
            throw modlink::Failure(modlink::kExitPort, problem);
        m_metrics = std::move(server);
    }
    if (next.broker != m_settings.broker || (next.broker && next.site != m_settings.site)) {
        // The old link says "offline" and gives the broker what waits before the new one starts.
        m_broker.reset();
        m_broker = brokerLink(next);
    }
    if (next.history != m_settings.history || next.historyKeep != m_settings.historyKeep ||
        (next.history && next.site != m_settings.site)) {
        m_history.reset();
        m_history = historySink(next);
    }
    const bool lineChanged = !sameLine(next.link, m_settings.link);
    std::erase_if(m_ports, [&](const Watched& watched) {
        const std::string& port = watched.watch->port();
        const bool kept =
            !lineChanged && (std::ranges::find(next.ports, port) != next.ports.end() ||
                             (!watched.named && next.aliases));
        if (!kept) forget(port);
        return !kept;
    });
    if (next.probes != m_settings.probes) setProbes(next.probes);
    m_settings = std::move(next);
    for (const std::string& port : m_settings.ports)
        if (std::ranges::none_of(m_ports,
                                 [&](const Watched& w) { return w.watch->port() == port; }))
            watchPort(directory.resolve(port), true);
    if (m_settings.aliases) adoptAliases();
    m_watch.setRules(m_settings.rules);
    m_nextSurvey = std::min(m_nextSurvey, m_lastRoundStart + m_settings.interval);
    if (m_round && m_round->read.size() == m_round->ports.size()) endRound();
    publish();
}

void Watcher::reread() {
    m_service.reloading();
    try {
        apply(m_reread());
        watchNote("settings read again");
    } catch (const modlink::Failure& failure) {
        watchNote(std::string(failure.what()) + "; the settings in force are kept");
    }
    m_service.ready();
}

Watcher::Clock::time_point Watcher::nextWake() const {
    Clock::time_point wake = m_round ? m_round->deadline : m_nextSurvey;
    if (m_watchdog) wake = std::min(wake, m_nextPing);
    if (m_publishDue) wake = std::min(wake, m_nextPublish);
    for (const Probe& probe : m_probes)
        if (const auto due = probe.run ? probe.run->nextWake() : std::nullopt)
            wake = std::min(wake, *due);
    return wake;
}

void Watcher::run(WatchSignals& signals) {
    setProbes(m_settings.probes);
    const ports::PortDirectory directory;  // the start's one look at the names
    for (const std::string& port : m_settings.ports) watchPort(directory.resolve(port), true);
    if (m_settings.aliases) adoptAliases();
    publish();
    m_service.ready();
    for (;;) {
        const auto now = Clock::now();
        if (!m_round && now >= m_nextSurvey) startRound(now);
        if (m_round && now >= m_round->deadline) endRound();
        if (m_watchdog && now >= m_nextPing) {
            m_service.pingWatchdog();
            m_nextPing = now + *m_watchdog;
        }
        driveProbes();
        if (m_publishDue && now >= m_nextPublish) publish();

        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextWake() - Clock::now());
        pollfd waiting[] = {{signals.fd(), POLLIN, 0}, {m_inbox.fd(), POLLIN, 0}};
        ::poll(waiting, 2, static_cast<int>(std::clamp<long long>(wait.count(), 0, 60'000)));
        if (waiting[0].revents & POLLIN) {
            const WatchSignal signal = signals.take();
            if (signal == WatchSignal::End) break;
            if (signal == WatchSignal::Reread) reread();
        }
        if (waiting[1].revents & POLLIN) take(m_inbox.take());
    }
    m_service.stopping();
    // Every session's wait ends at its next look, as for Ctrl+C in the command line.
    modlink::noteInterrupt(SIGINT);
    for (Watched& watched : m_ports) watched.watch.reset();
    m_ports.clear();
}

}  // namespace watch

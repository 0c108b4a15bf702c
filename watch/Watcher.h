#pragma once
// The watcher's loop, on the main thread: it keeps one PortWatch per port, starts a survey every
// interval (each port reads its module at once, on its own thread), takes the sources' news as it
// comes, has MeshWatch decide the events, and hands each event and the state after each change to
// its sinks. Signals come in the same loop: SIGHUP reads the settings again (a broken file is said
// and the settings in force are kept), Ctrl+C and SIGTERM end it within a wait's poll.
//
// Sources tell it through PortNews; sinks are WatchSink. The broker and the history are sinks the
// watcher keeps (their settings change on SIGHUP); others plug in with addSink; probes are a source
// of the fate of each send (MeshWatch::probed).

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BrokerLink.h"
#include "HistorySink.h"
#include "MeshWatch.h"
#include "MetricsServer.h"
#include "PortWatch.h"
#include "ServiceManager.h"
#include "WatchInbox.h"
#include "WatchSettings.h"
#include "WatchSignals.h"

namespace watch {

inline constexpr std::string_view kWatchProgram = "meshcfg-watch";

class Watcher {
  public:
    // reread gives the settings as they read now, or a Failure that says why they cannot.
    Watcher(WatchSettings settings, std::function<WatchSettings()> reread,
            std::unique_ptr<MetricsServer> metrics);
    ~Watcher();

    void addSink(std::unique_ptr<WatchSink> sink) { m_sinks.push_back(std::move(sink)); }

    // Until Ctrl+C or SIGTERM.
    void run(WatchSignals& signals);

  private:
    using Clock = std::chrono::steady_clock;
    struct Watched {
        std::unique_ptr<PortWatch> watch;
        bool named = false;  // else found in the alias folder
    };
    struct Probe {
        ProbeSetting setting;
        ProbeFigures figures;
        std::optional<ProbeRun> run;  // once the target's node id is known
        std::size_t writesAwaited = 0;
    };
    struct Round {
        std::uint64_t number = 0;
        Clock::time_point started;
        Clock::time_point deadline;
        std::vector<std::string> ports;
        std::map<std::string, mesh::SurveyedPort> read;
    };

    void watchPort(const ports::PortTarget& port, bool named);
    void adoptAliases();
    void startRound(Clock::time_point now);
    void endRound();
    void forget(const std::string& port);
    void take(WatchNews news);
    void setProbes(const std::vector<ProbeSetting>& settings);
    void startProbes(const mesh::Mesh& mesh);
    void driveProbes();
    PortWatch* portWatch(const std::string& port);
    void say(const std::vector<Event>& events);
    void publish();
    void reread();
    void apply(WatchSettings next);
    Clock::time_point nextWake() const;
    std::unique_ptr<BrokerLink> brokerLink(const WatchSettings& settings);
    static std::unique_ptr<HistorySink> historySink(const WatchSettings& settings);
    std::vector<WatchSink*> sinks();

    WatchSettings m_settings;
    const std::function<WatchSettings()> m_reread;
    MeshWatch m_watch;
    WatchInbox m_inbox;
    ServiceManager m_service;
    std::unique_ptr<MetricsServer> m_metrics;
    std::vector<std::unique_ptr<WatchSink>> m_sinks;
    std::unique_ptr<BrokerLink> m_broker;  // after m_inbox, which it tells
    std::unique_ptr<HistorySink> m_history;
    WallTime m_started = WallClock::now();
    std::array<std::uint64_t, kEventKinds> m_eventsBegun{};
    std::uint64_t m_surveys = 0;
    WallTime m_surveyedAt{};
    std::chrono::duration<double> m_surveyDuration{};
    std::vector<RouteHops> m_routeHops;
    std::optional<Round> m_round;
    std::uint64_t m_rounds = 0;
    Clock::time_point m_nextSurvey = Clock::now();
    Clock::time_point m_lastRoundStart = Clock::now();
    std::optional<Clock::duration> m_watchdog;
    Clock::time_point m_nextPing = Clock::now();
    bool m_publishDue = false;
    Clock::time_point m_nextPublish = Clock::now();
    std::string m_aliasProblemSaid;
    std::vector<Probe> m_probes;
    std::vector<Watched> m_ports;  // last: their threads tell m_inbox until they end
};

}  // namespace watch

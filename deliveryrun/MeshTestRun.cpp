#include "MeshTestRun.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <variant>

#include "SetupExchange.h"

namespace deliveryrun {

namespace {

using Clock = delivery::Clock;

// A port thread waits for frames this long at most: a request handed to it, or the end of the
// run, cuts the wait short.
constexpr std::chrono::seconds kFrameWait{1};
// After Ctrl+C, how often a port thread looks whether the run has ended it.
constexpr std::chrono::milliseconds kPortPoll{5};
constexpr std::chrono::milliseconds kReopenEvery{500};

}  // namespace

// What the port threads tell the run, oldest first.
struct MeshTestInbox {
    struct Written {
        std::size_t port = 0;
        std::size_t pair = 0;
        // Its number in the port's link test and when the line carried it; nothing: the
        // request did not go out whole.
        std::optional<modlink::ModuleLink::Posted> posted{};
    };
    struct Noticed {
        std::size_t port = 0;
        proto::ReadFrame frame{};
    };
    // A confirmation the port's link test took for one of its sends.
    struct Confirmed {
        std::size_t port = 0;
        engine::LinkTrial::Answer answer{};
        Clock::time_point at{};
    };
    struct Lost {
        std::size_t port = 0;
        std::string why{};
    };
    struct Back {
        std::size_t port = 0;
    };
    using Report = std::variant<Written, Noticed, Confirmed, Lost, Back>;

    void put(Report report) {
        {
            std::lock_guard lock(m_lock);
            m_reports.push_back(std::move(report));
        }
        m_wake.notify_one();
    }

    std::deque<Report> take(Clock::time_point until) {
        std::unique_lock lock(m_lock);
        m_wake.wait_until(lock, until, [this] { return !m_reports.empty(); });
        std::deque<Report> reports;
        reports.swap(m_reports);
        return reports;
    }

  private:
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Report> m_reports;
};

// One port, its engine and the thread that alone uses it once the run starts.
class MeshTestPort {
  public:
    MeshTestPort(std::size_t index, const ports::PortTarget& port,
                 const modlink::CommonOptions& common, std::shared_ptr<MeshTestInbox> inbox)
        : m_index(index), m_options(common), m_session(m_options, port), m_inbox(std::move(inbox)) {
        m_session.onNotice([](const proto::ReadFrame&) {});  // other traffic: not this read's
    }

    ~MeshTestPort() {
        if (m_thread.joinable()) {
            m_thread.request_stop();
            m_wake.notify_all();
            m_session.link().cutFrameWait();
        }
    }

    std::uint16_t readNode() { return modlink::readSetupValues(m_session).nodeId; }

    // Sends wait for their confirmations as long as the run's time-out.
    void start(Clock::duration timeout) {
        m_timeout = timeout;
        m_session.link().startLinkTest();
        m_thread = std::jthread([this](std::stop_token stop) { serve(stop); });
    }

    void post(std::size_t pair, proto::SendDataRequest request) {
        {
            std::lock_guard lock(m_lock);
            m_requests.push_back({pair, std::move(request)});
        }
        m_wake.notify_one();
        m_session.link().cutFrameWait();
    }

  private:
    struct Request {
        std::size_t pair = 0;
        proto::SendDataRequest send{};
    };

    std::optional<Request> takeRequest() {
        std::lock_guard lock(m_lock);
        if (m_requests.empty()) return std::nullopt;
        Request request = std::move(m_requests.front());
        m_requests.pop_front();
        return request;
    }

    // False once stop is asked for.
    bool pause(const std::stop_token& stop, std::chrono::milliseconds time) {
        std::unique_lock lock(m_lock);
        m_wake.wait_for(lock, time, [&] { return stop.stop_requested(); });
        return !stop.stop_requested();
    }

    void serve(const std::stop_token& stop) {
        modlink::ModuleLink& link = m_session.link();
        bool away = false;
        while (!stop.stop_requested()) {
            if (away) {
                if (!pause(stop, kReopenEvery) || !m_session.reopen()) continue;
                away = false;
                m_inbox->put(MeshTestInbox::Back{m_index});
                continue;
            }
            modlink::ModuleLink::WaitEnd end = modlink::ModuleLink::WaitEnd::kTimeOut;
            if (std::optional<Request> request = takeRequest()) {
                modlink::ModuleLink::Posted posted;
                end = link.post(request->send, m_timeout, posted);
                m_inbox->put(MeshTestInbox::Written{m_index, request->pair,
                                                    end == modlink::ModuleLink::WaitEnd::kArrived
                                                        ? std::optional(posted)
                                                        : std::nullopt});
            } else {
                modlink::ModuleLink::News news;
                end = link.awaitNews(Clock::now() + kFrameWait, news);
                if (end == modlink::ModuleLink::WaitEnd::kArrived) tell(std::move(news));
            }
            if (end == modlink::ModuleLink::WaitEnd::kLost) {
                away = true;
                m_inbox->put(MeshTestInbox::Lost{m_index, link.lostReason()});
            } else if (end == modlink::ModuleLink::WaitEnd::kInterrupted) {
                pause(stop, kPortPoll);  // Ctrl+C: the run ends this thread
            }
        }
    }

    // Notices and the confirmations of this port's sends go to the run; the rest is nobody's.
    void tell(modlink::ModuleLink::News news) {
        if (auto* frame = std::get_if<proto::ReadFrame>(&news); frame && frame->unsolicited)
            m_inbox->put(MeshTestInbox::Noticed{m_index, std::move(*frame)});
        else if (const auto* counted = std::get_if<modlink::ModuleLink::SendAnswer>(&news))
            m_inbox->put(
                MeshTestInbox::Confirmed{m_index, counted->answer, counted->frame.arrived});
    }

    const std::size_t m_index;
    const modlink::CommonOptions m_options;  // before the session, which keeps a reference
    modlink::Session m_session;
    std::shared_ptr<MeshTestInbox> m_inbox;
    Clock::duration m_timeout{};
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Request> m_requests;  // under m_lock
    std::jthread m_thread;           // last: it ends before what it uses
};

MeshTestRun::MeshTestRun(const std::vector<ports::PortTarget>& ports,
                         const modlink::CommonOptions& common)
    : m_line{common.baud, common.parity}, m_inbox(std::make_shared<MeshTestInbox>()) {
    std::vector<std::future<std::unique_ptr<MeshTestPort>>> opening;
    for (std::size_t i = 0; i < ports.size(); ++i)
        opening.push_back(std::async(std::launch::async, [&, i] {
            return std::make_unique<MeshTestPort>(i, ports[i], common, m_inbox);
        }));
    std::vector<std::future<std::uint16_t>> reading;
    for (auto& opened : opening) m_links.push_back(opened.get());
    for (auto& link : m_links)
        reading.push_back(std::async(std::launch::async, [&link] { return link->readNode(); }));
    for (std::size_t i = 0; i < ports.size(); ++i)
        m_ports.push_back({ports[i].name, reading[i].get()});
}

MeshTestRun::~MeshTestRun() = default;

namespace {

// The run's state on the caller's thread.
class RunState {
  public:
    RunState(delivery::Plan plan, Clock::duration patience)
        : m_run(std::move(plan), Clock::now()),
          m_patience(patience),
          m_awaySince(m_run.plan().ports.size()) {}

    delivery::DeliveryRun& run() { return m_run; }
    bool writing() const { return m_unwritten > 0; }
    void posted() { ++m_unwritten; }

    void take(const MeshTestInbox::Report& report, MeshTestRun::Watcher& watcher) {
        delivery::Matcher& matcher = m_run.matcher();
        if (const auto* written = std::get_if<MeshTestInbox::Written>(&report)) {
            --m_unwritten;
            if (written->posted)
                matcher.sent(written->pair, written->posted->written, written->posted->send);
            else
                matcher.unwritten(written->pair);
        } else if (const auto* noticed = std::get_if<MeshTestInbox::Noticed>(&report)) {
            matcher.noticed(noticed->port, noticed->frame.bytes, noticed->frame.arrived);
        } else if (const auto* confirmed = std::get_if<MeshTestInbox::Confirmed>(&report)) {
            if (confirmed->answer.send > 0)
                matcher.confirmed(confirmed->port, confirmed->answer.send, confirmed->answer.status,
                                  confirmed->at);
        } else if (const auto* lost = std::get_if<MeshTestInbox::Lost>(&report)) {
            m_awaySince[lost->port] = Clock::now();
            matcher.portLost(lost->port);
            watcher.portLost(lost->port, lost->why);
        } else if (const auto* back = std::get_if<MeshTestInbox::Back>(&report)) {
            m_awaySince[back->port].reset();
            matcher.portBack(back->port);
            watcher.portBack(back->port);
        }
    }

    std::vector<std::size_t> gone(Clock::time_point now) const {
        std::vector<std::size_t> ports;
        for (std::size_t i = 0; i < m_awaySince.size(); ++i)
            if (m_awaySince[i] && now - *m_awaySince[i] >= m_patience) ports.push_back(i);
        return ports;
    }

    // Every send has its fate, or the pairs that still have sends to make wait for a port gone.
    bool done(Clock::time_point now) const {
        if (m_run.finished(now)) return true;
        if (!m_run.matcher().settled() || !m_run.plan().count) return false;
        const std::vector<std::size_t> away = gone(now);
        const auto isGone = [&](std::size_t port) {
            return std::find(away.begin(), away.end(), port) != away.end();
        };
        const delivery::Summary summary = m_run.matcher().summary();
        for (const delivery::PairSummary& pair : summary.pairs)
            if (pair.sent + pair.leftOut + pair.notSent < *m_run.plan().count &&
                !isGone(pair.from) && !isGone(pair.to))
                return false;
        return true;
    }

  private:
    delivery::DeliveryRun m_run;
    const Clock::duration m_patience;
    std::vector<std::optional<Clock::time_point>> m_awaySince;
    int m_unwritten = 0;
};

}  // namespace

MeshTestRun::Outcome MeshTestRun::run(delivery::Plan plan, Watcher& watcher,
                                      const std::function<bool()>& stop, Clock::duration patience) {
    plan.line = m_line;
    RunState state(std::move(plan), patience);
    delivery::DeliveryRun& run = state.run();
    if (delivery::pacedInterval(run.plan()) > run.plan().interval) watcher.paced(run.plan());
    for (auto& link : m_links) link->start(run.plan().timeout);
    Outcome outcome;
    for (;;) {
        const Clock::time_point now = Clock::now();
        // A send's tag is taken when it is written: no pair is due again before its last send
        // was, so sends wait while any request is on its way.
        if (!state.writing())
            for (delivery::DeliveryRun::Send& send : run.due(now)) {
                m_links[send.ports.from]->post(send.pair, send.request);
                state.posted();
            }
        run.matcher().advance(now - kSettleBehind);
        if (std::vector<delivery::Event> events = run.matcher().takeEvents(); !events.empty())
            watcher.events(events);
        watcher.idle(run.matcher());
        if (stop()) {
            outcome.cutShort = true;
            break;
        }
        if (!state.writing() && state.done(now - kSettleBehind)) break;
        Clock::time_point until = now + kIdleWake;
        if (const auto wake = run.nextWake()) until = std::min(until, *wake + kSettleBehind);
        for (const MeshTestInbox::Report& report : m_inbox->take(until))
            state.take(report, watcher);
    }
    run.matcher().cutShort();
    if (std::vector<delivery::Event> events = run.matcher().takeEvents(); !events.empty())
        watcher.events(events);
    outcome.summary = run.matcher().summary();
    outcome.gone = state.gone(Clock::now());
    return outcome;
}

}  // namespace deliveryrun

#include "PortWatch.h"

#include <algorithm>

#include "Messages.h"
#include "ModuleReading.h"

namespace watch {

namespace {

constexpr std::chrono::seconds kFirstRetry{1};
constexpr std::chrono::seconds kLongestRetry{30};
// A wait for the module's frames ends this often even when nothing cuts it.
constexpr std::chrono::seconds kLongestFrameWait{60};

// The failure's words without the port's name in front: "COM204 lost: the device hung up" and
// "COM204: No such device" give "the device hung up" and "No such device".
std::string reasonOf(const modlink::Failure& failure, const std::string& port) {
    std::string_view what = failure.what();
    if (what.starts_with(port)) {
        what.remove_prefix(port.size());
        for (std::string_view lead : {" lost: ", ": "})
            if (what.starts_with(lead)) what.remove_prefix(lead.size());
    }
    return std::string(what);
}

}  // namespace

PortWatch::PortWatch(const ports::PortTarget& port, const modlink::CommonOptions& link,
                     PortNews& news)
    : m_port(port.name),
      m_firstTarget(port),
      m_link(link),
      m_news(news),
      m_thread([this](std::stop_token stop) { run(stop); }) {}

PortWatch::~PortWatch() {
    m_thread.request_stop();
    wake();
}

void PortWatch::survey(std::uint64_t round) {
    {
        std::lock_guard lock(m_lock);
        m_round = round;
    }
    wake();
}

void PortWatch::wake() {
    std::lock_guard lock(m_lock);
    if (m_session) m_session->link().cutFrameWait();
    m_woken.notify_all();
}

void PortWatch::probe(std::size_t probe, proto::SendDataRequest send) {
    {
        std::lock_guard lock(m_lock);
        if (m_session) {
            m_sends.emplace_back(probe, std::move(send));
            m_session->link().cutFrameWait();
            return;
        }
    }
    m_news.probeWritten(probe, std::nullopt);
}

std::deque<std::pair<std::size_t, proto::SendDataRequest>> PortWatch::takeSends() {
    std::lock_guard lock(m_lock);
    return std::exchange(m_sends, {});
}

// Each send in turn; one the port fails is not written, and neither are those after it.
void PortWatch::writeSends(modlink::Session& session) {
    auto sends = takeSends();
    while (!sends.empty()) {
        std::optional<modlink::ModuleLink::Clock::time_point> onWire;
        try {
            onWire = session.post(sends.front().second).written;
        } catch (...) {
            for (const auto& send : sends) m_news.probeWritten(send.first, std::nullopt);
            throw;
        }
        m_news.probeWritten(sends.front().first, onWire);
        sends.pop_front();
    }
}

std::optional<std::uint64_t> PortWatch::takeRound() {
    std::lock_guard lock(m_lock);
    return std::exchange(m_round, std::nullopt);
}

void PortWatch::setSession(modlink::Session* session) {
    std::lock_guard lock(m_lock);
    m_session = session;
}

void PortWatch::serve(modlink::Session& session, const std::stop_token& stop) {
    session.onNotice([this](const proto::ReadFrame& frame) {
        const auto reply = proto::decodeReply(frame.bytes);
        const auto* notice = reply ? std::get_if<proto::ReceiveNotice>(&*reply) : nullptr;
        if (notice && notice->content) m_news.heard(m_port, notice->content->source);
        if (m_keepNotices) m_news.noticed(m_port, frame.bytes, frame.arrived);
    });
    // News that is not a notice answers nothing the watcher asked: it is let go.
    modlink::ModuleLink::News news;
    while (!stop.stop_requested()) {
        if (const auto round = takeRound()) {
            // A cut meant for a wait before must not cut the survey's first reply short: an
            // empty wait takes it, and the frames that came meanwhile.
            while (session.awaitNews(modlink::ModuleLink::Clock::now(), news) ==
                   modlink::ModuleLink::WaitEnd::kArrived) {
            }
            m_news.moduleRead(*round, survey::readOpenModule(session, m_port, stop));
            continue;
        }
        writeSends(session);
        session.awaitNews(modlink::ModuleLink::Clock::now() + kLongestFrameWait, news);
    }
}

bool PortWatch::waitToRetry(std::chrono::seconds pause, const std::stop_token& stop) {
    std::unique_lock lock(m_lock);
    m_woken.wait_for(lock, stop, pause, [this] { return m_round.has_value(); });
    return !stop.stop_requested();
}

void PortWatch::run(std::stop_token stop) {
    auto pause = kFirstRetry;
    ports::PortTarget target = m_firstTarget;
    while (!stop.stop_requested()) {
        std::string reason;
        try {
            modlink::Session session(m_link, target);
            // Shown to wake() while it is open, and no longer once it goes.
            struct Shown {
                PortWatch& watch;
                ~Shown() { watch.setSession(nullptr); }
            } shown{*this};
            setSession(&session);
            m_news.portOpened(m_port);
            pause = kFirstRetry;
            serve(session, stop);
            return;
        } catch (const modlink::Interrupted&) {
            return;  // Ctrl+C or SIGTERM: the watcher is ending
        } catch (const modlink::Failure& failure) {
            reason = reasonOf(failure, m_port);
        }
        m_news.portFailed(m_port, reason);
        for (const auto& send : takeSends()) m_news.probeWritten(send.first, std::nullopt);
        // A survey that asked meanwhile, or while it was tried, has its answer now.
        if (const auto round = takeRound())
            m_news.moduleRead(
                *round, {m_port, mesh::PortFailure{mesh::PortFailureKind::PortFailed, reason}});
        if (!waitToRetry(pause, stop)) return;
        pause = std::min(pause * 2, kLongestRetry);
        target = ports::PortDirectory::lookAgain(m_port);
    }
}

}  // namespace watch

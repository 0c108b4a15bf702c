#include "Module.h"

#include <cmath>
#include <stdexcept>

#include "Errors.h"
#include "LineSettings.h"
#include "Messages.h"
#include "NamedPorts.h"
#include "PortWait.h"
#include "ReceivingPort.h"
#include "SendNames.h"
#include "SetupNames.h"

namespace python {

namespace {

// The command line's --timeout range, in seconds.
constexpr double kShortestTimeout = 0.001;
constexpr double kLongestTimeout = 3600;

Notice noticeOf(const proto::ReadFrame& frame) {
    Notice notice{{}, {}, {}, std::string(frame.bytes.begin(), frame.bytes.end())};
    const auto reply = proto::decodeReply(frame.bytes);
    const auto* received = reply ? std::get_if<proto::ReceiveNotice>(&*reply) : nullptr;
    if (received && received->content) {
        notice.source = received->content->source;
        notice.link = -static_cast<int>(received->content->linkValue);
        notice.data.assign(received->content->data.begin(), received->content->data.end());
    }
    return notice;
}

// Gives the object back to other threads however the call ends.
class BusyMark {
  public:
    BusyMark(std::atomic<bool>& busy, const std::string& port) : m_busy(busy) {
        if (m_busy.exchange(true))
            throw std::runtime_error(port +
                                     " is in use by another thread: a Module serves one thread "
                                     "at a time");
    }
    ~BusyMark() { m_busy = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

  private:
    std::atomic<bool>& m_busy;
};

// A time-out of one call; the module's own again after it, however it ends.
class ReplyTimeout {
  public:
    ReplyTimeout(modlink::Session& session, std::chrono::milliseconds timeout,
                 std::chrono::milliseconds usual)
        : m_session(session), m_usual(usual) {
        m_session.setTimeout(timeout);
    }
    ~ReplyTimeout() { m_session.setTimeout(m_usual); }
    ReplyTimeout(const ReplyTimeout&) = delete;
    ReplyTimeout& operator=(const ReplyTimeout&) = delete;

  private:
    modlink::Session& m_session;
    std::chrono::milliseconds m_usual;
};

}  // namespace

std::chrono::milliseconds Module::timeoutOf(double seconds) {
    if (!std::isfinite(seconds) || seconds < kShortestTimeout || seconds > kLongestTimeout)
        throw modlink::Failure(modlink::kExitUsage, "the time-out is seconds from 0.001 to 3600");
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

int Module::rateOf(int baud) {
    if (!proto::uartBaudIndex(baud))
        throw modlink::Failure(
            modlink::kExitUsage,
            std::to_string(baud) + " is not a rate the port takes: " + proto::rateList());
    return baud;
}

Module::Module(const std::string& port, int baud, double timeoutSeconds,
               const std::string& parity) {
    m_options.port = port;
    m_options.json = true;
    try {
        station::refuseMalformedPortName(port);
        m_options.timeoutMs = static_cast<int>(timeoutOf(timeoutSeconds).count());
        m_options.baud = rateOf(baud);
        const std::optional<proto::Parity> parityValue = proto::parityFromName(parity);
        if (!parityValue)
            throw modlink::Failure(modlink::kExitUsage, "parity must be NO, ODD or EVEN");
        m_options.parity = *parityValue;
        PortWait wait;
        m_target = ports::PortDirectory().resolve(port);
        open();
    } catch (const modlink::Failure& failure) {
        throw PortFailure(failure, port);
    }
}

void Module::open() {
    m_session = std::make_unique<modlink::Session>(m_options, m_target);
    m_session->onNotice([this](const proto::ReadFrame& frame) { keepNotice(frame); });
}

void Module::close() {
    BusyMark busy(m_busy, port());
    m_session.reset();
    m_notices.clear();
}

// Past the port's own bound, new notices are let go, as the command line's link does.
void Module::keepNotice(const proto::ReadFrame& frame) {
    if (m_notices.size() < engine::ReceivingPort::kHeldFrames) m_notices.push_back(frame);
}

template <typename Work>
auto Module::use(Work&& work) {
    BusyMark busy(m_busy, port());
    try {
        if (!m_session) throw modlink::Failure(modlink::kExitUsage, "the module is closed");
        PortWait wait;
        return work();
    } catch (const modlink::Failure& failure) {
        throw PortFailure(failure, port());
    }
}

proto::Setup Module::readSetup() {
    return use([this] { return modlink::readSetupValues(*m_session); });
}

void Module::writeSetup(const proto::Setup& setup, bool verify) {
    use([&] {
        modlink::writeSetupValues(*m_session, setup);
        if (!verify) return;
        const std::string differs = modlink::mismatch(setup, modlink::readSetupValues(*m_session));
        if (!differs.empty())
            throw m_session->failure(modlink::kExitRefused, "verify failed: " + differs);
    });
}

modlink::RouteTable Module::routeList() {
    return use([this] { return modlink::readRouteTable(*m_session); });
}

modlink::PathNodes Module::path() {
    return use([this] { return modlink::readPathNodes(*m_session); });
}

SendResult Module::send(const proto::SendDataRequest& request,
                        std::optional<double> timeoutSeconds) {
    return use([&] {
        const auto timeout = timeoutSeconds ? timeoutOf(*timeoutSeconds)
                                            : std::chrono::milliseconds(m_options.timeoutMs);
        const ReplyTimeout forThisSend(*m_session, timeout,
                                       std::chrono::milliseconds(m_options.timeoutMs));
        const modlink::SendConfirmation confirmed =
            modlink::sendConfirmation(m_session->request(request));
        return SendResult{confirmed.status, proto::sendStatusText(confirmed.status),
                          confirmed.roundTripMs / 1000};
    });
}

std::optional<Notice> Module::nextNotice(Clock::time_point deadline) {
    return use([&]() -> std::optional<Notice> {
        proto::ReadFrame frame;
        while (m_notices.empty()) {
            switch (m_session->link().awaitFrame(deadline, frame)) {
                case modlink::ModuleLink::WaitEnd::kArrived:
                    // A reply that came too late for its request is nobody's news.
                    if (frame.unsolicited) keepNotice(frame);
                    break;
                case modlink::ModuleLink::WaitEnd::kTimeOut:
                    return std::nullopt;
                case modlink::ModuleLink::WaitEnd::kInterrupted:
                    throw modlink::Interrupted(false);
                case modlink::ModuleLink::WaitEnd::kLost:
                    throw m_session->lost();
            }
        }
        const Notice notice = noticeOf(m_notices.front());
        m_notices.pop_front();
        return notice;
    });
}

station::UnitOutcome Module::apply(const LoadedProfile& loaded,
                                   std::optional<std::int64_t> nodeId) {
    return use([&] {
        proto::SettingChanges settings = loaded.profile.changes;
        if (nodeId) {
            proto::SettingChanges id;
            const std::string problem = id.set("node_id", *nodeId);
            if (!problem.empty()) throw modlink::Failure(modlink::kExitUsage, problem);
            settings.overlay(id);
        }
        station::requireAllSettings(loaded.path, settings);
        const station::UnitPlan plan{settings, nullptr, false, false, {}, {}};
        m_session.reset();
        station::UnitOutcome outcome =
            station::applyToUnit(m_options, m_target, plan, station::UnitName{port(), false},
                                 [](station::UnitStep, const std::optional<std::uint16_t>&) {});
        open();
        if (outcome.code == modlink::kExitInterrupted) throw modlink::Interrupted(true);
        // Without a range of ids the row keeps none: the one given is the settings' own.
        proto::Setup given;
        settings.applyTo(given);
        outcome.row.nodeId = given.nodeId;
        return outcome;
    });
}

}  // namespace python

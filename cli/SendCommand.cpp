// send: application data to another node, once or as a link test with its statistics.

#include <iostream>

#include "Commands.h"
#include "Interrupt.h"
#include "LinkTrial.h"
#include "Messages.h"
#include "SendNames.h"
#include "Text.h"

namespace {

std::optional<std::uint16_t> relayId(const std::string& text) {
    const auto bytes = text.size() == 4 ? bytesFromHex(text) : std::nullopt;
    if (!bytes) return std::nullopt;
    return static_cast<std::uint16_t>((*bytes)[0] << 8 | (*bytes)[1]);
}

}  // namespace

proto::Frame sendRequest(const SendOptions& send) {
    if (send.target < 0 || send.target > 0xFFFF)
        throw Failure(kExitUsage, "send: the target is a node id from 0 to 65535");
    if (send.jump < 1 || send.jump > proto::kJumpLimits)
        throw Failure(kExitUsage,
                      "send: the jump is from 1 to " + std::to_string(proto::kJumpLimits));
    if (!routeModeCode(send.mode))
        throw Failure(kExitUsage, "send: no route mode '" + send.mode + "'");
    proto::SendDataRequest request =
        routedRequest(send.mode, send.jump, send.relays, "send", "--mode");
    request.target = static_cast<std::uint16_t>(send.target);
    request.ack = send.ack ? 1 : 0;
    const auto data = bytesFromHex(send.data);
    if (!data || data->empty())
        throw Failure(kExitUsage, "send: give --data as hex digit pairs, such as \"01 02\"");
    const std::size_t capacity = proto::sendDataCapacity(request.routeMode, request.relays.size());
    if (data->size() > capacity)
        throw Failure(kExitUsage, "send: data too long: at most " + std::to_string(capacity) +
                                      " bytes can be sent");
    request.data = *data;
    return proto::encode(request);
}

namespace {

std::string confirmationLine(const SendConfirmation& confirmed) {
    char line[96];
    std::snprintf(line, sizeof line, "%02X %s %.1f ms", confirmed.status,
                  proto::sendStatusText(confirmed.status).c_str(), confirmed.roundTripMs);
    return line;
}

Json statisticsJson(const proto::LinkStatistics& statistics) {
    Json statuses = Json::object();
    for (const auto& other : statistics.otherStatuses()) statuses[other.text] = other.count;
    Json roundTrips = nullptr;
    if (const auto trips = statistics.roundTrips())
        roundTrips = {{"min", trips->min},
                      {"median", trips->median},
                      {"p95", trips->p95},
                      {"max", trips->max}};
    return {{"sent", statistics.sent()},  {"ok", statistics.ok()},
            {"statuses", statuses},       {"no_reply", statistics.noReply()},
            {"late", statistics.late()},  {"unmatched", statistics.unmatched()},
            {"round_trip_ms", roundTrips}};
}

void printSummary(const CommonOptions& common, const proto::LinkStatistics& statistics,
                  std::size_t notices) {
    if (common.json) {
        Json summary = statisticsJson(statistics);
        summary["notices"] = notices;
        std::cout << summary.dump() << "\n";
        return;
    }
    std::cout << statistics.summary() << "\n";
    if (const auto trips = statistics.roundTrips())
        std::printf("round trip ms: min %.1f, median %.1f, p95 %.1f, max %.1f\n", trips->min,
                    trips->median, trips->p95, trips->max);
    std::cout << "notices: " << notices << std::endl;
}

// One line a confirmation as it comes and one a send when its time-out ends, in text mode.
class LinkTestRun {
  public:
    LinkTestRun(const CommonOptions& common, Session& session)
        : m_common(common),
          m_session(session),
          m_test(std::chrono::milliseconds(common.timeoutMs)) {}

    void send(const proto::Frame& request) {
        std::vector<proto::ReadFrame> earlier;
        const auto sent = m_session.post(request, earlier);
        for (const proto::ReadFrame& frame : earlier) count(frame);
        m_test.countSend(sent);
        awaitConfirmations(sent + std::chrono::milliseconds(m_common.timeoutMs), true);
    }

    // Confirmations that come meanwhile are counted: a late one still belongs to its own send.
    void pause(std::chrono::milliseconds interval) {
        awaitConfirmations(ModuleLink::Clock::now() + interval, false);
    }

    // A send cut short by Ctrl+C or a lost port had neither its answer nor its time-out.
    const proto::LinkStatistics& finish() {
        return m_test.finish(engine::LinkTrial::Waiting::LeftOut);
    }

  private:
    void awaitConfirmations(ModuleLink::Clock::time_point deadline, bool untilAnswered) {
        proto::ReadFrame frame;
        while (!untilAnswered || m_test.waiting()) {
            if (m_session.awaitFrame(deadline, frame) == ModuleLink::WaitEnd::kTimeOut) {
                for (int sends = m_test.expire(deadline); sends > 0; --sends) tell("no reply");
                return;
            }
            count(frame);
        }
    }

    void count(const proto::ReadFrame& frame) {
        const auto answer = m_test.countFrame(frame);
        if (!answer) return;
        const std::string status = answer->status
                                       ? confirmationLine({*answer->status, answer->roundTripMs})
                                       : "check byte wrong";
        switch (answer->verdict) {
            case engine::LinkTrial::Verdict::InTime:
                tell(answer->status ? status : "no reply");
                break;
            case engine::LinkTrial::Verdict::Late:
                tell("late for send " + std::to_string(answer->send) + ": " + status);
                break;
            case engine::LinkTrial::Verdict::Unmatched:
                tell("unmatched: " + hexText(frame.bytes));
                break;
        }
    }

    void tell(const std::string& line) const {
        if (!m_common.json) std::cout << line << std::endl;
    }

    const CommonOptions& m_common;
    Session& m_session;
    engine::LinkTrial m_test;
};

// Ctrl+C ends the test with the sends that had their answer or their time-out; a lost port
// ends it with the summary so far, then the failure.
ExitCode linkTest(const CommonOptions& common, Session& session, const proto::Frame& request,
                  const SendOptions& send) {
    LinkTestRun run(common, session);
    std::size_t notices = 0;
    session.onNotice([&notices](const proto::ReadFrame&) { ++notices; });
    try {
        for (int i = 0; i < *send.count && !interrupted(); ++i) {
            if (i > 0) run.pause(std::chrono::milliseconds(send.intervalMs));
            run.send(request);
        }
    } catch (const Failure& failure) {
        if (failure.code() != kExitInterrupted) {
            printSummary(common, run.finish(), notices);
            throw;
        }
    }
    const proto::LinkStatistics& statistics = run.finish();
    printSummary(common, statistics, notices);
    if (statistics.noReply() > 0) return kExitNoReply;
    return statistics.otherStatuses().empty() ? kExitDone : kExitRefused;
}

}  // namespace

std::optional<SendConfirmation> sendConfirmation(const Session::Exchange& exchange) {
    if (exchange.outcome != Session::Exchange::Outcome::kReply) return std::nullopt;
    const auto reply = proto::decodeReply(exchange.reply);
    const auto* status = reply ? std::get_if<proto::SendStatus>(&*reply) : nullptr;
    if (!status) return std::nullopt;
    return SendConfirmation{status->status, exchange.roundTripMs};
}

proto::SendDataRequest routedRequest(const std::string& mode, int jump,
                                     const std::vector<std::string>& relays,
                                     const std::string& command, const std::string& modeOption) {
    proto::SendDataRequest request;
    request.jump = static_cast<std::uint8_t>(jump);
    request.routeMode = static_cast<std::uint8_t>(*routeModeCode(mode));
    if (!relays.empty() && request.routeMode != proto::kRouteModeSource)
        throw Failure(kExitUsage, command + ": --relays needs " + modeOption + " source");
    if (relays.size() > proto::kMaxRelays)
        throw Failure(kExitUsage,
                      command + ": at most " + std::to_string(proto::kMaxRelays) + " relays");
    for (const std::string& text : relays) {
        const auto relay = relayId(text);
        if (!relay)
            throw Failure(kExitUsage, command + ": relay '" + text + "' is not 4 hex digits");
        request.relays.push_back(*relay);
    }
    return request;
}

std::vector<std::string> routeModeNames() {
    std::vector<std::string> names;
    for (const std::string_view mode : proto::kRouteModeNames) {
        std::string name(mode);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

std::optional<int> routeModeCode(std::string_view name) {
    const std::vector<std::string> names = routeModeNames();
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end()) return std::nullopt;
    return static_cast<int>(found - names.begin());
}

ExitCode sendData(const CommonOptions& common, const SendOptions& send) {
    const proto::Frame request = sendRequest(send);
    Session session(common);
    if (send.count) return linkTest(common, session, request, send);
    const auto confirmed = sendConfirmation(session.request(request));
    if (!confirmed) throw session.failure(kExitNoReply, "the confirmation is cut short");
    if (common.json) {
        std::cout << Json{{"status", confirmed->status},
                          {"text", proto::sendStatusText(confirmed->status)},
                          {"round_trip_ms", confirmed->roundTripMs}}
                         .dump()
                  << "\n";
    } else {
        std::cout << confirmationLine(*confirmed) << "\n";
    }
    return confirmed->status == proto::kStatusOk ? kExitDone : kExitRefused;
}

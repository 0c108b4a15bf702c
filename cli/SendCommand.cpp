// send: application data to another node, once or as a link test with its statistics.

#include <iostream>
#include <thread>

#include "Commands.h"
#include "Interrupt.h"
#include "LinkStatistics.h"
#include "Messages.h"
#include "SendData.h"
#include "Text.h"

namespace {

constexpr std::chrono::milliseconds kInterruptPoll{50};

std::optional<std::uint16_t> relayId(const std::string& text) {
    const auto bytes = text.size() == 4 ? bytesFromHex(text) : std::nullopt;
    if (!bytes) return std::nullopt;
    return static_cast<std::uint16_t>((*bytes)[0] << 8 | (*bytes)[1]);
}

proto::Frame buildRequest(const SendOptions& send) {
    proto::SendDataRequest request;
    request.target = static_cast<std::uint16_t>(send.target);
    request.jump = static_cast<std::uint8_t>(send.jump);
    request.routeMode = static_cast<std::uint8_t>(*routeModeCode(send.mode));
    if (!send.relays.empty() && request.routeMode != proto::kRouteModeSource)
        throw Failure(kExitUsage, "send: --relays needs --mode source");
    if (send.relays.size() > proto::kMaxRelays)
        throw Failure(kExitUsage, "send: at most " + std::to_string(proto::kMaxRelays) + " relays");
    for (const std::string& text : send.relays) {
        const auto relay = relayId(text);
        if (!relay) throw Failure(kExitUsage, "send: relay '" + text + "' is not 4 hex digits");
        request.relays.push_back(*relay);
    }
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

struct Confirmation {
    std::uint8_t status = 0;
    double roundTripMs = 0;
};

// Nothing when no confirmation came: no reply in time or a wrong check byte.
std::optional<Confirmation> confirmation(const Session::Exchange& exchange) {
    if (exchange.outcome != Session::Exchange::Outcome::kReply) return std::nullopt;
    const auto reply = proto::decodeReply(exchange.reply);
    const auto* status = reply ? std::get_if<proto::SendStatus>(&*reply) : nullptr;
    if (!status) return std::nullopt;
    return Confirmation{status->status, exchange.roundTripMs};
}

std::string confirmationLine(const Confirmation& confirmed) {
    char line[96];
    std::snprintf(line, sizeof line, "%02X %s %.1f ms", confirmed.status,
                  proto::sendStatusText(confirmed.status).c_str(), confirmed.roundTripMs);
    return line;
}

void pauseUntil(ModuleLink::Clock::time_point when) {
    while (!interrupted() && ModuleLink::Clock::now() < when)
        std::this_thread::sleep_for(
            std::min<ModuleLink::Clock::duration>(kInterruptPoll, when - ModuleLink::Clock::now()));
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
    return {{"sent", statistics.sent()},
            {"ok", statistics.ok()},
            {"statuses", statuses},
            {"no_reply", statistics.noReply()},
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

// Ctrl+C ends the test with the sends that had their answer or their time-out; a lost port
// ends it with the summary so far, then the failure.
ExitCode linkTest(const CommonOptions& common, Session& session, const proto::Frame& request,
                  const SendOptions& send) {
    proto::LinkStatistics statistics;
    std::size_t notices = 0;
    session.onNotice([&notices](const proto::ReadFrame&) { ++notices; });
    const auto interval = std::chrono::milliseconds(send.intervalMs);
    try {
        for (int i = 0; i < *send.count && !interrupted(); ++i) {
            if (i > 0) pauseUntil(ModuleLink::Clock::now() + interval);
            if (interrupted()) break;
            const auto confirmed = confirmation(session.exchange(request));
            statistics.countSent();
            if (confirmed)
                statistics.countConfirmation(confirmed->status, confirmed->roundTripMs);
            else
                statistics.countNoReply();
            if (!common.json)
                std::cout << (confirmed ? confirmationLine(*confirmed) : "no reply") << std::endl;
        }
    } catch (const Failure& failure) {
        if (failure.code() != kExitInterrupted) {
            printSummary(common, statistics, notices);
            throw;
        }
    }
    printSummary(common, statistics, notices);
    if (statistics.noReply() > 0) return kExitNoReply;
    return statistics.otherStatuses().empty() ? kExitDone : kExitRefused;
}

}  // namespace

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
    const proto::Frame request = buildRequest(send);
    Session session(common);
    if (send.count) return linkTest(common, session, request, send);
    const auto confirmed = confirmation(session.request(request));
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

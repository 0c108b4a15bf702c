// send: application data to another node, once or as a link test with its statistics.

#include <CLI/CLI.hpp>
#include <iostream>

#include "CommandLine.h"
#include "Commands.h"
#include "Interrupt.h"
#include "Messages.h"
#include "SendNames.h"
#include "SendRequest.h"
#include "Text.h"

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

// The engine's link test, paced as the command line asks: each send waits for its answer or
// its time-out, then the interval. In text mode, one line a confirmation as it comes and one a
// send when its time-out ends.
class LinkTestRun {
  public:
    LinkTestRun(const CommonOptions& common, Session& session)
        : m_common(common), m_session(session) {
        m_session.link().startLinkTest();
    }

    void send(const proto::SendDataRequest& request) {
        tellNews(ModuleLink::Clock::now(), false);
        m_session.post(request);
        tellNews(ModuleLink::Clock::time_point::max(), true);
    }

    // Confirmations that come meanwhile are counted: a late one still belongs to its own send.
    void pause(std::chrono::milliseconds interval) {
        tellNews(ModuleLink::Clock::now() + interval, false);
    }

    // A send cut short by Ctrl+C or a lost port had neither its answer nor its time-out.
    proto::LinkStatistics finish() {
        return m_session.link().finishLinkTest(engine::LinkTrial::Waiting::LeftOut);
    }

  private:
    // What has come is told, and then what comes until the deadline or, untilAnswered, until
    // the engine has ended the last send's wait by its answer or its time-out.
    void tellNews(ModuleLink::Clock::time_point deadline, bool untilAnswered) {
        ModuleLink::News news;
        for (;;) {
            const bool waiting = !untilAnswered || m_session.link().sendsWaiting();
            const auto until = waiting ? deadline : ModuleLink::Clock::now();
            if (m_session.awaitNews(until, news) == ModuleLink::WaitEnd::kTimeOut) return;
            if (const auto* counted = std::get_if<ModuleLink::SendAnswer>(&news))
                tell(*counted);
            else if (std::holds_alternative<ModuleLink::SendUnanswered>(news))
                tell("no reply");
        }
    }

    void tell(const ModuleLink::SendAnswer& counted) const {
        const engine::LinkTrial::Answer& answer = counted.answer;
        const std::string status = answer.status
                                       ? confirmationLine({*answer.status, answer.roundTripMs})
                                       : "check byte wrong";
        switch (answer.verdict) {
            case engine::LinkTrial::Verdict::InTime:
                tell(answer.status ? status : "no reply");
                break;
            case engine::LinkTrial::Verdict::Late:
                tell("late for send " + std::to_string(answer.send) + ": " + status);
                break;
            case engine::LinkTrial::Verdict::Unmatched:
                tell("unmatched: " + forms::hexText(counted.frame.bytes));
                break;
        }
    }

    void tell(const std::string& line) const {
        if (!m_common.json) std::cout << line << std::endl;
    }

    const CommonOptions& m_common;
    Session& m_session;
};

// Ctrl+C ends the test with the sends that had their answer or their time-out; a lost port
// ends it with the summary so far, then the failure.
ExitCode linkTest(const CommonOptions& common, Session& session,
                  const proto::SendDataRequest& request, const SendOptions& send) {
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
    const proto::LinkStatistics statistics = run.finish();
    printSummary(common, statistics, notices);
    if (statistics.noReply() > 0) return kExitNoReply;
    return statistics.otherStatuses().empty() ? kExitDone : kExitRefused;
}

ExitCode sendData(const CommonOptions& common, const SendOptions& send) {
    const proto::SendDataRequest request = sendRequest(send);
    Session session = portSession(common);
    if (send.count) return linkTest(common, session, request, send);
    const SendConfirmation confirmed = sendConfirmation(session.request(request));
    if (common.json) {
        std::cout << Json{{"status", confirmed.status},
                          {"text", proto::sendStatusText(confirmed.status)},
                          {"round_trip_ms", confirmed.roundTripMs}}
                         .dump()
                  << "\n";
    } else {
        std::cout << confirmationLine(confirmed) << "\n";
    }
    return confirmed.status == proto::kStatusOk ? kExitDone : kExitRefused;
}

}  // namespace

void addSendCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<SendOptions>();
    CLI::App* send = &subcommand;
    send->add_option("--target", options->target, "target node id")
        ->required()
        ->transform(decimalIn(0, 65535));
    send->add_option("--mode", options->mode, "route mode")
        ->capture_default_str()
        ->check(CLI::IsMember(routeModeNames()));
    send->add_option("--jump", options->jump, "jump value")
        ->capture_default_str()
        ->transform(decimalIn(1, 7));
    send->add_option("--relays", options->relays,
                     "relay node ids for --mode source, 4 hexadecimal digits each, as the "
                     "window's relay fields take them (every other number is decimal): "
                     "0005,000A")
        ->delimiter(',');
    send->add_option("--data", options->data, "hex data, such as \"01 02\"")->required();
    send->add_flag("--ack", options->ack, "ask the target node to acknowledge");
    send->add_option("--count", options->count, "send this many times, then the summary")
        ->transform(decimalIn(1, 100000000));
    send->add_option("--interval", options->intervalMs, "milliseconds between sends")
        ->capture_default_str()
        ->transform(decimalIn(0, 3600000));
    run.add(
        send, kPortOptions, onePort,
        [options](const CommonOptions& common) { return sendData(common, *options); }, {}, options);
}

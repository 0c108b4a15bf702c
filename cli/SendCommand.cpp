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

namespace cli {

namespace {

std::string confirmationLine(const modlink::SendConfirmation& confirmed) {
    char line[96];
    std::snprintf(line, sizeof line, "%02X %s %.1f ms", confirmed.status,
                  proto::sendStatusText(confirmed.status).c_str(), confirmed.roundTripMs);
    return line;
}

modlink::Json statisticsJson(const proto::LinkStatistics& statistics) {
    modlink::Json statuses = modlink::Json::object();
    for (const auto& other : statistics.otherStatuses()) statuses[other.text] = other.count;
    modlink::Json roundTrips = nullptr;
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

void printSummary(const modlink::CommonOptions& common, const proto::LinkStatistics& statistics,
                  std::size_t notices) {
    if (common.json) {
        modlink::Json summary = statisticsJson(statistics);
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
    LinkTestRun(const modlink::CommonOptions& common, modlink::Session& session)
        : m_common(common), m_session(session) {
        m_session.link().startLinkTest();
    }

    void send(const proto::SendDataRequest& request) {
        tellNews(modlink::ModuleLink::Clock::now(), false);
        m_session.post(request);
        tellNews(modlink::ModuleLink::Clock::time_point::max(), true);
    }

    // Confirmations that come meanwhile are counted: a late one still belongs to its own send.
    void pause(std::chrono::milliseconds interval) {
        tellNews(modlink::ModuleLink::Clock::now() + interval, false);
    }

    // A send cut short by Ctrl+C or a lost port had neither its answer nor its time-out.
    proto::LinkStatistics finish() {
        return m_session.link().finishLinkTest(engine::LinkTrial::Waiting::LeftOut);
    }

  private:
    // What has come is told, and then what comes until the deadline or, untilAnswered, until
    // the engine has ended the last send's wait by its answer or its time-out.
    void tellNews(modlink::ModuleLink::Clock::time_point deadline, bool untilAnswered) {
        modlink::ModuleLink::News news;
        for (;;) {
            const bool waiting = !untilAnswered || m_session.link().sendsWaiting();
            const auto until = waiting ? deadline : modlink::ModuleLink::Clock::now();
            if (m_session.awaitNews(until, news) == modlink::ModuleLink::WaitEnd::kTimeOut) return;
            if (const auto* counted = std::get_if<modlink::ModuleLink::SendAnswer>(&news))
                tell(*counted);
            else if (std::holds_alternative<modlink::ModuleLink::SendUnanswered>(news))
                tell("no reply");
        }
    }

    void tell(const modlink::ModuleLink::SendAnswer& counted) const {
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

    const modlink::CommonOptions& m_common;
    modlink::Session& m_session;
};

// Ctrl+C ends the test with the sends that had their answer or their time-out; a lost port
// ends it with the summary so far, then the failure.
modlink::ExitCode linkTest(const modlink::CommonOptions& common, modlink::Session& session,
                           const proto::SendDataRequest& request,
                           const modlink::SendOptions& send) {
    LinkTestRun run(common, session);
    std::size_t notices = 0;
    session.onNotice([&notices](const proto::ReadFrame&) { ++notices; });
    try {
        for (int i = 0; i < *send.count && !modlink::interrupted(); ++i) {
            if (i > 0) run.pause(std::chrono::milliseconds(send.intervalMs));
            run.send(request);
        }
    } catch (const modlink::Failure& failure) {
        if (failure.code() != modlink::kExitInterrupted) {
            printSummary(common, run.finish(), notices);
            throw;
        }
    }
    const proto::LinkStatistics statistics = run.finish();
    printSummary(common, statistics, notices);
    if (statistics.noReply() > 0) return modlink::kExitNoReply;
    return statistics.otherStatuses().empty() ? modlink::kExitDone : modlink::kExitRefused;
}

modlink::ExitCode sendData(const modlink::CommonOptions& common, const modlink::SendOptions& send) {
    const proto::SendDataRequest request = modlink::sendRequest(send);
    modlink::Session session = portSession(common);
    if (send.count) return linkTest(common, session, request, send);
    const modlink::SendConfirmation confirmed = modlink::sendConfirmation(session.request(request));
    if (common.json) {
        std::cout << modlink::Json{{"status", confirmed.status},
                                   {"text", proto::sendStatusText(confirmed.status)},
                                   {"round_trip_ms", confirmed.roundTripMs}}
                         .dump()
                  << "\n";
    } else {
        std::cout << confirmationLine(confirmed) << "\n";
    }
    return confirmed.status == proto::kStatusOk ? modlink::kExitDone : modlink::kExitRefused;
}

}  // namespace

void addSendCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<modlink::SendOptions>();
    CLI::App* send = &subcommand;
    send->add_option("--target", options->target, "target node id")
        ->required()
        ->transform(decimalIn(0, 65535));
    send->add_option("--mode", options->mode, "route mode")
        ->capture_default_str()
        ->check(CLI::IsMember(modlink::routeModeNames()));
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
        [options](const modlink::CommonOptions& common) { return sendData(common, *options); }, {},
        options);
}

}  // namespace cli

#include "RawCommand.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "FrameDescription.h"
#include "Text.h"

namespace cli {

namespace {

modlink::ExitCode sendRaw(const modlink::CommonOptions& common, const RawOptions& options) {
    auto request = forms::bytesFromHex(options.bytes);
    if (!request || request->empty())
        throw modlink::Failure(modlink::kExitUsage,
                               "raw: give the bytes as hex digit pairs, such as \"01 00 03 00\"");
    if (!options.asIs) request->push_back(proto::xorOf(*request));
    modlink::Session session = portSession(common);
    const modlink::Session::Exchange reply = session.exchange(engine::RawRequest{*request});
    const auto failure = reply.failure;
    if (failure == engine::ExchangeFailure::NoReply) throw session.noReply();
    const std::string what = forms::describeFrames(reply.frame, forms::Direction::Received);
    if (common.json) {
        std::cout << modlink::Json{{"sent", forms::hexText(*request)},
                                   {"reply", forms::hexText(reply.frame)},
                                   {"what", what},
                                   {"round_trip_ms", reply.roundTripMs}}
                         .dump()
                  << "\n";
    } else {
        std::cout << "sent  " << forms::hexText(*request) << "\nreply "
                  << forms::hexText(reply.frame) << "  (" << what << ")\n";
    }
    if (failure == engine::ExchangeFailure::BadCheck)
        throw session.failure(modlink::kExitNoReply, "the reply's check byte is wrong");
    return modlink::kExitDone;
}

}  // namespace

void addRawCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<RawOptions>();
    CLI::App* raw = &subcommand;
    raw->add_option("bytes", options->bytes, "hex bytes, such as \"01 00 03 00\"")->required();
    raw->add_flag("--as-is", options->asIs, "send the bytes unchanged, without a check byte");
    run.add(
        raw, kPortOptions, onePort,
        [options](const modlink::CommonOptions& common) { return sendRaw(common, *options); }, {},
        options);
}

}  // namespace cli

// raw and monitor: for exploring the protocol.

#include <iostream>

#include "Commands.h"
#include "FrameDescription.h"
#include "Interrupt.h"
#include "Text.h"

namespace {

std::string meaning(proto::Bytes block) {
    return proto::describeFrames(block, proto::Direction::Received);
}

}  // namespace

ExitCode sendRaw(const CommonOptions& common, const std::string& text, bool asIs) {
    auto request = bytesFromHex(text);
    if (!request || request->empty())
        throw Failure(kExitUsage,
                      "raw: give the bytes as hex digit pairs, such as \"01 00 03 00\"");
    if (!asIs) request->push_back(proto::xorOf(*request));
    Session session(common);
    const Session::Exchange reply = session.exchange(*request);
    if (reply.outcome == Session::Exchange::Outcome::kNoReply) throw session.noReply();
    if (common.json) {
        std::cout << Json{{"sent", hexText(*request)},
                          {"reply", hexText(reply.reply)},
                          {"what", meaning(reply.reply)},
                          {"round_trip_ms", reply.roundTripMs}}
                         .dump()
                  << "\n";
    } else {
        std::cout << "sent  " << hexText(*request) << "\nreply " << hexText(reply.reply) << "  ("
                  << meaning(reply.reply) << ")\n";
    }
    if (reply.outcome == Session::Exchange::Outcome::kBadCheck)
        throw session.failure(kExitNoReply, "the reply's check byte is wrong");
    return kExitDone;
}

ExitCode monitor(const CommonOptions& common) {
    Session session(common);
    Json blocks = Json::array();
    std::size_t count = 0;
    std::size_t bytes = 0;
    while (!interrupted()) {
        const auto block = session.link().awaitBlock(
            std::nullopt, ModuleLink::Clock::now() + std::chrono::seconds(1));
        if (!block) continue;
        ++count;
        bytes += block->bytes.size();
        const std::string time = localTimeText(true);
        if (common.json) {
            blocks.push_back({{"time", time},
                              {"bytes", hexText(block->bytes)},
                              {"what", meaning(block->bytes)}});
        } else {
            std::cout << time << "  " << hexText(block->bytes) << "  " << meaning(block->bytes)
                      << std::endl;
        }
    }
    if (common.json)
        std::cout << Json{{"blocks", blocks}, {"bytes", bytes}}.dump() << "\n";
    else
        std::cout << "Monitor: " << count << " blocks, " << bytes << " bytes\n";
    return kExitDone;
}

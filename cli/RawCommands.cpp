// raw and monitor: for exploring the protocol.

#include <iostream>
#include <thread>

#include "Commands.h"
#include "FrameDescription.h"
#include "Interrupt.h"
#include "Text.h"

namespace {

std::string meaning(proto::Bytes block) {
    return forms::describeFrames(block, forms::Direction::Received);
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

namespace {

constexpr std::chrono::milliseconds kReopenPause{500};
constexpr std::chrono::milliseconds kInterruptPoll{50};

// The wall-clock time at which a block's last byte came.
std::chrono::system_clock::time_point wallTime(ModuleLink::Clock::time_point when) {
    const auto ago = ModuleLink::Clock::now() - when;
    return std::chrono::system_clock::now() -
           std::chrono::duration_cast<std::chrono::system_clock::duration>(ago);
}

// A block that overran the receive buffer says how many bytes it lost.
void printBlock(const CommonOptions& common, const ModuleLink::Block& block) {
    const std::string time = localTimeText(wallTime(block.lastByte), true);
    if (common.json) {
        Json line{{"time", time}, {"bytes", hexText(block.bytes)}, {"what", meaning(block.bytes)}};
        if (block.dropped > 0) line["dropped"] = block.dropped;
        std::cout << line.dump() << std::endl;
        return;
    }
    std::cout << time << "  " << hexText(block.bytes) << "  " << meaning(block.bytes);
    if (block.dropped > 0) std::cout << "  (" << block.dropped << " bytes dropped)";
    std::cout << std::endl;
}

// False on Ctrl+C before the device came back.
bool awaitReturn(Session& session) {
    for (auto next = ModuleLink::Clock::now(); !interrupted();) {
        if (ModuleLink::Clock::now() >= next) {
            if (session.reopen()) return true;
            next = ModuleLink::Clock::now() + kReopenPause;
        }
        std::this_thread::sleep_for(kInterruptPoll);
    }
    return false;
}

}  // namespace

ExitCode monitor(const CommonOptions& common, bool follow) {
    Session session(common, ModuleLink::Reading::kBlocks);
    std::size_t count = 0;
    std::size_t bytes = 0;
    const auto printSummary = [&] {
        if (common.json)
            std::cout << Json{{"blocks", count}, {"bytes", bytes}}.dump() << std::endl;
        else
            std::cout << "Monitor: " << count << " blocks, " << bytes << " bytes" << std::endl;
    };
    for (;;) {
        ModuleLink::Block block;
        const auto end =
            session.link().awaitBlock(ModuleLink::Clock::now() + std::chrono::seconds(1), block);
        if (end == ModuleLink::WaitEnd::kArrived) {
            ++count;
            bytes += block.bytes.size();
            printBlock(common, block);
            // Whoever read our output has gone: nobody is left to show a block to.
            if (!std::cout) return kExitDone;
        } else if (end == ModuleLink::WaitEnd::kInterrupted) {
            break;
        } else if (end == ModuleLink::WaitEnd::kLost) {
            if (!follow) {
                printSummary();
                throw session.lost();
            }
            std::cerr << session.lost().what() << "; waiting for it to come back" << std::endl;
            if (!awaitReturn(session)) break;
            std::cerr << session.port().name << " back" << std::endl;
        }
    }
    printSummary();
    return kExitDone;
}

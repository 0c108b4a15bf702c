// monitor: every block the port receives, until Ctrl+C.

#include <CLI/CLI.hpp>
#include <iostream>
#include <thread>

#include "Commands.h"
#include "FrameDescription.h"
#include "Interrupt.h"
#include "Text.h"

namespace cli {

namespace {

constexpr std::chrono::milliseconds kReopenPause{500};
constexpr std::chrono::milliseconds kInterruptPoll{50};

// The wall-clock time at which a block's last byte came.
std::chrono::system_clock::time_point wallTime(modlink::ModuleLink::Clock::time_point when) {
    const auto ago = modlink::ModuleLink::Clock::now() - when;
    return std::chrono::system_clock::now() -
           std::chrono::duration_cast<std::chrono::system_clock::duration>(ago);
}

// A block that overran the receive buffer says how many bytes it lost.
void printBlock(const modlink::CommonOptions& common, const modlink::ModuleLink::Block& block) {
    const std::string time = forms::localTimeText(wallTime(block.lastByte), true);
    const std::string what = forms::describeFrames(block.bytes, forms::Direction::Received);
    if (common.json) {
        modlink::Json line{{"time", time}, {"bytes", forms::hexText(block.bytes)}, {"what", what}};
        if (block.dropped > 0) line["dropped"] = block.dropped;
        std::cout << line.dump() << std::endl;
        return;
    }
    std::cout << time << "  " << forms::hexText(block.bytes) << "  " << what;
    if (block.dropped > 0) std::cout << "  (" << block.dropped << " bytes dropped)";
    std::cout << std::endl;
}

// False on Ctrl+C before the device came back.
bool awaitReturn(modlink::Session& session) {
    for (auto next = modlink::ModuleLink::Clock::now(); !modlink::interrupted();) {
        if (modlink::ModuleLink::Clock::now() >= next) {
            if (session.reopen()) return true;
            next = modlink::ModuleLink::Clock::now() + kReopenPause;
        }
        std::this_thread::sleep_for(kInterruptPoll);
    }
    return false;
}

modlink::ExitCode monitor(const modlink::CommonOptions& common, bool follow) {
    modlink::Session session = portSession(common, modlink::ModuleLink::Reading::kBlocks);
    std::size_t count = 0;
    std::size_t bytes = 0;
    const auto printSummary = [&] {
        if (common.json)
            std::cout << modlink::Json{{"blocks", count}, {"bytes", bytes}}.dump() << std::endl;
        else
            std::cout << "Monitor: " << count << " blocks, " << bytes << " bytes" << std::endl;
    };
    for (;;) {
        modlink::ModuleLink::Block block;
        const auto end = session.link().awaitBlock(
            modlink::ModuleLink::Clock::now() + std::chrono::seconds(1), block);
        if (end == modlink::ModuleLink::WaitEnd::kArrived) {
            ++count;
            bytes += block.bytes.size();
            printBlock(common, block);
            // Whoever read our output has gone: nobody is left to show a block to.
            if (!std::cout) return modlink::kExitDone;
        } else if (end == modlink::ModuleLink::WaitEnd::kInterrupted) {
            break;
        } else if (end == modlink::ModuleLink::WaitEnd::kLost) {
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
    return modlink::kExitDone;
}

}  // namespace

void addMonitorCommand(CLI::App& subcommand, CommandRun& run) {
    auto follow = std::make_shared<bool>(false);
    CLI::App* monitor = &subcommand;
    monitor->add_flag("--follow", *follow, "when the device hangs up, wait for it and go on");
    // Runs until Ctrl+C: no reply is waited for.
    run.add(
        monitor, {"--port", "--baud", "--parity", "--json"}, onePort,
        [follow](const modlink::CommonOptions& common) { return cli::monitor(common, *follow); });
}

}  // namespace cli

#pragma once
// The command line of qz470-sim.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Faults.h"
#include "LinePacer.h"
#include "Messages.h"

namespace sim {

inline constexpr int kFirstAlias = 200;

struct Options {
    std::optional<std::string> meshFile;
    std::optional<std::string> labFile;  // a whole mesh of modules instead of one
    int firstPort = kFirstAlias;
    LineTiming timing;
    FaultPlan fault;
    std::chrono::seconds noticeEvery{20};            // 0: never
    bool noticeBeforeReply = false;                  // a notice right in front of every reply
    std::size_t ackLength = proto::kSetupFrameSize;  // of the write acknowledgement
    std::optional<unsigned> seed;  // of the links' losses; nothing: a new one every run
    std::optional<std::string> logFile;
    bool quiet = false;
};

struct ParsedOptions {
    Options options;
    bool help = false;
    std::string error;  // empty when the command line was understood
};

ParsedOptions parseOptions(const std::vector<std::string_view>& args);

std::string helpText();

}  // namespace sim

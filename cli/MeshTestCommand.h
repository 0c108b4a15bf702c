#pragma once
// mesh test: data sent between the modules of a mesh, each on its own port, and whether and
// how soon it arrives.

#include <optional>
#include <string>
#include <vector>

#include "Failure.h"
#include "Plan.h"
#include "Session.h"

namespace CLI {
class App;
}

struct MeshTestOptions {
    std::vector<std::string> ports;  // expanded; filled from the alias folder with aliases
    bool aliases = false;
    std::string pairs = "all";
    std::optional<int> count;
    int intervalMs = 1000;
    bool ack = false;
    std::string mode = "auto";
    std::vector<std::string> relays;
    int jump = 7;
    std::optional<int> size;
    std::optional<std::string> duration;
    std::string csvPath;
    std::optional<double> minDelivery;
    int patienceS = 60;  // a port away longer is gone for good
};

// Declares mesh test under mesh, its options stored in options.
CLI::App* addMeshTestCommand(CLI::App& mesh, MeshTestOptions& options);
// What can be checked before a port is opened; a Failure with kExitUsage otherwise.
void checkMeshTestOptions(const MeshTestOptions& options);

// The plan for these ports, without their node ids: a Failure with kExitUsage for pairs,
// relays or a size it cannot carry.
delivery::Plan meshTestPlan(const MeshTestOptions& options, const std::vector<std::string>& names,
                            int timeoutMs);

// 0, 1 when a pair delivered under --min-delivery, 3 when a port was lost for good.
ExitCode meshTest(const CommonOptions& common, const MeshTestOptions& options);

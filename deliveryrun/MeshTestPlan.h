#pragma once
// A delivery test as its options ask for it (ports, pairs by name, route, size, how long),
// read into the plan a run follows. Both faces fill the options: the command line's mesh test
// and the mesh window's pane.

#include <optional>
#include <string>
#include <vector>

#include "Plan.h"

namespace deliveryrun {

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

// What can be checked without a file or a port; a Failure with kExitUsage otherwise.
void checkMeshTestOptions(const MeshTestOptions& options);

// The plan for these ports, without their node ids: a Failure with kExitUsage for pairs,
// relays or a size it cannot carry.
delivery::Plan meshTestPlan(const MeshTestOptions& options, const std::vector<std::string>& names,
                            int timeoutMs);

}  // namespace deliveryrun

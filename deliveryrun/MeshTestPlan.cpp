#include "MeshTestPlan.h"

#include <algorithm>

#include "Failure.h"
#include "SendNames.h"
#include "SendRequest.h"
#include "Tag.h"
#include "Text.h"

namespace deliveryrun {

namespace {

modlink::Failure refused(const std::string& what) {
    return modlink::Failure(modlink::kExitUsage, "mesh test: " + what);
}

// "all", or FROM:TO pairs between commas, each a port of the run.
std::vector<delivery::Pair> pairsNamed(const std::string& text,
                                       const std::vector<std::string>& ports) {
    if (text == "all") return delivery::allPairs(ports.size());
    const auto indexOf = [&](const std::string& name) {
        const auto found = std::find(ports.begin(), ports.end(), name);
        if (found == ports.end())
            throw refused("--pairs: " + name + " is not one of the ports given");
        return static_cast<std::size_t>(found - ports.begin());
    };
    std::vector<delivery::Pair> pairs;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string pair = text.substr(start, end - start);
        const std::size_t colon = pair.find(':');
        if (colon == std::string::npos || pair.find(':', colon + 1) != std::string::npos)
            throw refused("--pairs: '" + pair + "' is not FROM:TO, such as COM200:COM205");
        const delivery::Pair named{indexOf(pair.substr(0, colon)), indexOf(pair.substr(colon + 1))};
        if (named.from == named.to) throw refused("--pairs: " + pair + " sends to itself");
        if (std::find(pairs.begin(), pairs.end(), named) != pairs.end())
            throw refused("--pairs: " + pair + " is named twice");
        pairs.push_back(named);
        start = end + 1;
    }
    return pairs;
}

proto::SendDataRequest requestShape(const MeshTestOptions& options) {
    proto::SendDataRequest request = modlink::routedRequest(
        options.mode, options.jump, options.relays, "mesh test", "--route-mode");
    if (options.ack) request.ack = proto::kAckRequested;
    return request;
}

std::size_t dataSize(const MeshTestOptions& options, const proto::SendDataRequest& request) {
    const delivery::SizeRange sizes = delivery::dataSizes(request.routeMode, request.relays.size());
    if (sizes.most < sizes.least)
        throw refused("a send with these relays cannot hold the " +
                      std::to_string(delivery::kTagSize) + " bytes of its tag");
    if (!options.size) return sizes.least;
    const auto size = static_cast<std::size_t>(*options.size);
    if (size < sizes.least || size > sizes.most)
        throw refused("--size " + std::to_string(size) + ": a send holds " +
                      std::to_string(sizes.least) + " to " + std::to_string(sizes.most) +
                      " bytes with this route mode and relays (the first " +
                      std::to_string(delivery::kTagSize) + " are its tag)");
    return size;
}

}  // namespace

void checkMeshTestOptions(const MeshTestOptions& options) {
    if (options.aliases == !options.ports.empty())
        throw refused("give the ports with -p COMn-COMm or --aliases");
    if (!options.aliases && options.ports.size() < 2)
        throw refused("give at least two ports: a sender and a target");
    if (options.ports.size() > delivery::kMostPorts)
        throw refused("give at most " + std::to_string(delivery::kMostPorts) +
                      " ports: a send's tag names each in 16 bits");
    if (!options.count && !options.duration)
        throw refused("give --count, --duration or both: the test must end");
    if (options.duration) {
        const auto duration = forms::spanOfTime(*options.duration);
        if (!duration)
            throw refused("--duration '" + *options.duration +
                          "' is not a number with s, m, h or d, such as 8h");
        if (duration->count() == 0)
            throw refused("--duration '" + *options.duration +
                          "' ends the test before it starts: give a longer time, such as 90s");
    }
    if (!options.aliases) pairsNamed(options.pairs, options.ports);
    dataSize(options, requestShape(options));
}

delivery::Plan meshTestPlan(const MeshTestOptions& options, const std::vector<std::string>& names,
                            int timeoutMs) {
    delivery::Plan plan;
    plan.pairs = pairsNamed(options.pairs, names);
    plan.request = requestShape(options);
    plan.size = dataSize(options, plan.request);
    plan.interval = std::chrono::milliseconds(options.intervalMs);
    plan.count = options.count;
    if (options.duration) plan.duration = forms::spanOfTime(*options.duration);
    plan.timeout = std::chrono::milliseconds(timeoutMs);
    plan.run = delivery::drawRunId();
    return plan;
}

}  // namespace deliveryrun

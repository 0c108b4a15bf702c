#include "NamedPorts.h"

#include "Failure.h"
#include "GivenPorts.h"

namespace station {

std::vector<std::string> namedPorts(const std::vector<std::string>& names) {
    ports::GivenPorts given = ports::givenPorts(names);
    if (!given.problem.empty()) throw modlink::Failure(modlink::kExitUsage, given.problem);
    return std::move(given.ports);
}

void refuseMalformedPortName(const std::string& name) {
    if (const std::string problem = ports::malformedPortName(name); !problem.empty())
        throw modlink::Failure(modlink::kExitUsage, problem);
}

void refuseRepeatedPorts(const std::vector<std::string>& ports,
                         const ports::PortDirectory& directory) {
    if (const std::string problem = ports::repeatedPort(ports, directory); !problem.empty())
        throw modlink::Failure(modlink::kExitUsage, problem);
}

void addAdapterPorts(const AdapterModel& model, std::vector<std::string>& ports) {
    std::vector<PluggedUnit> adapters = pluggedAdapters(model);
    if (adapters.empty())
        throw modlink::Failure(modlink::kExitPort, "no adapter " + model.vendorId + ":" +
                                                       model.productId + " is plugged in");
    for (PluggedUnit& adapter : adapters) ports.push_back(std::move(adapter.port));
}

}  // namespace station

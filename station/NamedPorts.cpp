#include "NamedPorts.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "Failure.h"
#include "PortDirectory.h"

namespace {

// The device or address behind a port name, so that two names of one port are seen as one.
std::string portItself(const PortDirectory& directory, const std::string& name) {
    const PortTarget target = directory.resolve(name);
    if (!target.url.empty()) return target.url;
    if (target.path.empty()) return target.name;  // a COM name that maps to no device
    std::error_code error;
    const std::filesystem::path device = std::filesystem::weakly_canonical(target.path, error);
    return error ? target.path : device.string();
}

}  // namespace

void refuseRepeatedPorts(const std::vector<std::string>& ports) {
    if (ports.size() < 2) return;
    const PortDirectory directory;
    std::map<std::string, std::string> named;  // the port itself -> the first name given it
    for (const std::string& port : ports) {
        const std::string itself = portItself(directory, port);
        const auto [first, added] = named.try_emplace(itself, port);
        if (added) continue;
        if (first->second == port)
            throw Failure(kExitUsage, port + " is named twice: name each port once");
        throw Failure(kExitUsage, first->second + " and " + port + " are one port (" + itself +
                                      "): name it once");
    }
}

void addAdapterPorts(const AdapterModel& model, std::vector<std::string>& ports) {
    std::vector<PluggedUnit> adapters = pluggedAdapters(model);
    if (adapters.empty())
        throw Failure(kExitPort,
                      "no adapter " + model.vendorId + ":" + model.productId + " is plugged in");
    for (PluggedUnit& adapter : adapters) ports.push_back(std::move(adapter.port));
}

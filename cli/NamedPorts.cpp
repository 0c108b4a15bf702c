#include "NamedPorts.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "Failure.h"
#include "NetworkAddress.h"
#include "PortNames.h"

namespace {

// The device or address behind a port name, so that two names of one port are seen as one.
std::string portItself(const std::string& name) {
    std::string path = name;
    if (const auto port = portNumberOf(name)) {
        const PortEntry entry = portEntry(*port);
        if (!entry.url.empty()) return entry.url;
        path = devicePathForPort(*port).value_or(name);
    } else if (looksLikeNetworkAddress(name)) {
        return name;
    }
    std::error_code error;
    const std::filesystem::path device = std::filesystem::weakly_canonical(path, error);
    return error ? path : device.string();
}

}  // namespace

void refuseRepeatedPorts(const std::vector<std::string>& ports) {
    if (ports.size() < 2) return;
    std::map<std::string, std::string> named;  // the port itself -> the first name given it
    for (const std::string& port : ports) {
        const std::string itself = portItself(port);
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

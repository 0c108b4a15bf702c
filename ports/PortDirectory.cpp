#include "PortDirectory.h"

#include "PortNames.h"
#include "UsbAdapters.h"

namespace ports {

std::optional<NetworkAddress> PortTarget::address() const {
    if (url.empty()) return std::nullopt;
    return parseNetworkAddress(url).address;
}

PortDirectory::PortDirectory() : m_remote(readRemotePorts()) {}

std::optional<NetworkAddress> PortDirectory::networkAddressOf(int port) const {
    if (localHolder(port)) return std::nullopt;
    const RemotePort* found = m_remote.find(port);
    if (!found) return std::nullopt;
    return found->address;
}

PortEntry PortDirectory::entry(int port) const {
    PortEntry entry{portName(port), {}, {}, {}};
    if (const auto address = networkAddressOf(port)) {
        entry.url = address->text();
        return entry;
    }
    const auto path = devicePathForPort(port);
    if (!path) return entry;
    entry.device = shownDevicePath(port).value_or(*path);
    entry.adapter = usbDeviceDetails(*path);
    return entry;
}

std::string PortDirectory::entryText(int port) const {
    const PortEntry found = entry(port);
    if (!found.url.empty()) return found.name + " (" + found.url + ")";
    if (found.device.empty()) return found.name;
    std::string text = found.name + " (" + found.device;
    for (const std::string& detail : found.adapter) text += ", " + detail;
    return text + ")";
}

std::string PortDirectory::refusedEntryText(int port) {
    const auto device = shownDevicePath(port);
    if (!device) return portName(port);
    return portName(port) + " (" + *device + ", no permission)";
}

std::vector<ListedPort> PortDirectory::listed() const {
    std::vector<ListedPort> ports;
    for (int port = kFirstPort; port <= kLastPort; ++port) {
        const PortAvailability availability =
            m_remote.find(port) ? PortAvailability::kFree : portAvailability(port);
        if (availability == PortAvailability::kFree ||
            availability == PortAvailability::kNoPermission)
            ports.push_back({port, availability,
                             availability == PortAvailability::kFree ? entryText(port)
                                                                     : refusedEntryText(port)});
    }
    return ports;
}

PortTarget PortDirectory::resolve(const std::string& name) const {
    if (const auto port = portNumberOf(name)) {
        PortTarget found = target(*port);
        found.name = name;
        return found;
    }
    if (looksLikeNetworkAddress(name)) return {name, {}, {}, name, {}, {}};
    return {name, name, usbDeviceDetails(name), {}, name, {}};
}

std::vector<PortTarget> PortDirectory::resolve(const std::vector<std::string>& names) const {
    std::vector<PortTarget> targets;
    targets.reserve(names.size());
    for (const std::string& name : names) targets.push_back(resolve(name));
    return targets;
}

PortTarget PortDirectory::lookAgain(const std::string& name) {
    return PortDirectory().resolve(name);
}

PortTarget PortDirectory::target(int port) const {
    PortEntry found = entry(port);
    std::string path = found.url.empty() ? devicePathForPort(port).value_or("") : "";
    return {std::move(found.name), std::move(found.device), std::move(found.adapter),
            std::move(found.url),  std::move(path),         port};
}

}  // namespace ports

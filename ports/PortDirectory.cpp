#include "PortDirectory.h"

#include "PortNames.h"
#include "UsbAdapters.h"

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

PortTarget PortDirectory::resolve(const std::string& name) const {
    if (const auto port = portNumberOf(name)) {
        PortEntry found = entry(*port);
        std::string path = found.url.empty() ? devicePathForPort(*port).value_or(name) : "";
        return {name, std::move(found.device), std::move(found.adapter), std::move(found.url),
                std::move(path)};
    }
    if (looksLikeNetworkAddress(name)) return {name, {}, {}, name, {}};
    return {name, name, usbDeviceDetails(name), {}, name};
}

PortEntry portEntry(int port) {
    return PortDirectory().entry(port);
}

std::optional<NetworkAddress> networkAddressOf(int port) {
    return PortDirectory().networkAddressOf(port);
}

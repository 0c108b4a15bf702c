#pragma once
// COM names for ports across the network, from the user's ports.toml:
//   [ports]
//   COM150 = "rfc2217://bench-3:3333"
// Read afresh wherever ports are listed or opened, without connecting. An entry that cannot be
// used is left out with one line saying where and why; the rest, and the local ports, stay.

#include <optional>
#include <string>
#include <vector>

#include "NetworkAddress.h"

namespace ports {

struct RemotePort {
    int port = 0;
    NetworkAddress address;
};

struct RemotePortTable {
    std::vector<RemotePort> ports;      // in COM order
    std::vector<std::string> problems;  // "FILE:LINE: what is wrong"

    const RemotePort* find(int port) const;
};

// $XDG_CONFIG_HOME/meshcfg/ports.toml, or ~/.config/meshcfg/ports.toml where it is unset.
std::string remotePortsPath();

// A missing file is an empty table and no problem.
RemotePortTable readRemotePorts(const std::string& path = remotePortsPath());

}  // namespace ports

#pragma once
// Every name a port goes by, as one look at this computer and the user's ports.toml finds them:
// "COM<n>" (an alias, a tty of the fixed families or a ports.toml entry), a device path, or a
// network address. A directory reads ports.toml once; a new one sees the file as it is then.

#include <optional>
#include <string>
#include <vector>

#include "NetworkAddress.h"
#include "PortDevice.h"
#include "RemotePorts.h"

namespace ports {

// One port as the port list names it: "COM<n>", the device (for an alias, the path the alias
// points to; empty when n maps to no device or to the network) and what udev tells of a USB
// adapter, or, for a port across the network, its address.
struct PortEntry {
    std::string name;
    std::string device;
    std::vector<std::string> adapter;
    std::string url;
};

// One entry of the port list.
struct ListedPort {
    int port = 0;
    PortAvailability availability = PortAvailability::kFree;
    std::string shown;  // as the list shows it
    const std::string& text() const { return shown; }
};

// What a name the user gave stands for.
struct PortTarget {
    std::string name;                  // as the user gave it: "COM200", "/dev/ttyUSB0", a URL
    std::string device;                // the device as the port list shows it; empty for a URL
    std::vector<std::string> adapter;  // what udev tells of its USB adapter
    std::string url;                   // the network address it stands for, if any
    // The device path it opens; empty for a URL and for a COM name that maps to no device.
    std::string path;
    std::optional<int> port;  // n, for a name "COM<n>"

    // The address url holds; nothing for a local port or a URL that is not valid.
    std::optional<NetworkAddress> address() const;
};

class PortDirectory {
  public:
    PortDirectory();  // reads the user's ports.toml
    explicit PortDirectory(RemotePortTable remote) : m_remote(std::move(remote)) {}

    // The file as read: its usable entries and what is wrong with the others.
    const RemotePortTable& remote() const { return m_remote; }

    // The address COM n stands for: an entry of the file whose number nothing local holds.
    std::optional<NetworkAddress> networkAddressOf(int port) const;

    PortEntry entry(int port) const;
    // "COM<n>" first, then what is known of the device: its path (for an alias, the path the
    // alias points to) and what udev tells of a USB adapter, for example
    // "COM33 (/dev/ttyUSB0, CP2102 USB to UART Bridge, 0001)" or "COM3 (/dev/ttyS2)"; for a port
    // across the network its address: "COM150 (rfc2217://bench-3:3333)".
    std::string entryText(int port) const;
    // The entry of a port the user may not open, with the reason in place of the adapter:
    // "COM33 (/dev/ttyUSB0, no permission)".
    static std::string refusedEntryText(int port);

    // The ports the port list shows, in order: those free now and those the user may not open,
    // with the entries of the file that are usable. These are listed without connecting: a
    // probe would take the server's only connection, or wait for the time-out.
    std::vector<ListedPort> listed() const;

    PortTarget resolve(const std::string& name) const;
    std::vector<PortTarget> resolve(const std::vector<std::string>& names) const;
    PortTarget target(int port) const;  // what "COM<n>" stands for

    // What a lost port's name stands for now, for the watch that waits for it to return: the
    // file and the devices as they are then (an adapter replugged, an alias pointed elsewhere).
    // Every other opening takes the target its face resolved.
    static PortTarget lookAgain(const std::string& name);

  private:
    RemotePortTable m_remote;
};

}  // namespace ports

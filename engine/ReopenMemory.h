#pragma once
// How the port was last opened, and after a hang-up the watch for its device's return: the
// settings, the USB adapter's identity read while it was there to be read, or the address of a
// port across the network, and whether continuous sending ran when the device went.

#include <memory>
#include <optional>

#include "LineSettings.h"
#include "LostPort.h"
#include "NetworkAddress.h"
#include "PortDirectory.h"
#include "TtyHotplugMonitor.h"

namespace engine {

struct PortSettings {
    int port = 0;
    int baud = 0;  // bits per second
    proto::Parity parity = proto::Parity::kNone;
    bool operator==(const PortSettings&) const = default;
};

class ReopenMemory {
  public:
    // Opened by what its COM name stood for then.
    void opened(const PortSettings& settings, const ports::PortTarget& target);
    // Connected across the network at this address.
    void connected(const PortSettings& settings, const ports::NetworkAddress& address);
    // A port opened by a name that is no COM number: nothing to reopen it by.
    void forget();
    const std::optional<PortSettings>& settings() const { return m_settings; }
    // Where the port opened last is served, for a port across the network.
    const std::optional<ports::NetworkAddress>& address() const { return m_address; }

    // At the hang-up: the first look for the device is taken at once.
    void lost(bool wasSending);
    bool wasSending() const { return m_wasSending; }
    bool watching() const { return m_lost.has_value(); }
    void stopWatching();

    // The port that names the returned device now; nothing while it is away.
    std::optional<int> returnedPort();
    // True the first time in a watch that the returned device is found held by another program.
    bool firstFoundInUse();
    // True the first time in a watch that the server of a port across the network took the
    // connection and closed it at once.
    bool firstClosedByServer();
    // Only an adapter announces its return; an alias or a pseudo-terminal is found by looking.
    int hotplugFd() const;
    // Drains the hot-plug news; true when a tty was added or removed, which counts as the lost
    // device seen gone: one that resets between two looks is back by the next.
    bool takeHotplugNews();

  private:
    std::optional<PortSettings> m_settings;
    std::optional<ports::UsbIdentity> m_adapter;
    std::optional<ports::NetworkAddress> m_address;
    bool m_foundInUse = false;
    bool m_closedByServer = false;
    bool m_wasSending = false;
    std::optional<serial::LostPort> m_lost;
    // Made for each watch, so that no events queue up while nothing is lost.
    std::unique_ptr<ports::TtyHotplugMonitor> m_hotplug;
};

}  // namespace engine

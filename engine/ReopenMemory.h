#pragma once
// How the port was last opened, and after a hang-up the watch for its device's return: the
// settings, the USB adapter's identity read while it was there to be read, and whether
// continuous sending ran when the device went.

#include <memory>
#include <optional>

#include "LostPort.h"
#include "TtyHotplugMonitor.h"

namespace engine {

struct PortSettings {
    int port = 0;
    int baud = 0;    // bits per second
    int parity = 0;  // 0 none, 1 odd, 2 even
    bool operator==(const PortSettings&) const = default;
};

class ReopenMemory {
  public:
    void opened(const PortSettings& settings);
    const std::optional<PortSettings>& settings() const { return m_settings; }

    // At the hang-up: the first look for the device is taken at once.
    void lost(bool wasSending);
    bool wasSending() const { return m_wasSending; }
    bool watching() const { return m_lost.has_value(); }
    void stopWatching();

    // The port that names the returned device now; nothing while it is away.
    std::optional<int> returnedPort();
    // Only an adapter announces its return; an alias or a pseudo-terminal is found by looking.
    int hotplugFd() const;
    bool takeHotplugAdded();

  private:
    std::optional<PortSettings> m_settings;
    std::optional<UsbIdentity> m_adapter;
    bool m_wasSending = false;
    std::optional<LostPort> m_lost;
    // Made for each watch, so that no events queue up while nothing is lost.
    std::unique_ptr<TtyHotplugMonitor> m_hotplug;
};

}  // namespace engine

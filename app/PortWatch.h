#pragma once
// After a hang-up, looks for the lost port's device twice a second, and at once when udev
// reports a tty added or removed, until it returns or the watch is ended; then hands the port
// to open back to the window.

#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "LostPort.h"
#include "TtyHotplugMonitor.h"

class PortWatch {
  public:
    using OnReturn = std::function<void(int port)>;
    explicit PortWatch(OnReturn onReturn);

    // At the hang-up, with the adapter's identity as read when the port opened.
    void start(int port, std::optional<UsbIdentity> adapter);
    void stop();
    bool isWatching() const { return m_lost.has_value(); }

  private:
    void check();
    void onHotplug();

    OnReturn m_onReturn;
    std::optional<LostPort> m_lost;
    QTimer m_timer;
    // Made for each watch, so that no events queue up while nothing is lost.
    std::unique_ptr<TtyHotplugMonitor> m_hotplug;
    std::unique_ptr<QSocketNotifier> m_hotplugNotifier;
};

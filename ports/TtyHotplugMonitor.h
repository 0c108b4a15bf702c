#pragma once
// Hot-plug events of the tty subsystem from udev's monitor, so that a watch for a returning
// adapter costs nothing while nothing is plugged: the descriptor is for poll() or a socket
// notifier, and reads never block. Where udev's daemon does not run, no events come.

#include "UdevHandles.h"

namespace ports {

class TtyHotplugMonitor {
  public:
    TtyHotplugMonitor();  // never throws

    // -1 where no monitor could be made.
    int fd() const;

    // Drains what is pending; true if any tty was added or removed.
    bool takeAddOrRemoveEvents();

  private:
    Udev m_udev;
    UdevMonitor m_monitor;  // after m_udev, so it goes first
};

}  // namespace ports

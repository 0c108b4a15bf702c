#pragma once
// The device a port stood for when it hung up, and how to tell that it is back. A USB adapter
// is known by its identity, so a replug on another USB port or under another ttyUSB number is
// found, with the COM port that now names it; any other device by the port's name leading to
// a tty again. Either must be seen gone first (or a tty reported removed or added), which keeps a
// dying device, whose node outlives its hang-up for a moment, from counting as returned. A check
// costs a few system calls (a scan of the tty devices for an adapter), so twice a second is free.

#include <optional>

#include "UsbAdapters.h"

namespace serial {

class LostPort {
  public:
    // Call it at the hang-up, with the adapter's identity as it was read when the port opened
    // (by now it is gone): the first look is taken at once.
    LostPort(int port, std::optional<ports::UsbIdentity> adapter);

    int port() const { return m_port; }
    // The port to open now that its device has returned; nothing while it is away.
    std::optional<int> returnedPort();
    // A tty was removed or added: a device that resets between two looks is gone and back
    // before the next one, and counts as seen gone.
    void hotplugSeen() { m_seenGone = true; }

  private:
    std::optional<int> portOfDevice() const;  // where the device is now, if it is there

    int m_port;
    std::optional<ports::UsbIdentity> m_adapter;
    bool m_seenGone = false;
};

}  // namespace serial

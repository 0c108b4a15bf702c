#pragma once
// Opening the device behind a COM port number without sharing it. Other programs are kept out
// by an advisory lock, which holds for root too; TIOCEXCL adds the kernel's own refusal for
// everyone else.

#include <string>

#include "FileDescriptor.h"

namespace ports {

struct PortTarget;

struct OpenedDevice {
    files::FileDescriptor fd;
    std::string error;  // why fd is empty, in plain words for the user
    int errorCode = 0;  // the errno behind it, 0 where no call failed
};

// What the port list makes of a port: a device the user may not open is listed with the reason,
// so that Open can show what to do; one in use elsewhere or missing is left out. In use shows as
// the advisory lock taken (EWOULDBLOCK) or, for all but root, the kernel's exclusive mode (EBUSY).
enum class PortAvailability { kFree, kNoPermission, kInUse, kAbsent };
// Whether COM port n can be opened now: opens it and lets it go at once.
PortAvailability portAvailability(int port);

// Resolves the port, opens the device (non-blocking, not as controlling terminal), refuses what
// is not a tty and takes the lock. A device locked by anyone, this process included, is refused.
OpenedDevice openPortDevice(int port);
// The same for a device named by its path, such as /dev/ttyUSB0 or a /dev/serial/by-id link.
OpenedDevice openDevicePath(const std::string& path);
// The same for the device a name stands for; not for a port across the network.
OpenedDevice openTargetDevice(const PortTarget& target);

// TIOCEXCL stays on the tty while any descriptor of it is open, not only ours, so it must be
// cleared before the port is closed or the next user of a still-held pty is refused.
std::string claimExclusive(int fd);
void releaseExclusive(int fd);

}  // namespace ports

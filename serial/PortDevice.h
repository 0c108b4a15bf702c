#pragma once
// Opening the device behind a COM port number without sharing it. Other programs are kept out
// by an advisory lock, which holds for root too; TIOCEXCL adds the kernel's own refusal for
// everyone else.

#include <string>

#include "FileDescriptor.h"

struct OpenedDevice {
    FileDescriptor fd;
    std::string error;  // why fd is empty, in plain words for the user
};

// Resolves the port, opens the device (non-blocking, not as controlling terminal), refuses what
// is not a tty and takes the lock. A device locked by anyone, this process included, is refused.
OpenedDevice openPortDevice(int port);

// TIOCEXCL stays on the tty while any descriptor of it is open, not only ours, so it must be
// cleared before the port is closed or the next user of a still-held pty is refused.
std::string claimExclusive(int fd);
void releaseExclusive(int fd);

#pragma once
// What the system knows of the adapter behind a tty, so that a port list entry tells the
// adapter on the desk apart from its neighbours. Read from sysfs; the root is a parameter so
// that a fake tree can stand in for /sys.

#include <string>
#include <vector>

inline constexpr const char* kSysfsRoot = "/sys";

// For a USB adapter or ACM device: its product string, then its serial number, or its USB port
// path (such as "1-1.2") where the serial number is missing or another adapter shows the same
// product and serial number. devicePath may be a link, or a chain of links as in
// /dev/serial/by-id; the tty it finally names is described, and it need not exist. Empty for
// legacy ports, pseudo-terminals and whatever sysfs cannot tell; never blocks or throws.
std::vector<std::string> usbDeviceDetails(const std::string& devicePath,
                                          const std::string& sysfsRoot = kSysfsRoot);

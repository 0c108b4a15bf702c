#pragma once
// What udev tells of the USB adapter behind a tty: the port list's text, so that an entry tells
// the adapter on the desk apart from its neighbours, and what makes a replug of the same adapter
// recognisable on another USB port or under another ttyUSB number. devicePath may be a link,
// or a chain of links as in /dev/serial/by-id; the tty it finally names is looked up, and it
// need not exist. Nothing here blocks or throws.

#include <optional>
#include <string>
#include <vector>

namespace ports {

// For a USB adapter or ACM device: its product string, then its serial number, or its USB port
// path (such as "1-1.2") where the serial number is missing or another adapter shows the same
// product and serial number. Empty for legacy ports, pseudo-terminals and whatever udev cannot
// tell.
std::vector<std::string> usbDeviceDetails(const std::string& devicePath);

// The idVendor, idProduct and serial of the USB device, and the bInterfaceNumber of the tty's
// interface, which tells apart the ports of a multi-port adapter.
struct UsbIdentity {
    std::string vendorId;
    std::string productId;
    std::string serial;
    std::string interfaceNumber;
    bool operator==(const UsbIdentity&) const = default;
};

// None where the tty is not on a USB device.
std::optional<UsbIdentity> usbIdentity(const std::string& devicePath);

// The device node (/dev/ttyUSBn ...) of the plugged adapter with this identity, if exactly one
// adapter has it now: adapters of one model often share a serial number or have none, and
// opening the wrong one would be worse than opening none.
std::optional<std::string> ttyOfAdapter(const UsbIdentity& identity);

// The device node of the one plugged USB tty whose adapter carries this serial number, so that a
// module keeps its name in whichever socket its adapter is; otherwise why none is taken: no
// adapter carries it, or several ttys do (adapters sharing a serial, a multi-port adapter),
// where opening the wrong one would be worse than opening none.
struct SerialTty {
    std::optional<std::string> node;
    std::string problem;
};
SerialTty ttyOfSerial(const std::string& serial);

// The device nodes of every plugged USB tty whose device has this idVendor and idProduct (four
// hex digits each, as udev spells them), sorted; a station takes only its own adapter model.
std::vector<std::string> ttysOfModel(const std::string& vendorId, const std::string& productId);

}  // namespace ports

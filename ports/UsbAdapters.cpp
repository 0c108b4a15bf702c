#include "UsbAdapters.h"

#include <algorithm>
#include <filesystem>

#include "PrintableText.h"
#include "UdevHandles.h"

namespace ports {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;  // the kernel's own limit for one path

// The link target need not exist: an alias may name a tty that udev knows and /dev does not.
std::string finalTtyName(const std::string& devicePath) {
    fs::path path = devicePath;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(path, error)) break;
        const fs::path target = fs::read_symlink(path, error);
        if (error) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.filename().string();
}

// USB descriptors are whatever the firmware put there.
std::string attribute(udev_device* device, const char* name) {
    const char* value = udev_device_get_sysattr_value(device, name);
    return value == nullptr ? std::string() : files::printableText(value);
}

// A tty on a USB device: the tty of an ACM interface, or of a USB serial port below one. The
// USB device is the tty's ancestor and belongs to it.
struct UsbTty {
    UdevDevice tty;
    udev_device* usbDevice = nullptr;

    bool onSameDeviceAs(const UsbTty& other) const {
        return std::string_view(udev_device_get_syspath(usbDevice)) ==
               udev_device_get_syspath(other.usbDevice);
    }

    UsbIdentity identity() const {
        udev_device* interface =
            udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_interface");
        return {attribute(usbDevice, "idVendor"), attribute(usbDevice, "idProduct"),
                attribute(usbDevice, "serial"),
                interface == nullptr ? std::string() : attribute(interface, "bInterfaceNumber")};
    }
};

std::optional<UsbTty> usbTty(UdevDevice tty) {
    if (!tty) return std::nullopt;
    udev_device* usbDevice =
        udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
    if (usbDevice == nullptr) return std::nullopt;
    return UsbTty{std::move(tty), usbDevice};
}

std::optional<UsbTty> usbTtyAt(udev* context, const std::string& devicePath) {
    const std::string name = finalTtyName(devicePath);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    return usbTty(UdevDevice(udev_device_new_from_subsystem_sysname(context, "tty", name.c_str())));
}

std::vector<UsbTty> pluggedUsbTtys(udev* context) {
    std::vector<UsbTty> ttys;
    const UdevEnumerate enumerate(udev_enumerate_new(context));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return ttys;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        auto tty = usbTty(
            UdevDevice(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry))));
        if (tty) ttys.push_back(std::move(*tty));
    }
    return ttys;
}

// Adapters of one model often share a serial number (a factory default) or have none; a tty
// on the same USB device (another interface of it) is the same adapter and does not count.
bool serialTellsApart(udev* context, const UsbTty& adapter) {
    const std::string product = attribute(adapter.usbDevice, "product");
    const std::string serial = attribute(adapter.usbDevice, "serial");
    if (serial.empty()) return false;
    const std::vector<UsbTty> ttys = pluggedUsbTtys(context);
    return std::none_of(ttys.begin(), ttys.end(), [&](const UsbTty& other) {
        return !other.onSameDeviceAs(adapter) && attribute(other.usbDevice, "serial") == serial &&
               attribute(other.usbDevice, "product") == product;
    });
}

}  // namespace

std::vector<std::string> usbDeviceDetails(const std::string& devicePath) {
    const Udev context(udev_new());
    if (!context) return {};
    const auto adapter = usbTtyAt(context.get(), devicePath);
    if (!adapter) return {};
    std::vector<std::string> details;
    std::string product = attribute(adapter->usbDevice, "product");
    if (!product.empty()) details.push_back(std::move(product));
    details.push_back(serialTellsApart(context.get(), *adapter)
                          ? attribute(adapter->usbDevice, "serial")
                          : udev_device_get_sysname(adapter->usbDevice));
    return details;
}

std::optional<UsbIdentity> usbIdentity(const std::string& devicePath) {
    const Udev context(udev_new());
    if (!context) return std::nullopt;
    const auto adapter = usbTtyAt(context.get(), devicePath);
    if (!adapter) return std::nullopt;
    return adapter->identity();
}

std::optional<std::string> ttyOfAdapter(const UsbIdentity& identity) {
    const Udev context(udev_new());
    if (!context) return std::nullopt;
    const std::vector<UsbTty> ttys = pluggedUsbTtys(context.get());
    const auto match = std::find_if(ttys.begin(), ttys.end(),
                                    [&](const UsbTty& tty) { return tty.identity() == identity; });
    if (match == ttys.end()) return std::nullopt;
    const bool anotherAdapterMatches =
        std::any_of(ttys.begin(), ttys.end(), [&](const UsbTty& tty) {
            return !tty.onSameDeviceAs(*match) && tty.identity() == identity;
        });
    const char* node = udev_device_get_devnode(match->tty.get());
    if (anotherAdapterMatches || node == nullptr) return std::nullopt;
    return node;
}

SerialTty ttyOfSerial(const std::string& serial) {
    std::vector<std::string> nodes;
    const Udev context(udev_new());
    if (context && !serial.empty())
        for (const UsbTty& tty : pluggedUsbTtys(context.get())) {
            const char* node = udev_device_get_devnode(tty.tty.get());
            if (node != nullptr && tty.identity().serial == serial) nodes.emplace_back(node);
        }
    if (nodes.size() == 1) return {std::move(nodes.front()), {}};
    const std::string named = "adapter '" + files::printableText(serial) + "'";
    if (nodes.empty()) return {std::nullopt, "no " + named + " is plugged in"};
    std::sort(nodes.begin(), nodes.end());
    std::string list;
    for (const std::string& node : nodes) list += (list.empty() ? "" : ", ") + node;
    return {std::nullopt, named + " names " + std::to_string(nodes.size()) + " ports (" + list +
                              "): name the module by its port instead"};
}

std::vector<std::string> ttysOfModel(const std::string& vendorId, const std::string& productId) {
    std::vector<std::string> nodes;
    const Udev context(udev_new());
    if (!context) return nodes;
    for (const UsbTty& tty : pluggedUsbTtys(context.get())) {
        const UsbIdentity identity = tty.identity();
        const char* node = udev_device_get_devnode(tty.tty.get());
        if (node != nullptr && identity.vendorId == vendorId && identity.productId == productId)
            nodes.emplace_back(node);
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

}  // namespace ports

#include "UsbTestbed.h"

#include <umockdev.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<const char*, const char*>>;

// umockdev takes name, value, name, value ... and a null at the end.
std::vector<gchar*> nullTerminated(const Pairs& pairs) {
    std::vector<gchar*> list;
    for (const auto& [name, value] : pairs) {
        if (value == nullptr) continue;
        list.push_back(const_cast<gchar*>(name));
        list.push_back(const_cast<gchar*>(value));
    }
    list.push_back(nullptr);
    return list;
}

std::string add(UMockdevTestbed* testbed, const char* subsystem, const std::string& name,
                const std::string& parent, const Pairs& attributes, const Pairs& properties) {
    auto attributeList = nullTerminated(attributes);
    auto propertyList = nullTerminated(properties);
    gchar* syspath = umockdev_testbed_add_devicev(testbed, subsystem, name.c_str(),
                                                  parent.empty() ? nullptr : parent.c_str(),
                                                  attributeList.data(), propertyList.data());
    if (syspath == nullptr) throw std::runtime_error("umockdev refused " + name);
    std::string path = syspath;
    g_free(syspath);
    return path;
}

// Without the preload, udev would read the machine's own /sys.
bool underPreload() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr &&
           std::string_view(preload).find("libumockdev-preload") != std::string_view::npos;
}

}  // namespace

UsbTestbed::UsbTestbed() {
    if (!underPreload()) {
        throw std::runtime_error("run this test under umockdev-wrapper");
    }
    m_testbed = umockdev_testbed_new();
}

UsbTestbed::~UsbTestbed() {
    g_object_unref(m_testbed);
}

std::string UsbTestbed::usbDevice(const std::string& portPath, const Descriptors& descriptors,
                                  const std::string& hub) {
    return add(m_testbed, "usb", portPath, hub,
               {{"idVendor", descriptors.vendorId},
                {"idProduct", descriptors.productId},
                {"product", descriptors.product},
                {"serial", descriptors.serial}},
               {{"DEVTYPE", "usb_device"}});
}

std::string UsbTestbed::usbSerialTty(const std::string& name, const std::string& usbDevice,
                                     int interfaceNumber) {
    const std::string port =
        add(m_testbed, "usb-serial", name, interface(usbDevice, interfaceNumber), {}, {});
    return tty(name, port);
}

std::string UsbTestbed::acmTty(const std::string& name, const std::string& usbDevice) {
    return tty(name, interface(usbDevice, 0));
}

std::string UsbTestbed::legacyTty(const std::string& name) {
    return tty(name, add(m_testbed, "pnp", "00:01", {}, {}, {}));
}

void UsbTestbed::remove(const std::string& syspath) {
    umockdev_testbed_remove_device(m_testbed, syspath.c_str());
}

void UsbTestbed::announce(const std::string& syspath, const char* action) {
    umockdev_testbed_uevent(m_testbed, syspath.c_str(), action);
}

std::string UsbTestbed::interface(const std::string& usbDevice, int interfaceNumber) {
    const std::string portPath = std::filesystem::path(usbDevice).filename();
    char number[3];
    std::snprintf(number, sizeof number, "%02x", interfaceNumber);
    return add(m_testbed, "usb", portPath + ":1." + std::to_string(interfaceNumber), usbDevice,
               {{"bInterfaceNumber", number}}, {{"DEVTYPE", "usb_interface"}});
}

std::string UsbTestbed::tty(const std::string& name, const std::string& parent) {
    return add(m_testbed, "tty", name, parent, {}, {{"DEVNAME", name.c_str()}});
}

#include "TtyHotplugMonitor.h"

#include <string_view>

namespace ports {

TtyHotplugMonitor::TtyHotplugMonitor() : m_udev(udev_new()) {
    if (!m_udev) return;
    // Events after udev has made the node and its links, not the kernel's raw ones.
    UdevMonitor monitor(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        return;
    }
    m_monitor = std::move(monitor);
}

int TtyHotplugMonitor::fd() const {
    return m_monitor ? udev_monitor_get_fd(m_monitor.get()) : -1;
}

bool TtyHotplugMonitor::takeAddOrRemoveEvents() {
    if (!m_monitor) return false;
    bool seen = false;
    while (const UdevDevice device{udev_monitor_receive_device(m_monitor.get())}) {
        const char* action = udev_device_get_action(device.get());
        const std::string_view name = action != nullptr ? action : "";
        seen = seen || name == "add" || name == "remove";
    }
    return seen;
}

}  // namespace ports

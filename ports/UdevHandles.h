#pragma once
// Owners of libudev's reference-counted objects, so that no early return leaks one. A parent
// got from a device belongs to that device and is not owned here.

#include <libudev.h>

#include <memory>

namespace ports {

template <auto unref>
struct UdevUnref {
    template <typename T>
    void operator()(T* object) const noexcept {
        unref(object);
    }
};

using Udev = std::unique_ptr<udev, UdevUnref<udev_unref>>;
using UdevDevice = std::unique_ptr<udev_device, UdevUnref<udev_device_unref>>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevUnref<udev_enumerate_unref>>;
using UdevMonitor = std::unique_ptr<udev_monitor, UdevUnref<udev_monitor_unref>>;

}  // namespace ports

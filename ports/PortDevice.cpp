#include "PortDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "PortDirectory.h"
#include "PortNames.h"

namespace ports {

namespace {

bool refusesUser(int error) {
    return error == EACCES || error == EPERM;
}

bool heldElsewhere(int error) {
    return error == EBUSY || error == EWOULDBLOCK;
}

std::string describeError(int error, const std::string& path) {
    if (refusesUser(error)) return "Permission denied: add your user to the dialout group";
    if (heldElsewhere(error)) return "In use by another program";
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return "No such device: " + path;
        default:
            return path + ": " + std::strerror(error);
    }
}

// The caller names the port already.
OpenedDevice noDeviceForName() {
    return {{}, "No such device: no alias of that name in " + aliasDirectory()};
}

}  // namespace

OpenedDevice openPortDevice(int port) {
    const auto path = devicePathForPort(port);
    if (!path) return noDeviceForName();
    return openDevicePath(*path);
}

OpenedDevice openTargetDevice(const PortTarget& target) {
    if (target.path.empty()) return noDeviceForName();
    return openDevicePath(target.path);
}

OpenedDevice openDevicePath(const std::string& path) {
    const auto failed = [&path](int error) {
        return OpenedDevice{{}, describeError(error, path), error};
    };
    files::FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) return failed(errno);
    if (!::isatty(fd.get())) return {{}, "Not a serial port: " + path};
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return failed(errno);
    return {std::move(fd), {}};
}

PortAvailability portAvailability(int port) {
    const OpenedDevice device = openPortDevice(port);
    if (device.fd) return PortAvailability::kFree;
    if (refusesUser(device.errorCode)) return PortAvailability::kNoPermission;
    return heldElsewhere(device.errorCode) ? PortAvailability::kInUse : PortAvailability::kAbsent;
}

std::string claimExclusive(int fd) {
    if (::ioctl(fd, TIOCEXCL) != 0)
        return std::string("Cannot claim the port: ") + std::strerror(errno);
    return {};
}

void releaseExclusive(int fd) {
    ::ioctl(fd, TIOCNXCL);
}

}  // namespace ports

#include "DeviceDescription.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "FileDescriptor.h"
#include "PrintableText.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;  // the kernel's own limit for one path
constexpr std::size_t kMaxAttributeBytes = 512;

struct UsbAdapter {
    fs::path directory;  // its name is the USB port path
    std::string product;
    std::string serial;
};

// The link target need not exist: an alias may name a tty that sysfs knows and /dev does not.
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

// Non-blocking and regular files only, so that nothing under a strange root can stall the
// port list; sysfs attributes are always small regular files.
std::string readAttribute(const fs::path& directory, const char* name) {
    const FileDescriptor fd(
        ::open((directory / name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    char buffer[kMaxAttributeBytes];
    const ssize_t length = ::read(fd.get(), buffer, sizeof buffer);
    if (length <= 0) return {};
    return printableText(std::string_view(buffer, static_cast<std::size_t>(length)));
}

bool isUsbDevice(const fs::path& directory) {
    std::error_code error;
    return fs::is_regular_file(directory / "idVendor", error) &&
           fs::is_regular_file(directory / "idProduct", error);
}

bool isWithin(const fs::path& path, const fs::path& top) {
    return std::mismatch(top.begin(), top.end(), path.begin(), path.end()).first == top.end();
}

// The tty's device link leads to a USB interface (ACM) or to a port below one (USB serial);
// the USB device is the first ancestor that carries the vendor and product ids.
std::optional<UsbAdapter> usbAdapter(const fs::path& sysfsTop, const std::string& tty) {
    if (tty.empty() || tty == "." || tty == "..") return std::nullopt;
    std::error_code error;
    fs::path directory = fs::canonical(sysfsTop / "class" / "tty" / tty / "device", error);
    if (error || !isWithin(directory, sysfsTop)) return std::nullopt;
    for (; directory != sysfsTop; directory = directory.parent_path()) {
        if (isUsbDevice(directory)) {
            return UsbAdapter{directory, readAttribute(directory, "product"),
                              readAttribute(directory, "serial")};
        }
    }
    return std::nullopt;
}

// Adapters of one model often share a serial number (a factory default) or have none; a tty
// on the same USB device (another interface of it) is the same adapter and does not count.
bool serialTellsApart(const fs::path& sysfsTop, const UsbAdapter& adapter) {
    if (adapter.serial.empty()) return false;
    std::error_code error;
    fs::directory_iterator entry(sysfsTop / "class" / "tty", error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const auto other = usbAdapter(sysfsTop, entry->path().filename().string());
        if (other && other->directory != adapter.directory && other->product == adapter.product &&
            other->serial == adapter.serial) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<std::string> usbDeviceDetails(const std::string& devicePath,
                                          const std::string& sysfsRoot) {
    std::error_code error;
    const fs::path sysfsTop = fs::canonical(sysfsRoot, error);
    if (error) return {};
    const auto adapter = usbAdapter(sysfsTop, finalTtyName(devicePath));
    if (!adapter) return {};
    std::vector<std::string> details;
    if (!adapter->product.empty()) details.push_back(adapter->product);
    details.push_back(serialTellsApart(sysfsTop, *adapter)
                          ? adapter->serial
                          : adapter->directory.filename().string());
    return details;
}

#include "PortNames.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <utility>

#include "UserFolders.h"

namespace ports {

namespace {

namespace fs = std::filesystem;

struct PortFamily {
    int firstPort;
    int lastPort;
    const char* devicePrefix;
};

constexpr PortFamily kFamilies[] = {
    {1, 32, "/dev/ttyS"},
    {33, 64, "/dev/ttyUSB"},
    {65, 96, "/dev/ttyACM"},
    {97, 128, "/dev/ttyAMA"},
};

// The alias wins as soon as its entry exists, even when it dangles: a published COM n must
// not silently fall through to another device of the same number.
std::optional<std::string> aliasEntry(int port) {
    std::string path = aliasDirectory() + "/" + portName(port);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return path;
}

std::optional<std::string> familyDevice(int port) {
    for (const PortFamily& family : kFamilies) {
        if (port >= family.firstPort && port <= family.lastPort) {
            return family.devicePrefix + std::to_string(port - family.firstPort);
        }
    }
    return std::nullopt;
}

std::string aliasTarget(const std::string& alias) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(alias.c_str(), target, sizeof target);
    if (length <= 0) return alias;
    return std::string(target, static_cast<std::size_t>(length));
}

struct ResolvedPort {
    std::string path;
    bool isAlias = false;
};

std::optional<ResolvedPort> resolvePort(int port) {
    if (port < kFirstPort || port > kLastPort) return std::nullopt;
    if (auto alias = aliasEntry(port)) return ResolvedPort{std::move(*alias), true};
    if (auto device = familyDevice(port)) return ResolvedPort{std::move(*device), false};
    return std::nullopt;
}

bool isCharacterDevice(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// What the user should see for an alias: the device it stands for, not our own link name.
std::string shownPath(const ResolvedPort& device) {
    return device.isAlias ? aliasTarget(device.path) : device.path;
}

}  // namespace

std::string portName(int port) {
    return "COM" + std::to_string(port);
}

std::optional<int> portNumberOf(std::string_view name) {
    constexpr std::string_view kPrefix = "COM";
    if (!name.starts_with(kPrefix)) return std::nullopt;
    int port = 0;
    const char* end = name.data() + name.size();
    const auto result = std::from_chars(name.data() + kPrefix.size(), end, port);
    if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
    if (port < kFirstPort || port > kLastPort) return std::nullopt;
    return port;
}

bool looksLikeComName(std::string_view name) {
    return name.size() > 3 && name.starts_with("COM") &&
           std::all_of(name.begin() + 3, name.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::optional<std::string> localHolder(int port) {
    const auto device = resolvePort(port);
    if (!device) return std::nullopt;
    if (device->isAlias) return shownPath(*device) + " (a COM alias)";
    if (isCharacterDevice(device->path)) return device->path;
    return std::nullopt;
}

std::string aliasDirectory() {
    if (const std::string runtime = files::runtimeDir(); !runtime.empty())
        return runtime + "/qz470mr";
    return "/tmp/qz470mr-" + std::to_string(::getuid());
}

std::string aliasDirectoryProblem() {
    const std::string directory = aliasDirectory();
    struct stat info {};
    if (::lstat(directory.c_str(), &info) != 0) return {};
    if (S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0) return {};
    return directory +
           " is not a folder of this user, writable only by it: its COM aliases are "
           "not followed";
}

std::optional<std::string> devicePathForPort(int port) {
    auto device = resolvePort(port);
    if (!device) return std::nullopt;
    return std::move(device->path);
}

std::optional<int> portNaming(const std::string& devicePath, int preferred) {
    std::error_code error;
    const fs::path device = fs::weakly_canonical(devicePath, error);
    if (error) return std::nullopt;
    const auto names = [&](int port) {
        const auto path = devicePathForPort(port);
        std::error_code pathError;
        return path && fs::weakly_canonical(*path, pathError) == device && !pathError;
    };
    if (names(preferred)) return preferred;
    for (int port = kFirstPort; port <= kLastPort; ++port)
        if (names(port)) return port;
    return std::nullopt;
}

std::optional<std::string> shownDevicePath(int port) {
    const auto device = resolvePort(port);
    if (!device) return std::nullopt;
    return shownPath(*device);
}

}  // namespace ports

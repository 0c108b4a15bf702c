#pragma once
// COM port numbers to Linux devices: an alias in the alias directory first, then the fixed
// families (COM1-32 ttyS, COM33-64 ttyUSB, COM65-96 ttyACM, COM97-128 ttyAMA).

#include <optional>
#include <string>
#include <string_view>

namespace ports {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 255;

// The number of "COM<n>" for n from 1 to 255; nothing for any other text.
std::optional<int> portNumberOf(std::string_view name);

// "COM" and decimal digits, whatever the number: a name that can only mean a COM port.
bool looksLikeComName(std::string_view name);

// What already names COM n on this computer: the path an alias points to, or a tty of the
// fixed families that is present. A remote port may take only a number nothing here holds.
std::optional<std::string> localHolder(int port);

// $XDG_RUNTIME_DIR/qz470mr, or /tmp/qz470mr-<uid> where XDG_RUNTIME_DIR is unset.
std::string aliasDirectory();

// Why the links in the alias folder must not be followed: it is not a folder of this user,
// writable only by it, so another user could plant a COM alias leading to any device. Empty
// when it can be trusted or does not exist (yet).
std::string aliasDirectoryProblem();

// "COM<n>".
std::string portName(int port);

// The device path COM n stands for, or nothing when n maps to no device name.
std::optional<std::string> devicePathForPort(int port);

// The COM port that names this device, links followed on both sides, trying the preferred one
// first: for an adapter that came back as another tty.
std::optional<int> portNaming(const std::string& devicePath, int preferred);

// The device COM n stands for as the port list shows it: for an alias, the path it points to.
std::optional<std::string> shownDevicePath(int port);

}  // namespace ports

#pragma once
// COM port numbers to Linux devices: an alias in the alias directory first, then the fixed
// families (COM1-32 ttyS, COM33-64 ttyUSB, COM65-96 ttyACM, COM97-128 ttyAMA).

#include <optional>
#include <string>

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 255;

// $XDG_RUNTIME_DIR/qz470mr, or /tmp/qz470mr-<uid> where XDG_RUNTIME_DIR is unset.
std::string aliasDirectory();

// The device path COM n stands for, or nothing when n maps to no device name.
std::optional<std::string> devicePathForPort(int port);

// The port list entry: "COM<n>" first, then what is known of the device, for example
// "COM33 (/dev/ttyUSB0)".
std::string portEntryText(int port);

#pragma once
// What the codes of a setup frame stand for, so that every face names them alike: power 1 to 7,
// life cycle "1h" to "24h", the module UART's rates and parities.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace proto {

inline constexpr int kPowerLevels = 7;  // the power code is the level, 1 to 7
inline constexpr int kLifeCycles = 24;  // code 0 is "1h"
inline constexpr std::string_view kHourUnit = "h";
inline constexpr std::array<int, 8> kUartBaudRates = {1200,  2400,  4800,  9600,
                                                      19200, 38400, 57600, 115200};
// Also the serial port's parity code: 0 none, 1 odd, 2 even.
inline constexpr std::array<std::string_view, 3> kParityNames = {"NO", "ODD", "EVEN"};

std::string lifeCycleName(int index);  // "6h" for 5
std::optional<int> lifeCycleIndex(std::string_view name);
std::optional<int> uartBaudIndex(int baud);
std::optional<int> parityIndex(std::string_view name);

}  // namespace proto

#pragma once
// What the codes of the send-data frames stand for: route modes, the hop limit, relays, the
// intervals of continuous sending and the module's verdicts on a send.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace proto {

inline constexpr std::array<std::string_view, 4> kRouteModeNames = {"Forbidden", "Auto", "Force",
                                                                    "Source"};
inline constexpr std::uint8_t kRouteModeAuto = 1;
inline constexpr std::uint8_t kRouteModeSource = 3;  // the only mode that carries relays
inline constexpr std::uint8_t kAckRequested = 1;     // the ACK byte asks the target to confirm
inline constexpr int kJumpLimits = 7;                // the jump code is the limit, 1 to 7
inline constexpr int kMaxRelays = 6;

inline constexpr std::array<std::chrono::milliseconds, 6> kSendIntervals = {
    std::chrono::milliseconds{1000}, std::chrono::milliseconds{2000},
    std::chrono::milliseconds{3000}, std::chrono::milliseconds{5000},
    std::chrono::milliseconds{8000}, std::chrono::milliseconds{10000}};

// Send statuses: the byte a send confirmation carries.
inline constexpr std::uint8_t kStatusOk = 0x00;
inline constexpr std::uint8_t kStatusInvalidNetworkParameters = 0xC1;
inline constexpr std::uint8_t kStatusInvalidRequest = 0xC2;
inline constexpr std::uint8_t kStatusRouteNotFound = 0xC7;
inline constexpr std::uint8_t kStatusBufferBusy = 0xD1;
inline constexpr std::uint8_t kStatusApsNoAck = 0xD2;  // a hop after the first lost the data
inline constexpr std::uint8_t kStatusApsTooLong = 0xD3;
inline constexpr std::uint8_t kStatusCheckError = 0xE1;
inline constexpr std::uint8_t kStatusSecurityFailed = 0xE4;
inline constexpr std::uint8_t kStatusMacTooLong = 0xE5;
inline constexpr std::uint8_t kStatusInvalidParameter = 0xE6;
inline constexpr std::uint8_t kStatusNoAck = 0xE7;  // the first hop lost it
inline constexpr std::uint8_t kStatusTransmitterBusy = 0xEA;

// "Route not found." for kStatusRouteNotFound; empty for a status the module does not name.
std::string_view statusText(std::uint8_t status);
// The status text, or "status 5A" for a status the table lacks.
std::string sendStatusText(std::uint8_t status);

}  // namespace proto

#pragma once
// The frame envelope shared by every request and reply: type, reserved byte, command code,
// payload length N, N payload bytes, XOR check byte. N + 5 bytes in all.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace proto {

using Frame = std::vector<std::uint8_t>;
using Bytes = std::span<const std::uint8_t>;

// Where the envelope's fields lie.
inline constexpr std::size_t kTypeOffset = 0;
inline constexpr std::size_t kCodeOffset = 2;
inline constexpr std::size_t kLengthOffset = 3;
inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kCheckSize = 1;

// The size of the whole frame whose length byte is this.
inline constexpr std::size_t frameSize(std::uint8_t length) {
    return kHeaderSize + length + kCheckSize;
}

inline constexpr std::uint8_t kTypeModule = 0x01;   // module command and its reply
inline constexpr std::uint8_t kTypeNetData = 0x05;  // network data service

inline constexpr std::uint8_t kCmdWriteSetup = 0x01;
inline constexpr std::uint8_t kCmdReadSetup = 0x02;
inline constexpr std::uint8_t kCmdReadRoute = 0x03;
inline constexpr std::uint8_t kCmdReadPath = 0x08;
inline constexpr std::uint8_t kCmdSendData = 0x01;       // with kTypeNetData
inline constexpr std::uint8_t kCmdReceiveNotice = 0x82;  // with kTypeNetData

// Dispatch codes of the replies.
inline constexpr std::uint8_t kNotDispatched = 0x00;
inline constexpr std::uint8_t kReplySetupWritten = 0x81;
inline constexpr std::uint8_t kReplySetup = 0x82;
inline constexpr std::uint8_t kReplyRouteList = 0x83;
inline constexpr std::uint8_t kReplyPathList = 0x88;
inline constexpr std::uint8_t kReplySendStatus = 0x89;
inline constexpr std::uint8_t kReplyReceiveNotice = 0x8A;

// Description lines of the requests in the log.
inline constexpr std::string_view kDescWriteSetup = "> Write setup data";
inline constexpr std::string_view kDescReadSetup = "> Read setup data";
inline constexpr std::string_view kDescReadRoute = "> Read route list";
inline constexpr std::string_view kDescReadPath = "> Read path list.";
inline constexpr std::string_view kDescSendData = "> Send app data";

// XOR of all bytes, starting from 0.
std::uint8_t xorOf(Bytes bytes);

// A request with its check byte: header, payload, XOR of everything before it.
Frame buildFrame(std::uint8_t type, std::uint8_t code, Bytes payload);

// "> " then "%02X " per byte: the line ends in a space.
std::string hexDump(Bytes bytes);
// Upper-case hex digits without spaces: "0A" for a byte, "0102" for bytes, and a 16-bit value
// as four digits, high byte first.
std::string hexByte(std::uint8_t byte);
std::string hexDigits(Bytes bytes);
std::string hexWord(std::uint16_t value);

}  // namespace proto

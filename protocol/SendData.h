#pragma once
// The send-data request of the "Send test:" group, the hex-text conversion it uses and the
// texts of the module's send status.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Frame.h"

namespace proto {

inline constexpr std::size_t kRequestCapacity = 128;
inline constexpr int kRouteModeSource = 3;
inline constexpr int kRelayFieldCount = 6;

// Converts hex digit pairs into out (at most capacity bytes); an odd last character gives no
// byte. Other characters pass through the same arithmetic unchecked. Returns the byte count.
std::size_t HexTextToBytes(const char* text, std::size_t count, std::uint8_t* out,
                           std::size_t capacity);

struct SendDataFields {
    std::string targetIdText{};  // decimal
    bool ackRequest = false;
    int jumpIndex = 6;
    int routeModeIndex = 1;
    int relayingIndex = 0;
    std::array<std::string, kRelayFieldCount> relayTexts{};  // hexadecimal
    std::string dataText{};                                  // hexadecimal, spaces ignored
};

struct SendDataResult {
    enum class Outcome { Built, EmptyData, TooLong };
    Outcome outcome = Outcome::Built;
    Frame frame{};            // when Built
    std::size_t maxData = 0;  // when TooLong: the most data bytes that fit
};

SendDataResult buildSendData(const SendDataFields& fields);

// The fields of a send-data request as the module reads them.
struct SendDataRequest {
    std::uint16_t target = 0;
    std::uint8_t ack = 0;
    std::uint8_t jump = 0;
    std::uint8_t routeMode = 0;
    std::vector<std::uint16_t> relays{};
    Frame data{};
};

// Nothing when the length byte does not match the fields that follow. Source routing is read
// with its relay block (a count byte, then the ids) and, failing that, without one.
std::optional<SendDataRequest> decodeSendData(Bytes frame);

// Bytes 4-5 of the frame, or 0 when the frame is too short to hold them.
std::uint16_t sendTarget(Bytes frame);

// "> Send data ok." and the rest of the status table; empty for a status not in it.
std::string_view sendStatusMessage(std::uint8_t status);
// The status line without its "> " lead ("Route not found."), or "status 5A" for a status
// the table lacks.
std::string sendStatusText(std::uint8_t status);
inline constexpr std::string_view kReceivedOk = "> Received ok.";
inline constexpr std::size_t kSendStatusOffset = 6;
inline constexpr std::uint8_t kSendStatusOk = 0x00;
inline constexpr std::size_t kSendConfirmationMinSize = kSendStatusOffset + 1 + kCheckSize;

}  // namespace proto

#pragma once
// The send-data request of the "Send test:" group and the hex-text conversion it uses.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Frame.h"
#include "Messages.h"
#include "SendNames.h"

namespace proto {

inline constexpr int kRelayFieldCount = kMaxRelays;

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

// Nothing when the length byte does not match the fields that follow. Source routing is read
// with its relay block (a count byte, then the ids) and, failing that, without one.
std::optional<SendDataRequest> decodeSendData(Bytes frame);

// The status text ("Route not found."), or "status 5A" for a status the table lacks.
std::string sendStatusText(std::uint8_t status);
inline constexpr std::string_view kReceivedOk = "> Received ok.";
inline constexpr std::uint8_t kSendStatusOk = kStatusOk;

}  // namespace proto

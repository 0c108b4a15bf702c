#pragma once
// The window's reading of its controls, in both directions: texts and list indexes into typed
// requests, typed replies into texts and indexes. Ids are decimal up to the first other
// character, the frequency is read as atof reads it and wrapped into the register's 24 bits,
// list indexes go through 8-bit arithmetic (-1 for a list typed over), data and relays are hex
// text. Only the window reads texts this way; conversions follow the classic "C" locale.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Messages.h"
#include "SendNames.h"

namespace forms {

inline constexpr int kNoSelection = -1;
inline constexpr int kRelayFieldCount = proto::kMaxRelays;

// The seven controls of "RF Config"; an index may lie outside its list.
struct SetupFields {
    std::string frequencyText{};
    int powerIndex = kNoSelection;
    int lifeCycleIndex = kNoSelection;
    std::string networkIdText{};
    std::string nodeIdText{};
    int baudIndex = kNoSelection;
    int parityIndex = kNoSelection;
};

proto::Setup setupOf(const SetupFields& fields);
// The frequency as "%.2f" of the register's MHz truncated to two decimals, ids as "%d", the
// power index one below its code (-1 for code 0).
SetupFields setupFieldsOf(const proto::Setup& setup);

// Converts hex digit pairs into out (at most capacity bytes); an odd last character gives no
// byte. Other characters pass through the same arithmetic unchecked. Returns the byte count.
std::size_t HexTextToBytes(const char* text, std::size_t count, std::uint8_t* out,
                           std::size_t capacity);

// The controls of "Send test:".
struct SendDataFields {
    std::string targetIdText{};  // decimal
    bool ackRequest = false;
    int jumpIndex = 6;
    int routeModeIndex = proto::kRouteModeAuto;
    int relayingIndex = 0;
    std::array<std::string, kRelayFieldCount> relayTexts{};  // hexadecimal
    std::string dataText{};                                  // hexadecimal, spaces ignored
};

struct SendDataReading {
    enum class Outcome { Built, EmptyData, TooLong };
    Outcome outcome = Outcome::Built;
    proto::SendDataRequest request{};  // when Built
    std::size_t maxData = 0;           // when TooLong: the most data bytes that fit
};

// Source routing always carries its relay count, also with no relay, so that the length byte
// matches the bytes that follow; data beyond the module's buffer is refused, not cut.
SendDataReading sendDataOf(const SendDataFields& fields);

}  // namespace forms

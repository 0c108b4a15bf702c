#pragma once
// The send-data request as the window's "Send test:" controls write it, and the module's
// verdicts on it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ControlTexts.h"
#include "Frame.h"

namespace proto {

// The status text ("Route not found."), or "status 5A" for a status the table lacks.
std::string sendStatusText(std::uint8_t status);
inline constexpr std::string_view kReceivedOk = "> Received ok.";
inline constexpr std::uint8_t kSendStatusOk = kStatusOk;

}  // namespace proto

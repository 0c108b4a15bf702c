#include "SendData.h"

namespace proto {

SendDataResult buildSendData(const SendDataFields& fields) {
    const SendDataReading reading = sendDataOf(fields);
    if (reading.outcome != SendDataReading::Outcome::Built)
        return {.outcome = reading.outcome, .maxData = reading.maxData};
    return {.frame = encode(reading.request)};
}

std::string sendStatusText(std::uint8_t status) {
    const std::string_view text = statusText(status);
    return text.empty() ? "status " + hexByte(status) : std::string(text);
}

}  // namespace proto

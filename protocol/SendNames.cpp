#include "SendNames.h"

#include <algorithm>
#include <iterator>

#include "Frame.h"

namespace proto {

namespace {

struct StatusText {
    std::uint8_t status;
    std::string_view text;
};

constexpr StatusText kStatusTexts[] = {
    {kStatusOk, "Send data ok."},
    {kStatusInvalidNetworkParameters, "Invalid network layer parameters."},
    {kStatusInvalidRequest, "Invalid request"},
    {kStatusRouteNotFound, "Route not found."},
    {kStatusBufferBusy, "Buffer busy."},
    {kStatusApsNoAck, "APS Not received ACK."},
    {kStatusApsTooLong, "APS Data is very long."},
    {kStatusCheckError, "Xor check error."},
    {kStatusSecurityFailed, "Security check failed."},
    {kStatusMacTooLong, "MAC Data is very long."},
    {kStatusInvalidParameter, "Invalid parameter."},
    {kStatusNoAck, "Not received ACK."},
    {kStatusTransmitterBusy, "Transmitter is busy"},
};

}  // namespace

std::string_view statusText(std::uint8_t status) {
    const auto* row = std::find_if(std::begin(kStatusTexts), std::end(kStatusTexts),
                                   [status](const StatusText& s) { return s.status == status; });
    return row == std::end(kStatusTexts) ? std::string_view{} : row->text;
}

std::string sendStatusText(std::uint8_t status) {
    const std::string_view text = statusText(status);
    return text.empty() ? "status " + hexByte(status) : std::string(text);
}

}  // namespace proto

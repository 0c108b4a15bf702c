#include "SendData.h"

namespace proto {

std::string sendStatusText(std::uint8_t status) {
    const std::string_view text = statusText(status);
    return text.empty() ? "status " + hexByte(status) : std::string(text);
}

}  // namespace proto

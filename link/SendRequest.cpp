#include "SendRequest.h"

#include <algorithm>
#include <cctype>

#include "Failure.h"
#include "SendNames.h"
#include "Text.h"

namespace modlink {

namespace {

std::optional<std::uint16_t> relayId(const std::string& text) {
    const auto bytes = text.size() == 4 ? forms::bytesFromHex(text) : std::nullopt;
    if (!bytes) return std::nullopt;
    return static_cast<std::uint16_t>((*bytes)[0] << 8 | (*bytes)[1]);
}

}  // namespace

proto::SendDataRequest sendRequest(const SendOptions& send) {
    const auto data = forms::bytesFromHex(send.data);
    return sendRequest(send, data ? proto::Bytes(*data) : proto::Bytes());
}

proto::SendDataRequest sendRequest(const SendOptions& send, proto::Bytes data) {
    if (send.target < 0 || send.target > 0xFFFF)
        throw Failure(kExitUsage, "send: the target is a node id from 0 to 65535");
    if (send.jump < 1 || send.jump > proto::kJumpLimits)
        throw Failure(kExitUsage,
                      "send: the jump is from 1 to " + std::to_string(proto::kJumpLimits));
    if (!routeModeCode(send.mode))
        throw Failure(kExitUsage, "send: no route mode '" + send.mode + "'");
    proto::SendDataRequest request =
        routedRequest(send.mode, send.jump, send.relays, "send", "--mode");
    request.target = static_cast<std::uint16_t>(send.target);
    request.ack = send.ack ? 1 : 0;
    if (data.empty())
        throw Failure(kExitUsage, "send: give --data as hex digit pairs, such as \"01 02\"");
    const std::size_t capacity = proto::sendDataCapacity(request.routeMode, request.relays.size());
    if (data.size() > capacity)
        throw Failure(kExitUsage, "send: data too long: at most " + std::to_string(capacity) +
                                      " bytes can be sent");
    request.data.assign(data.begin(), data.end());
    return request;
}

SendConfirmation sendConfirmation(const Session::Exchange& exchange) {
    return {std::get<proto::SendStatus>(*exchange.reply).status, exchange.roundTripMs};
}

proto::SendDataRequest routedRequest(const std::string& mode, int jump,
                                     const std::vector<std::string>& relays,
                                     const std::string& command, const std::string& modeOption) {
    proto::SendDataRequest request;
    request.jump = static_cast<std::uint8_t>(jump);
    request.routeMode = static_cast<std::uint8_t>(*routeModeCode(mode));
    if (!relays.empty() && request.routeMode != proto::kRouteModeSource)
        throw Failure(kExitUsage, command + ": --relays needs " + modeOption + " source");
    if (relays.size() > proto::kMaxRelays)
        throw Failure(kExitUsage,
                      command + ": at most " + std::to_string(proto::kMaxRelays) + " relays");
    for (const std::string& text : relays) {
        const auto relay = relayId(text);
        if (!relay)
            throw Failure(kExitUsage, command + ": relay '" + text + "' is not 4 hex digits");
        request.relays.push_back(*relay);
    }
    return request;
}

std::vector<std::string> routeModeNames() {
    std::vector<std::string> names;
    for (const std::string_view mode : proto::kRouteModeNames) {
        std::string name(mode);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

std::optional<int> routeModeCode(std::string_view name) {
    const std::vector<std::string> names = routeModeNames();
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end()) return std::nullopt;
    return static_cast<int>(found - names.begin());
}

}  // namespace modlink

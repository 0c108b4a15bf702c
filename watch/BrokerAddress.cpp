#include "BrokerAddress.h"

namespace watch {

namespace {

constexpr std::string_view kPlainScheme = "mqtt://";
constexpr std::string_view kTlsScheme = "mqtts://";
constexpr std::string_view kPlainPort = "1883";
constexpr std::string_view kTlsPort = "8883";

}  // namespace

std::string BrokerAddress::text() const {
    return std::string(tls ? kTlsScheme : kPlainScheme) + (user.empty() ? "" : user + "@") +
           where.hostPort();
}

std::optional<BrokerAddress> parseBrokerAddress(std::string_view text, std::string& problem) {
    BrokerAddress broker;
    if (text.starts_with(kTlsScheme)) {
        broker.tls = true;
        text.remove_prefix(kTlsScheme.size());
    } else if (text.starts_with(kPlainScheme)) {
        text.remove_prefix(kPlainScheme.size());
    } else {
        problem = "must be mqtt://HOST[:PORT] or mqtts://HOST[:PORT], or off";
        return std::nullopt;
    }
    if (const auto at = text.rfind('@'); at != std::string_view::npos) {
        broker.user = std::string(text.substr(0, at));
        text.remove_prefix(at + 1);
        if (broker.user.find(':') != std::string::npos) {
            problem =
                "holds a password: put it in a file (mqtt_password_file) or in "
                "MESHCFG_MQTT_PASSWORD, never in the address";
            return std::nullopt;
        }
    }
    if (text.find('/') != std::string_view::npos) {
        problem = "must name the broker alone, without a path";
        return std::nullopt;
    }
    // A port is there when the text past the last ']' holds a ':'.
    const auto bracket = text.rfind(']');
    const bool hasPort =
        text.find(':', bracket == std::string_view::npos ? 0 : bracket) != std::string_view::npos &&
        (bracket != std::string_view::npos || text.find(':') == text.rfind(':'));
    const std::string hostPort =
        std::string(text) + (hasPort ? "" : ":" + std::string(broker.tls ? kTlsPort : kPlainPort));
    const ports::ParsedAddress parsed = ports::parseNetworkAddress("tcp://" + hostPort);
    if (!parsed.address) {
        problem = "names no broker: " + parsed.error;
        return std::nullopt;
    }
    broker.where = *parsed.address;
    return broker;
}

}  // namespace watch

#include "NetworkAddress.h"

#include <charconv>

namespace ports {

namespace {

constexpr std::string_view kSeparator = "://";
constexpr std::string_view kRfc2217 = "rfc2217";
constexpr std::string_view kTcp = "tcp";

ParsedAddress refused(std::string_view text, const std::string& why) {
    return {std::nullopt, "'" + std::string(text) + "' " + why};
}

std::optional<std::uint16_t> portNumber(std::string_view digits) {
    unsigned value = 0;
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value);
    if (digits.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::string NetworkAddress::text() const {
    return std::string(scheme == Scheme::kRfc2217 ? kRfc2217 : kTcp) + std::string(kSeparator) +
           hostPort();
}

std::string NetworkAddress::hostPort() const {
    const bool bracketed = host.find(':') != std::string::npos;
    return (bracketed ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool looksLikeNetworkAddress(std::string_view text) {
    return text.find(kSeparator) != std::string_view::npos;
}

ParsedAddress parseNetworkAddress(std::string_view text) {
    const auto separator = text.find(kSeparator);
    if (separator == std::string_view::npos)
        return refused(text, "is not rfc2217://HOST:PORT or tcp://HOST:PORT");
    NetworkAddress address;
    const std::string_view scheme = text.substr(0, separator);
    if (scheme == kRfc2217)
        address.scheme = NetworkAddress::Scheme::kRfc2217;
    else if (scheme == kTcp)
        address.scheme = NetworkAddress::Scheme::kTcp;
    else
        return refused(text, "has an unknown scheme: use rfc2217:// or tcp://");

    std::string_view rest = text.substr(separator + kSeparator.size());
    std::string_view host;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos) return refused(text, "has no ']' after the address");
        host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (!rest.starts_with(':')) return refused(text, "has no :PORT");
        rest.remove_prefix(1);
    } else {
        const auto colon = rest.rfind(':');
        if (colon == std::string_view::npos) return refused(text, "has no :PORT");
        host = rest.substr(0, colon);
        if (host.find(':') != std::string_view::npos)
            return refused(text, "needs brackets around an IPv6 address, as in [::1]:3333");
        rest.remove_prefix(colon + 1);
    }
    if (host.empty()) return refused(text, "has no host");
    if (host.find_first_of("/?#@ ,") != std::string_view::npos)
        return refused(text, "has characters that no host name has");
    const auto port = portNumber(rest);
    if (!port) return refused(text, "has no TCP port from 1 to 65535 after the host");
    address.host = std::string(host);
    address.port = *port;
    return {std::move(address), {}};
}

}  // namespace ports

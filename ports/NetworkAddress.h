#pragma once
// A port on another computer, named as rfc2217://HOST:PORT (a telnet server that sets the line
// on request) or tcp://HOST:PORT (raw bytes; the bridge keeps its own line settings).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ports {

struct NetworkAddress {
    enum class Scheme { kRfc2217, kTcp };
    Scheme scheme = Scheme::kRfc2217;
    std::string host;  // a name or a numeric address, without IPv6 brackets
    std::uint16_t port = 0;

    std::string text() const;      // the whole address as the user writes it
    std::string hostPort() const;  // "bench-3:3333", "[::1]:3333"
    bool operator==(const NetworkAddress&) const = default;
};

// True when the text names a network port at all ("scheme://..."), valid or not: such a text is
// never a device path.
bool looksLikeNetworkAddress(std::string_view text);

struct ParsedAddress {
    std::optional<NetworkAddress> address;
    std::string error;  // what is wrong, in plain words, when address is empty
};
ParsedAddress parseNetworkAddress(std::string_view text);

}  // namespace ports

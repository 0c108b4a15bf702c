#pragma once
// Where the watcher's broker is, as the user writes it: mqtt://[USER@]HOST[:PORT], or mqtts://
// for TLS. The port is 1883 (8883 with TLS) when left out. A password never goes in the address:
// an address that holds one is refused, so that it shows in no process list, shell history or log.

#include <optional>
#include <string>
#include <string_view>

#include "NetworkAddress.h"

namespace watch {

struct BrokerAddress {
    bool tls = false;
    std::string user{};  // empty: no user name is sent
    ports::NetworkAddress where{};
    std::string text() const;  // as written back, without a password
    bool operator==(const BrokerAddress&) const = default;
};

// The address, or nothing and why not in problem.
std::optional<BrokerAddress> parseBrokerAddress(std::string_view text, std::string& problem);

}  // namespace watch

#pragma once
// Turns a host name into a numeric address without waiting past a deadline: the system's lookup
// cannot be interrupted, so an unanswered name server would otherwise hold the opener for as
// long as the resolver's own time-outs.

#include <chrono>
#include <string>

namespace net {

struct FoundHost {
    std::string address;  // numeric, IPv4 or IPv6; empty when the lookup failed
    bool ipv6 = false;
    std::string error;  // why, in plain words
};

FoundHost lookUpHost(const std::string& host, std::chrono::steady_clock::time_point deadline);

}  // namespace net

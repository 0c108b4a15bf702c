#pragma once
// A send of application data as scripts give it (target, route mode by name, relays as hex,
// data as hex) made into its request, and the module's confirmation taken from the exchange.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Messages.h"
#include "Session.h"

namespace modlink {

struct SendOptions {
    int target = 0;
    std::string mode = "auto";
    int jump = 7;
    std::vector<std::string> relays;
    std::string data;
    bool ack = false;          // ask the far node to acknowledge
    std::optional<int> count;  // a link test of count sends
    int intervalMs = 1000;
};

// The send request for these options; a Failure with kExitUsage for one that cannot be sent.
proto::SendDataRequest sendRequest(const SendOptions& send);
// The same with the data given as bytes, send.data left unread: its length is checked before
// anything is made of it, however long it is.
proto::SendDataRequest sendRequest(const SendOptions& send, proto::Bytes data);

struct SendConfirmation {
    std::uint8_t status = 0;
    double roundTripMs = 0;
};
// The confirmation of a send's exchange that Session::request returned: ok or refused.
SendConfirmation sendConfirmation(const Session::Exchange& exchange);

// A send request's route: mode by its command line name, jump, and relays as 4 hex digits
// each; a Failure with kExitUsage naming the command and its mode option for relays it cannot
// carry.
proto::SendDataRequest routedRequest(const std::string& mode, int jump,
                                     const std::vector<std::string>& relays,
                                     const std::string& command, const std::string& modeOption);
// The route modes as the command line names them, the module's list in lower case.
std::vector<std::string> routeModeNames();
std::optional<int> routeModeCode(std::string_view name);

}  // namespace modlink

#pragma once
// One run of the tool against one port: the options every command shares, the port they name
// and the request-reply exchange with the module behind it.

#include <string>
#include <vector>

#include "Failure.h"
#include "Frame.h"
#include "ModuleLink.h"

struct CommonOptions {
    std::string port;
    int baud = 9600;
    std::string parity = "NO";
    int timeoutMs = 2000;  // per reply: a script must not wait for ever
    bool json = false;
};

// The port as the user named it ("COM200" or a device path), the device behind it and what is
// known of its adapter.
struct PortIdentity {
    std::string name;
    std::string device;
    std::vector<std::string> adapter;
};
PortIdentity identifyPort(const std::string& portName);

class Session {
  public:
    // Opens the port; a Failure with kExitPort when it cannot be opened.
    explicit Session(const CommonOptions& options);

    const PortIdentity& port() const { return m_port; }
    ModuleLink& link() { return m_link; }

    struct Exchange {
        enum class Outcome { kReply, kNoReply, kBadCheck };
        Outcome outcome = Outcome::kNoReply;
        std::vector<std::uint8_t> reply;  // also when its check byte is wrong
        double roundTripMs = 0;           // from the request's last byte to the reply's
    };
    Exchange exchange(proto::Bytes request);
    // The reply, or a Failure with kExitNoReply that says what went wrong.
    Exchange request(proto::Bytes request);

    // A Failure naming this port.
    Failure failure(ExitCode code, const std::string& what) const;
    Failure noReply() const;

  private:
    PortIdentity m_port;
    std::chrono::milliseconds m_timeout;
    ModuleLink m_link;
};

#pragma once
// One module on one port, as a script holds it: the command line's session kept open between
// calls. Each call waits as the command line does, with the interpreter's lock let go. One
// thread at a time: a call while another thread's call runs is refused, never interleaved on
// the wire.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Profile.h"
#include "SendRequest.h"
#include "Session.h"
#include "SetupExchange.h"
#include "UnitApply.h"

namespace python {

struct Notice {
    std::optional<int> source;  // nothing when the notice does not hold its fields in order
    std::optional<int> link;    // minus the module's link value, as a path's links show it
    std::string data;
    std::string frame;  // the whole frame as it came
};

struct SendResult {
    int code = 0;
    std::string text;
    double roundTrip = 0;  // seconds
};

struct LoadedProfile {
    std::string path;
    station::ProfileFile profile;
};

class Module {
  public:
    using Clock = modlink::ModuleLink::Clock;

    // Opens the port: a Failure with kExitPort when it cannot be opened, kExitUsage for a
    // port name, rate, parity or time-out the command line would refuse. The name is resolved
    // here once: every later opening (apply's) opens the same port.
    Module(const std::string& port, int baud, double timeoutSeconds, const std::string& parity);

    const std::string& port() const { return m_options.port; }
    bool closed() const { return !m_session; }
    void close();

    proto::Setup readSetup();
    // verify: read back and compare, a Failure with kExitRefused on a difference.
    void writeSetup(const proto::Setup& setup, bool verify);
    modlink::RouteTable routeList();
    modlink::PathNodes path();
    // The module's confirmation of the send request whatever its status; a Failure with
    // kExitNoReply without one.
    SendResult send(const proto::SendDataRequest& request, std::optional<double> timeoutSeconds);
    // The next receive notice, also one that came during an earlier call; nothing once the
    // deadline passes.
    std::optional<Notice> nextNotice(Clock::time_point deadline);
    // The profile, with node_id on top when given, written, read back and compared. The port
    // is opened for it anew, as the command line's apply does. The outcome's row holds the node
    // id the module was given.
    station::UnitOutcome apply(const LoadedProfile& profile, std::optional<std::int64_t> nodeId);

    // Milliseconds as the command line's --timeout takes them; a Failure with kExitUsage else.
    static std::chrono::milliseconds timeoutOf(double seconds);
    // The rate as the command line's --baud takes it; a Failure with kExitUsage else.
    static int rateOf(int baud);

  private:
    template <typename Work>
    auto use(Work&& work);
    void open();
    void keepNotice(const proto::ReadFrame& frame);

    modlink::CommonOptions m_options;  // before the session, which keeps a reference
    ports::PortTarget m_target;        // what the name stood for when the module was made
    std::unique_ptr<modlink::Session> m_session;
    std::deque<proto::ReadFrame> m_notices;
    std::atomic<bool> m_busy{false};
};

}  // namespace python

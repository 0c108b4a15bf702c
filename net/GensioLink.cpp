#include "GensioLink.h"

#include <sys/socket.h>

#include <algorithm>

#include "GensioLoop.h"
#include "NetworkConnection.h"

namespace net {

namespace {

// Closing is quick on a working network; a server that takes nothing is not waited for long.
constexpr std::chrono::milliseconds kEndWait{500};
// Of the time to connect, what is kept for ending an attempt that got no answer, so that the
// refusal comes within that time even when the library holds its thread for longer (it waits
// for a telnet answer on its own clock, and spins meanwhile when data floods in).
constexpr std::chrono::milliseconds kEndAllowance{250};

serial::NetworkLink::Connected refused(const ports::NetworkAddress& address, const std::string& why,
                                       bool closedByServer = false) {
    return {
        nullptr, {}, "cannot connect to " + address.hostPort() + " (" + why + ")", closedByServer};
}

// What the server wrote before it closed: in the port object's end, which nobody reads yet.
std::string wordsIn(const files::FileDescriptor& device) {
    std::string words;
    char chunk[256];
    ssize_t got = 0;
    while ((got = ::recv(device.get(), chunk, sizeof chunk, MSG_DONTWAIT)) > 0)
        words.append(chunk, static_cast<std::size_t>(got));
    return words;
}

void endAndAwait(GensioLoop& loop, const std::shared_ptr<NetworkConnection>& connection,
                 std::chrono::milliseconds limit = kEndWait) {
    loop.post([connection] { connection->end(); });
    connection->awaitEnd(limit);
}

std::chrono::milliseconds leftUntil(std::chrono::steady_clock::time_point deadline) {
    return std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now()),
                      std::chrono::milliseconds(0), kEndWait);
}

}  // namespace

GensioLink::GensioLink(std::shared_ptr<NetworkConnection> connection, bool setsLine)
    : m_connection(std::move(connection)), m_setsLine(setsLine) {}

GensioLink::~GensioLink() {
    GensioLoop* loop = GensioLoop::instance();
    loop->post([connection = m_connection] { connection->end(); });
    m_connection->awaitEnd(kEndWait);
}

serial::NetworkLink::Connected GensioLink::connect(const ports::NetworkAddress& address,
                                                   const proto::LineSettings& settings,
                                                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    GensioLoop* loop = GensioLoop::instance();
    if (!loop) return refused(address, "the network library cannot start");
    FoundHost host = lookUpHost(address.host, deadline);
    if (host.address.empty()) return refused(address, host.error);

    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
        return refused(address, "no local socket");
    files::FileDescriptor device(ends[0]);
    auto connection = std::make_shared<NetworkConnection>(*loop, address, std::move(host), settings,
                                                          files::FileDescriptor(ends[1]));
    loop->post([connection] { connection->start(connection); });
    const std::string outcome =
        connection->awaitOutcome(deadline - std::min(kEndAllowance, timeout / 2), timeout);
    // Refusals are awaited as a closed link is, so that nothing of them outlives the refusal,
    // but never past the deadline: a library still busy lets go of it later.
    if (!outcome.empty()) {
        endAndAwait(*loop, connection, leftUntil(deadline));
        return refused(address, outcome, connection->closedByServer());
    }
    const bool setsLine = address.scheme == ports::NetworkAddress::Scheme::kRfc2217;
    if (!setsLine && connection->awaitLoss(kRawSettle)) {
        const std::string words = wordsIn(device);
        endAndAwait(*loop, connection);
        return refused(address, serverClosed(words), true);
    }
    return {std::unique_ptr<serial::NetworkLink>(new GensioLink(connection, setsLine)),
            std::move(device),
            {}};
}

namespace {

class GensioConnector final : public serial::NetworkConnector {
  public:
    serial::NetworkLink::Connected connect(const ports::NetworkAddress& address,
                                           const proto::LineSettings& settings,
                                           std::chrono::milliseconds timeout) override {
        return GensioLink::connect(address, settings, timeout);
    }
};

}  // namespace

}  // namespace net

// The module's one entry.
extern "C" serial::NetworkConnector* meshcfg_network_connector() {
    static net::GensioConnector connector;
    return &connector;
}

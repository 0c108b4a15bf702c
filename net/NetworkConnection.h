#pragma once
// One connection on the network library's thread: connecting, the telnet layer for an rfc2217
// address, the line-setting requests with their answers, then the bytes both ways between the
// connection and the bridge end of the port object's socket pair. Everything here but the
// outcome runs on the loop thread.

#include <gensio/gensio_types.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FileDescriptor.h"
#include "HostLookup.h"
#include "LineSettings.h"
#include "NetworkAddress.h"

namespace net {

class GensioLoop;

class NetworkConnection {
  public:
    NetworkConnection(GensioLoop& loop, ports::NetworkAddress address, FoundHost host,
                      proto::LineSettings settings, files::FileDescriptor bridge);

    // Any thread. The outcome is decided once: "" when the port can be used, else why not.
    // Past the deadline it is decided as a time-out, named after the step that was waiting.
    std::string awaitOutcome(std::chrono::steady_clock::time_point deadline,
                             std::chrono::milliseconds timeout);
    // Waits, at most the time given, until the library has let go of the connection.
    void awaitEnd(std::chrono::milliseconds limit);
    // Waits, at most the time given, for an open connection to close; true when it did.
    bool awaitLoss(std::chrono::milliseconds limit);
    // The server took the connection and closed it before the port could be used.
    bool closedByServer() const { return m_closedByServer; }

    // Loop thread. The connection holds itself until the library is done with it.
    void start(std::shared_ptr<NetworkConnection> self);
    void end();

    // One line setting asked of the server, and its answer as the library reports it.
    struct LineRequest {
        NetworkConnection* connection;
        const char* what;
        unsigned wanted;
    };
    void lineAnswered(const LineRequest& request, int err, unsigned value);

  private:
    // Where the connection stands; it only moves down this list, and may end from any step.
    enum class State {
        kConnecting,     // the TCP connection is under way
        kServerReached,  // it stands; the telnet layer and the line settings are under way
        kOpen,           // the port can be used
        kLost,           // the server or the network closed the open connection
        kEnding,         // let go of; the library has yet to release what it holds
        kEnded,          // nothing of the connection is held any more
    };

    void moveTo(State state);
    bool ending() const { return m_state == State::kEnding || m_state == State::kEnded; }
    bool decide(std::string outcome);
    void fail(const std::string& why);
    void failBeforeOpen(int err);
    void transportOpened(int err);
    void telnetOpened(int err);
    void requestLineSettings();
    void becomeOpen();
    void connectionEnded(int err);
    void received(const unsigned char* bytes, std::size_t* length);
    void bridgeReadable();
    void bridgeWritable();
    void flushToNetwork();
    void released();

    static int onEvent(gensio* io, void* self, int event, int err, unsigned char* buf,
                       gensiods* buflen, const char* const* auxdata);

    GensioLoop& m_loop;
    const ports::NetworkAddress m_address;
    const FoundHost m_host;
    const proto::LineSettings m_settings;
    files::FileDescriptor m_bridge;

    std::shared_ptr<NetworkConnection> m_self;
    gensio* m_io = nullptr;  // the top of the stack: telnet over TCP, or TCP alone
    gensio_iod* m_bridgeWatch = nullptr;
    std::array<LineRequest, 5> m_lineRequests{};
    int m_answersAwaited = 0;
    int m_releasesAwaited = 0;  // the connection and the bridge's watch, once ending
    std::vector<std::uint8_t> m_toNetwork;
    std::size_t m_toNetworkSent = 0;
    std::string m_serverWords;  // what came before the port could be used

    std::atomic<bool> m_closedByServer = false;

    std::mutex m_outcomeLock;
    std::condition_variable m_outcomeChanged;
    std::optional<std::string> m_outcome;
    // Changed on the loop thread under the lock, so that the loop reads it freely and the
    // waiting threads under the lock.
    State m_state = State::kConnecting;
};

// Why a server closed a connection before it could be used, with what it said, if anything:
// "the server closed the connection: Device open failure".
std::string serverClosed(std::string_view words);

}  // namespace net

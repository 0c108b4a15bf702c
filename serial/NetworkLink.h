#pragma once
// A connection to a port served over the network. The port object reads and writes its end
// of a local socket pair exactly as it reads and writes a tty; the network library's thread
// passes the bytes between the other end and the connection, and closes the port object's end
// for writing when the connection ends, which the reader sees as a hang-up. The network library
// lives in a module of its own, loaded on the first connection.

#include <chrono>
#include <memory>
#include <string>

#include "FileDescriptor.h"
#include "LineSettings.h"
#include "NetworkAddress.h"

namespace serial {

class NetworkLink {
  public:
    // Name lookup, connecting and the line-setting answers, all together.
    static constexpr std::chrono::milliseconds kConnectTimeout{3000};
    // A raw bridge whose device is gone takes the connection, says why it cannot serve it and
    // closes within a round trip; one that stands this long is taken as open.
    static constexpr std::chrono::milliseconds kRawSettle{250};

    struct Connected {
        std::unique_ptr<NetworkLink> link;
        files::FileDescriptor device;  // the port object's end; empty when the connection failed
        std::string error;             // "cannot connect to bench-3:3333 (connection refused)"
        // The server took the connection and closed it at once, saying why in error.
        bool closedByServer = false;
        proto::LineSettings line{};  // as asked: what an rfc2217 server set its line to
    };
    // Blocks the calling thread until the port can be used or the time-out passes. For an
    // rfc2217 address the line is set to the rate and parity given, 8 data bits, 1 stop bit,
    // no flow control, each answer checked, and DTR and RTS are dropped. Without the network
    // module, error says so and to reinstall the package.
    static Connected connect(const ports::NetworkAddress& address,
                             const proto::LineSettings& settings,
                             std::chrono::milliseconds timeout = kConnectTimeout);

    // True for an rfc2217 address, whose server set the line as asked.
    virtual bool setsLine() const = 0;

    // Ends the connection; the device end must be closed already.
    virtual ~NetworkLink() = default;
    NetworkLink(const NetworkLink&) = delete;
    NetworkLink& operator=(const NetworkLink&) = delete;

  protected:
    NetworkLink() = default;
};

// What the network module gives: connections made through the network library.
class NetworkConnector {
  public:
    virtual NetworkLink::Connected connect(const ports::NetworkAddress& address,
                                           const proto::LineSettings& settings,
                                           std::chrono::milliseconds timeout) = 0;

  protected:
    ~NetworkConnector() = default;
};

// The module's one entry: its connector, which lives as long as the process.
using NetworkConnectorEntry = NetworkConnector* (*)();
inline constexpr const char* kNetworkModule = "meshcfg-network.so";
inline constexpr const char* kNetworkEntry = "meshcfg_network_connector";

}  // namespace serial

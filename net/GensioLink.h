#pragma once
// A port's connection through the network library, as the port object holds it.

#include <chrono>
#include <memory>

#include "NetworkLink.h"

namespace net {

class NetworkConnection;

class GensioLink final : public serial::NetworkLink {
  public:
    static Connected connect(const ports::NetworkAddress& address,
                             const proto::LineSettings& settings,
                             std::chrono::milliseconds timeout);

    bool setsLine() const override { return m_setsLine; }
    ~GensioLink() override;

  private:
    GensioLink(std::shared_ptr<NetworkConnection> connection, bool setsLine);
    std::shared_ptr<NetworkConnection> m_connection;
    bool m_setsLine;
};

}  // namespace net

#pragma once
// A port's connection through the network library, as the port object holds it.

#include <chrono>
#include <memory>

#include "NetworkLink.h"

class NetworkConnection;

class GensioLink final : public NetworkLink {
  public:
    static Connected connect(const NetworkAddress& address, const LineSettings& settings,
                             std::chrono::milliseconds timeout);

    bool setsLine() const override { return m_setsLine; }
    ~GensioLink() override;

  private:
    GensioLink(std::shared_ptr<NetworkConnection> connection, bool setsLine);
    std::shared_ptr<NetworkConnection> m_connection;
    bool m_setsLine;
};

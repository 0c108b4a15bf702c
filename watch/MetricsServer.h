#pragma once
// The watcher over HTTP, on loopback by default: /metrics in Prometheus' text format, /healthz
// (200 while surveys keep ending, 503 and why when not) and /mesh.json (the last survey with each
// node's state). cpp-httplib parses the requests on threads of its own; each answer is made from
// the last state the loop handed over, never from the loop's own tables.

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "NetworkAddress.h"
#include "WatchSink.h"

namespace httplib {
class Server;
}

namespace watch {

class MetricsServer final : public WatchSink {
  public:
    // Listening on the address, or nothing and the reason in problem.
    static std::unique_ptr<MetricsServer> listen(const ports::NetworkAddress& address,
                                                 std::string& problem);
    ~MetricsServer() override;
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    const ports::NetworkAddress& address() const { return m_address; }

    void said(const Event&) override {}
    void changed(const std::shared_ptr<const WatchState>& state) override;

  private:
    explicit MetricsServer(ports::NetworkAddress address);
    std::shared_ptr<const WatchState> state() const;

    const ports::NetworkAddress m_address;
    mutable std::mutex m_lock;
    std::shared_ptr<const WatchState> m_state;  // under m_lock
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_listening;
};

}  // namespace watch

#include "MetricsServer.h"

#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "MeshStateJson.h"
#include "MetricsText.h"

namespace watch {

namespace {

// A scraper, a browser and a follower at once; more wait their turn.
constexpr std::size_t kServingThreads = 4;
// The server's end waits for every connection it holds. A connection kept open between scrapes
// would hold it until the scraper's next request, and the watcher must end within a second of
// SIGTERM: each answer closes its connection, and a client that connects and says nothing, or
// stops halfway through its request, is let go after a second.
constexpr std::size_t kRequestsAConnection = 1;
constexpr std::chrono::seconds kSilentClientLimit{1};

}  // namespace

MetricsServer::MetricsServer(ports::NetworkAddress address)
    : m_address(std::move(address)), m_server(std::make_unique<httplib::Server>()) {
    m_server->new_task_queue = [] { return new httplib::ThreadPool(kServingThreads); };
    // A short answer goes out at once, not after the peer's delayed acknowledgement.
    m_server->set_tcp_nodelay(true);
    m_server->set_keep_alive_max_count(kRequestsAConnection);
    m_server->set_keep_alive_timeout(kSilentClientLimit.count());
    m_server->set_read_timeout(kSilentClientLimit);
    m_server->Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
        const auto current = state();
        if (!current) {
            response.status = 503;
            return;
        }
        response.set_content(metricsText(*current, MESHCFG_VERSION),
                             std::string(kMetricsContentType));
    });
    m_server->Get("/healthz", [this](const httplib::Request&, httplib::Response& response) {
        const auto current = state();
        const std::string problem =
            current ? unhealthyReason(*current, WallClock::now()) : "starting";
        response.status = problem.empty() ? 200 : 503;
        response.set_content(problem.empty() ? "ok\n" : problem + "\n", "text/plain");
    });
    m_server->Get("/mesh.json", [this](const httplib::Request&, httplib::Response& response) {
        const auto current = state();
        if (!current) {
            response.status = 503;
            return;
        }
        response.set_content(
            meshStateJson(*current).dump(-1, ' ', false, modlink::Json::error_handler_t::replace),
            "application/json");
    });
}

std::unique_ptr<MetricsServer> MetricsServer::listen(const ports::NetworkAddress& address,
                                                     std::string& problem) {
    std::unique_ptr<MetricsServer> server(new MetricsServer(address));
    errno = 0;
    if (!server->m_server->bind_to_port(address.host, address.port)) {
        problem = "cannot listen on " + address.hostPort() +
                  (errno ? " (" + std::string(std::strerror(errno)) + ")" : "");
        return nullptr;
    }
    auto ended = std::make_shared<std::atomic<bool>>(false);
    server->m_listening = std::thread([raw = server->m_server.get(), ended] {
        raw->listen_after_bind();
        *ended = true;
    });
    // Stopping a server that has not begun to accept would leave it accepting for ever.
    while (!server->m_server->is_running() && !*ended)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return server;
}

MetricsServer::~MetricsServer() {
    if (m_listening.joinable()) {
        m_server->stop();
        m_listening.join();
    }
}

void MetricsServer::changed(const std::shared_ptr<const WatchState>& state) {
    std::lock_guard lock(m_lock);
    m_state = state;
}

std::shared_ptr<const WatchState> MetricsServer::state() const {
    std::lock_guard lock(m_lock);
    return m_state;
}

}  // namespace watch

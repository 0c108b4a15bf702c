#include "BrokerLink.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "BrokerTopics.h"
#include "EventText.h"
#include "MeshStateJson.h"
#include "WatchNote.h"

namespace watch {

namespace {

constexpr int kBrokerQos = 1;
constexpr int kBrokerKeepAliveS = 30;
// Sent and not yet acknowledged at once; the rest wait in the queue, not in the library.
constexpr std::size_t kBrokerInFlight = 20;
constexpr std::chrono::seconds kBrokerFirstPause{1};
constexpr std::chrono::seconds kBrokerLongestPause{30};
constexpr std::chrono::seconds kBrokerAnswerTime{10};
constexpr std::chrono::milliseconds kBrokerGoodbyeTime{500};
constexpr std::chrono::milliseconds kBrokerLoopPoll{1000};
constexpr std::string_view kSystemAuthorities = "/etc/ssl/certs";

using BrokerClock = std::chrono::steady_clock;

struct ClientEnd {
    void operator()(mosquitto* client) const { mosquitto_destroy(client); }
};
using Client = std::unique_ptr<mosquitto, ClientEnd>;

// The library's words without their full stop: the line goes on after them.
std::string libraryProblem(int code) {
    std::string words = code == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(code);
    if (words.ends_with('.')) words.pop_back();
    return words;
}

std::string dumped(const modlink::Json& json) {
    return json.dump(-1, ' ', false, modlink::Json::error_handler_t::replace);
}

}  // namespace

BrokerLink::BrokerLink(BrokerSettings settings, std::string site,
                       std::function<void()> figuresChanged)
    : m_settings(std::move(settings)),
      m_site(std::move(site)),
      m_figuresChanged(std::move(figuresChanged)),
      m_queue(m_settings.queueBound),
      m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!m_wake) throw std::system_error(errno, std::generic_category(), "eventfd");
    static std::once_flag libraryReady;
    std::call_once(libraryReady, [] { mosquitto_lib_init(); });
    m_queue.latest({watcherTopic(m_site), std::string(kWatcherOnline), true});
    m_thread = std::thread([this] { run(); });
}

BrokerLink::~BrokerLink() {
    m_stopping = true;
    wake();
    m_thread.join();
}

BrokerFigures BrokerLink::figures() const {
    std::lock_guard lock(m_lock);
    return {m_connected, m_queue.dropped(), m_queue.waitingEvents()};
}

void BrokerLink::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake.get(), &one, sizeof one);
}

void BrokerLink::said(const Event& event) {
    std::uint64_t dropped = 0;
    {
        std::lock_guard lock(m_lock);
        const std::uint64_t before = m_queue.dropped();
        m_queue.event({eventTopic(m_site), dumped(eventJson(event)), false});
        dropped = m_queue.dropped() - before;
    }
    if (m_connected) m_dropSaid = false;
    if (dropped && !m_dropSaid)
        watchNote("the broker's queue is full (" + std::to_string(m_settings.queueBound) +
                  " events): the oldest are dropped, counted in meshcfg_mqtt_dropped_events_total");
    m_dropSaid = m_dropSaid || dropped;
    wake();
}

void BrokerLink::changed(const std::shared_ptr<const WatchState>& state) {
    if (state->mesh)
        for (const auto& [node, network] : nodeNetworks(*state->mesh)) m_networks[node] = network;
    std::vector<BrokerMessage> latest;
    for (const auto& [node, nodeState] : state->nodes)
        if (const auto network = m_networks.find(node); network != m_networks.end())
            latest.push_back({nodeStateTopic(m_site, network->second, node),
                              nodeState.up ? "up" : "down", true});
    if (state->surveys != m_surveysSent) {
        m_surveysSent = state->surveys;
        latest.push_back({surveyTopic(m_site), dumped(meshStateJson(*state)), false});
    }
    {
        std::lock_guard lock(m_lock);
        for (BrokerMessage& message : latest) m_queue.latest(std::move(message));
    }
    wake();
}

void BrokerLink::run() {
    auto pause = std::chrono::duration_cast<std::chrono::milliseconds>(kBrokerFirstPause);
    while (!m_stopping) {
        const std::string why = connection();
        const bool wasConnected = m_connected.exchange(false);
        {
            std::lock_guard lock(m_lock);
            m_queue.connectionLost();
            m_inFlight.clear();
            if (!m_away) m_droppedBefore = m_queue.dropped();
        }
        if (wasConnected) {
            m_figuresChanged();
            pause = kBrokerFirstPause;
        }
        if (m_stopping) break;
        if (!m_away)
            watchNote("broker " + m_settings.address.text() + " " + why +
                      "; tried again after 1 s, then twice as long each time up to 30 s; events "
                      "wait for it");
        m_away = true;
        if (!this->pause(pause)) break;
        pause = std::min<std::chrono::milliseconds>(pause * 2, kBrokerLongestPause);
    }
}

bool BrokerLink::pause(std::chrono::milliseconds span) {
    pollfd waiting{m_wake.get(), POLLIN, 0};
    const auto until = BrokerClock::now() + span;
    while (!m_stopping) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - BrokerClock::now());
        if (left.count() <= 0) return true;
        ::poll(&waiting, 1, static_cast<int>(left.count()));
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_wake.get(), &count, sizeof count);
    }
    return false;
}

std::string BrokerLink::connection() {
    const std::string clientId = "meshcfg-watch-" + m_site;
    Client client(mosquitto_new(clientId.c_str(), true, this));
    if (!client) return "cannot be used: " + libraryProblem(MOSQ_ERR_ERRNO);
    mosquitto_connect_callback_set(client.get(), &BrokerLink::onConnect);
    mosquitto_publish_callback_set(client.get(), &BrokerLink::onPublish);
    mosquitto_int_option(client.get(), MOSQ_OPT_TCP_NODELAY, 1);
    const std::string will = watcherTopic(m_site);
    mosquitto_will_set(client.get(), will.c_str(), static_cast<int>(kWatcherOffline.size()),
                       kWatcherOffline.data(), kBrokerQos, true);
    const BrokerAddress& address = m_settings.address;
    if (!address.user.empty())
        mosquitto_username_pw_set(
            client.get(), address.user.c_str(),
            m_settings.password.empty() ? nullptr : m_settings.password.c_str());
    if (address.tls) {
        const bool ownAuthority = !m_settings.caFile.empty();
        const int code = mosquitto_tls_set(
            client.get(), ownAuthority ? m_settings.caFile.c_str() : nullptr,
            ownAuthority ? nullptr : kSystemAuthorities.data(), nullptr, nullptr, nullptr);
        if (code != MOSQ_ERR_SUCCESS) return "refuses its TLS settings: " + libraryProblem(code);
    }
    m_refusal = 0;
    const int code = mosquitto_connect_async(client.get(), address.where.host.c_str(),
                                             address.where.port, kBrokerKeepAliveS);
    if (code != MOSQ_ERR_SUCCESS) return "cannot be reached: " + libraryProblem(code);
    return serve(client.get());
}

std::string BrokerLink::serve(mosquitto* client) {
    const auto answerBy = BrokerClock::now() + kBrokerAnswerTime;
    while (!m_stopping) {
        if (m_refusal)
            return std::string("refused the watcher: ") + mosquitto_connack_string(m_refusal);
        if (!m_connected && BrokerClock::now() > answerBy)
            return "did not answer within " + std::to_string(kBrokerAnswerTime.count()) + " s";
        if (m_connected)
            if (std::string problem = pump(client); !problem.empty()) return problem;
        const int socket = mosquitto_socket(client);
        if (socket < 0) return "closed the connection";
        pollfd waiting[] = {
            {socket, static_cast<short>(POLLIN | (mosquitto_want_write(client) ? POLLOUT : 0)), 0},
            {m_wake.get(), POLLIN, 0}};
        ::poll(waiting, 2, static_cast<int>(kBrokerLoopPoll.count()));
        if (waiting[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_wake.get(), &count, sizeof count);
        }
        int code = MOSQ_ERR_SUCCESS;
        if (waiting[0].revents & (POLLIN | POLLERR | POLLHUP))
            code = mosquitto_loop_read(client, 1);
        if (code == MOSQ_ERR_SUCCESS && (waiting[0].revents & POLLOUT))
            code = mosquitto_loop_write(client, 1);
        if (code == MOSQ_ERR_SUCCESS) code = mosquitto_loop_misc(client);
        if (code != MOSQ_ERR_SUCCESS)
            return m_connected ? "was lost: " + libraryProblem(code)
                               : "cannot be reached: " + libraryProblem(code);
    }
    if (m_connected) goodbye(client);
    return {};
}

std::string BrokerLink::pump(mosquitto* client) {
    std::lock_guard lock(m_lock);
    while (m_inFlight.size() < kBrokerInFlight) {
        auto next = m_queue.next();
        if (!next) break;
        const BrokerMessage& message = next->message;
        int mid = 0;
        const int code = mosquitto_publish(client, &mid, message.topic.c_str(),
                                           static_cast<int>(message.payload.size()),
                                           message.payload.data(), kBrokerQos, message.retain);
        if (code != MOSQ_ERR_SUCCESS) return "took no message: " + libraryProblem(code);
        m_inFlight[mid] = next->id;
    }
    return {};
}

// "offline" at once rather than the will's at the keep-alive's end, after what waits.
void BrokerLink::goodbye(mosquitto* client) {
    {
        std::lock_guard lock(m_lock);
        m_queue.latest({watcherTopic(m_site), std::string(kWatcherOffline), true});
    }
    const auto until = BrokerClock::now() + kBrokerGoodbyeTime;
    while (BrokerClock::now() < until) {
        if (!pump(client).empty()) return;
        {
            std::lock_guard lock(m_lock);
            if (m_queue.settled()) break;
        }
        if (mosquitto_loop(client, 50, 1) != MOSQ_ERR_SUCCESS) return;
    }
    mosquitto_disconnect(client);
    mosquitto_loop(client, 50, 1);
}

void BrokerLink::onConnect(mosquitto*, void* self, int code) {
    auto* link = static_cast<BrokerLink*>(self);
    if (code != 0) {
        link->m_refusal = code;
        return;
    }
    link->m_connected = true;
    if (link->m_away) {
        std::uint64_t dropped = 0;
        std::size_t waiting = 0;
        {
            std::lock_guard lock(link->m_lock);
            dropped = link->m_queue.dropped() - link->m_droppedBefore;
            waiting = link->m_queue.waitingEvents();
        }
        watchNote("broker " + link->m_settings.address.text() + " reached again: " +
                  std::to_string(waiting) + " events that waited are sent now" +
                  (dropped ? ", " + std::to_string(dropped) + " dropped from the full queue" : ""));
    }
    link->m_away = false;
    link->m_figuresChanged();
}

void BrokerLink::onPublish(mosquitto*, void* self, int mid) {
    auto* link = static_cast<BrokerLink*>(self);
    std::lock_guard lock(link->m_lock);
    const auto sent = link->m_inFlight.find(mid);
    if (sent == link->m_inFlight.end()) return;
    link->m_queue.acknowledged(sent->second);
    link->m_inFlight.erase(sent);
}

}  // namespace watch

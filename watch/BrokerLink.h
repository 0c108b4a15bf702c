#pragma once
// The watcher's broker, through libmosquitto on a thread of its own, so that a broker that is
// slow or away never holds the loop: each node's availability (retained), each event, each survey
// and the watcher's own state, whose will says "offline" if the watcher dies. Everything goes at
// QoS 1 and leaves the queue only once the broker acknowledged it. A broker away or restarted is
// said once, tried again after 1 s, then twice as long each time up to 30 s, and said once when
// it is back; what waited is sent then, in order. Each try is a new client, so that nothing but
// the queue decides what is sent again.

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "BrokerQueue.h"
#include "FileDescriptor.h"
#include "WatchSettings.h"
#include "WatchSink.h"

struct mosquitto;

namespace watch {

class BrokerLink final : public WatchSink {
  public:
    // figuresChanged is called on the link's thread when it connects or loses the broker.
    BrokerLink(BrokerSettings settings, std::string site, std::function<void()> figuresChanged);
    // Says "offline" and gives the broker up to half a second to take what waits.
    ~BrokerLink() override;
    BrokerLink(const BrokerLink&) = delete;
    BrokerLink& operator=(const BrokerLink&) = delete;

    const BrokerSettings& settings() const { return m_settings; }
    BrokerFigures figures() const;

    void said(const Event& event) override;
    void changed(const std::shared_ptr<const WatchState>& state) override;

  private:
    void run();
    // One connection, from the try to its end: why it ended, or nothing once stopped.
    std::string connection();
    std::string serve(mosquitto* client);
    std::string pump(mosquitto* client);
    void goodbye(mosquitto* client);
    bool pause(std::chrono::milliseconds span);
    void wake();

    static void onConnect(mosquitto*, void* self, int code);
    static void onPublish(mosquitto*, void* self, int mid);

    const BrokerSettings m_settings;
    const std::string m_site;
    const std::function<void()> m_figuresChanged;
    std::map<std::uint16_t, std::uint16_t> m_networks;  // every node's last known; loop thread
    std::uint64_t m_surveysSent = 0;                    // loop thread
    bool m_dropSaid = false;                            // loop thread

    mutable std::mutex m_lock;
    BrokerQueue m_queue;                      // under m_lock
    std::map<int, std::uint64_t> m_inFlight;  // mid -> the queue's id; link thread
    std::atomic<bool> m_connected = false;
    int m_refusal = 0;                  // the broker's answer to the connection; link thread
    bool m_away = false;                // said to be away; link thread
    std::uint64_t m_droppedBefore = 0;  // dropped before the outage; under m_lock
    std::atomic<bool> m_stopping = false;
    files::FileDescriptor m_wake;
    std::thread m_thread;  // last: it uses all of the above
};

}  // namespace watch

// meshcfg-watch and its MQTT broker, a real mosquitto on loopback: how soon after the watcher
// decides a node is down (or back) the event reaches a subscriber, beside a message published
// straight to the same broker (the broker's own round trip); then the broker stopped for 30 s
// (5 s with --short) while the node goes down and up, and every event the watcher said counted
// at the subscriber after the broker is back.

#include <mosquitto.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <iomanip>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FreePort.h"
#include "ScopedRuntimeDir.h"
#include "ScopedVariable.h"
#include "ShortRun.h"
#include "SpawnedSimulator.h"
#include "Stats.h"
#include "Table.h"
#include "TempFolder.h"

namespace {

using WallClock = std::chrono::system_clock;
constexpr const char* kBenchNodeThree = "id = 3\ncom = 202\n";

// "2026-12-10T05:08:49.483+01:00" as the watcher writes an event's time.
WallClock::time_point eventTime(const std::string& text) {
    std::tm fields{};
    std::istringstream in(text.substr(0, 19));
    in >> std::get_time(&fields, "%Y-%m-%dT%H:%M:%S");
    const long long ms = std::stoll(text.substr(20, 3));
    const int sign = text[23] == '-' ? -1 : 1;
    const int offsetMin =
        sign * (std::stoi(text.substr(24, 2)) * 60 + std::stoi(text.substr(27, 2)));
    const std::time_t utc = ::timegm(&fields) - offsetMin * 60;
    return WallClock::from_time_t(utc) + std::chrono::milliseconds(ms);
}

// Every message on meshcfg/# with the time it came, through a session the broker keeps while
// it is away, so that nothing published while this client reconnects is missed.
class Subscriber {
  public:
    explicit Subscriber(int port) : m_client(mosquitto_new("bench-subscriber", false, this)) {
        mosquitto_message_callback_set(
            m_client, [](mosquitto*, void* self, const mosquitto_message* message) {
                auto* subscriber = static_cast<Subscriber*>(self);
                std::lock_guard lock(subscriber->m_lock);
                subscriber->m_received.push_back(
                    {message->topic,
                     std::string(static_cast<const char*>(message->payload),
                                 static_cast<std::size_t>(message->payloadlen)),
                     WallClock::now()});
                subscriber->m_arrived.notify_all();
            });
        mosquitto_connect_callback_set(m_client, [](mosquitto* client, void*, int) {
            mosquitto_subscribe(client, nullptr, "meshcfg/#", 1);
        });
        mosquitto_reconnect_delay_set(m_client, 1, 1, false);
        mosquitto_connect(m_client, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_client);
    }
    ~Subscriber() {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, true);
        mosquitto_destroy(m_client);
    }
    struct Received {
        std::string topic;
        std::string payload;
        WallClock::time_point at;
    };
    // The first message after `from` (an index) on the topic whose payload passes, within 60 s.
    std::optional<Received> await(std::size_t& from, const std::string& topic,
                                  const std::function<bool(const std::string&)>& holding) {
        std::unique_lock lock(m_lock);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (;;) {
            for (; from < m_received.size(); ++from)
                if (m_received[from].topic == topic && holding(m_received[from].payload))
                    return m_received[from++];
            if (m_arrived.wait_until(lock, until) == std::cv_status::timeout) return std::nullopt;
        }
    }
    std::vector<std::string> payloads(const std::string& topic) {
        std::lock_guard lock(m_lock);
        std::vector<std::string> found;
        for (const Received& received : m_received)
            if (received.topic == topic) found.push_back(received.payload);
        return found;
    }
    mosquitto* client() { return m_client; }

  private:
    mosquitto* m_client;
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::vector<Received> m_received;
};

pid_t startBroker(const std::string& config) {
    const pid_t broker = spawnWithoutOutput({"/usr/sbin/mosquitto", "-c", config});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return broker;
}

void stopProcess(pid_t pid) {
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

bool editLab(const std::string& file, pid_t lab, bool powered) {
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::string off = std::string(kBenchNodeThree) + "powered = false\n";
    const auto at = text.find(powered ? off : kBenchNodeThree);
    if (at == std::string::npos) return false;
    text.replace(at, powered ? off.size() : std::string(kBenchNodeThree).size(),
                 powered ? kBenchNodeThree : off);
    std::ofstream(file) << text;
    return ::kill(lab, SIGHUP) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool shortRun = takeShortRun(argc, argv);
    mosquitto_lib_init();
    const ScopedRuntimeDir runtime;
    const TempFolder folder;
    const ScopedVariable configHome("XDG_CONFIG_HOME", folder.path().c_str());
    const ScopedVariable stateHome("XDG_STATE_HOME", folder.path().c_str());
    const int port = freeLoopbackPort();
    const std::string config = (folder.path() / "mosquitto.conf").string();
    // Sessions kept on disk across the stop, written as this user.
    std::ofstream(config) << "listener " << port << " 127.0.0.1\nallow_anonymous true\n"
                          << "persistence true\npersistence_location " << folder.path().string()
                          << "/\nuser " << ::getpwuid(::getuid())->pw_name << "\n";
    pid_t broker = startBroker(config);
    Subscriber subscriber(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // The broker alone: a message published and received on loopback.
    std::vector<double> straight;
    std::size_t seen = 0;
    for (int i = 0; i < 20; ++i) {
        const std::string payload = "ping " + std::to_string(i);
        const auto sent = WallClock::now();
        mosquitto_publish(subscriber.client(), nullptr, "meshcfg/bench/ping",
                          static_cast<int>(payload.size()), payload.data(), 1, false);
        if (const auto got =
                subscriber.await(seen, "meshcfg/bench/ping",
                                 [&](const std::string& text) { return text == payload; }))
            straight.push_back(std::chrono::duration<double, std::milli>(got->at - sent).count());
    }

    const std::string labFile = runtime.path() + "/lab.toml";
    {
        std::ifstream example(MESHCFG_EXAMPLE_LAB);
        std::ofstream(labFile) << example.rdbuf();
    }
    const auto lab = SpawnedSimulator::lab(labFile, {"--seed", "1"});
    const SpawnedOutput watching =
        spawnReadingOutput({MESHCFG_WATCH_PATH, "--json", "--aliases", "--interval", "1",
                            "--lost-after", "2", "--metrics", "off", "--site", "bench", "--mqtt",
                            "mqtt://127.0.0.1:" + std::to_string(port)});
    const pid_t watcher = watching.pid;
    const std::string eventTopic = "meshcfg/bench/event";
    // Node 3 down and back, each decision timed to the subscriber, once a survey has heard it
    // (the lab's module 5 on another network id is the first survey's event).
    seen = 0;
    subscriber.await(seen, eventTopic, [](const std::string& text) {
        return text.find("network_id_differs") != std::string::npos;
    });
    std::vector<double> published;
    for (int cycle = 0; cycle < (shortRun ? 1 : 5); ++cycle) {
        for (const bool powered : {false, true}) {
            editLab(labFile, lab->pid(), powered);
            const auto got = subscriber.await(seen, eventTopic, [&](const std::string& text) {
                const auto event = nlohmann::json::parse(text, nullptr, false);
                return event.is_object() && event["kind"] == "node_down" && event["node"] == 3 &&
                       event["phase"] == (powered ? "end" : "start");
            });
            if (!got) {
                std::fprintf(stderr, "bench_watch_broker: node 3's event never came (%zu events)\n",
                             subscriber.payloads(eventTopic).size());
                stopProcess(watcher);
                stopProcess(broker);
                return 1;
            }
            const auto decided = eventTime(nlohmann::json::parse(got->payload)["time"]);
            published.push_back(
                std::chrono::duration<double, std::milli>(got->at - decided).count());
        }
    }

    // The broker away while node 3 goes down and comes back.
    stopProcess(broker);
    const auto outage = shortRun ? std::chrono::seconds(5) : std::chrono::seconds(30);
    const auto outageEnd = std::chrono::steady_clock::now() + outage;
    int toggles = 0;
    for (bool powered = false;
         std::chrono::steady_clock::now() + std::chrono::seconds(4) < outageEnd;
         powered = !powered, ++toggles) {
        editLab(labFile, lab->pid(), powered);
        std::this_thread::sleep_for(std::chrono::seconds(4));
    }
    if (toggles % 2) editLab(labFile, lab->pid(), true);
    std::this_thread::sleep_until(outageEnd);
    broker = startBroker(config);
    // Everything the watcher said is published once it is back; it said the last a while ago.
    std::this_thread::sleep_for(std::chrono::seconds(shortRun ? 5 : 35));
    stopProcess(watcher);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::vector<std::string> received = subscriber.payloads(eventTopic);
    stopProcess(broker);
    // Every event the watcher said, against those the subscriber got (a QoS 1 repeat once).
    std::string out;
    char chunk[4096];
    for (ssize_t got; (got = ::read(watching.out, chunk, sizeof chunk)) > 0;)
        out.append(chunk, static_cast<std::size_t>(got));
    ::close(watching.out);
    std::vector<std::string> said;
    for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos;
         start = end + 1)
        said.push_back(out.substr(start, end - start));
    received.erase(std::unique(received.begin(), received.end()), received.end());
    std::size_t lost = 0;
    for (const std::string& event : said)
        lost += std::find(received.begin(), received.end(), event) == received.end() ? 1 : 0;

    const double publishedMedian = percentile(published, 50);
    const double publishedMax = percentile(published, 100);
    const double straightMedian = percentile(straight, 50);
    printRow({"node down or back: decision to MQTT subscriber, median (ms)",
              fixed(publishedMedian, 1), fixed(straightMedian, 2) + " broker alone",
              times(publishedMedian / straightMedian), "< 1000 ms", metText(publishedMax < 1000)});
    printRow({"node down or back: decision to MQTT subscriber, max of " +
                  std::to_string(published.size()) + " (ms)",
              fixed(publishedMax, 1), fixed(percentile(straight, 100), 2) + " broker alone", "-",
              "< 1000 ms", metText(publishedMax < 1000)});
    printRow(
        {"broker away " + std::to_string(outage.count()) + " s (" + std::to_string(toggles) +
             " node changes): events lost of those said",
         std::to_string(lost),
         std::to_string(said.size()) + " said, " + std::to_string(received.size()) + " received",
         "-", "0", metText(lost == 0)});
    return 0;
}

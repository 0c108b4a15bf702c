#pragma once
// The news of every source, waiting for the watcher's loop, which polls fd() beside its signals.
// Each piece is stamped with the time it was told. Bounded whatever the modules send: nodes
// heard are kept once each (the last time), port news comes at most once a try, and a survey
// reads each port once; probes' sends and their targets' notices come at the pace the probes
// send, which the loop takes as fast.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Event.h"
#include "FileDescriptor.h"
#include "PortNews.h"

namespace watch {

struct PortChange {
    std::string port;
    bool open = false;
    std::string reason;  // why not
    WallTime time;
};

struct HeardNode {
    std::string port;
    WallTime time;
};

struct ModuleRead {
    std::uint64_t round = 0;
    mesh::SurveyedPort module;
};

struct ProbeWrite {
    std::size_t probe = 0;
    std::optional<std::chrono::steady_clock::time_point> onWire;
};

struct PortNotice {
    std::string port;
    proto::Frame notice;
    std::chrono::steady_clock::time_point at;
};

struct WatchNews {
    std::vector<PortChange> ports;             // in the order they came
    std::map<std::uint16_t, HeardNode> heard;  // the last time each node was heard
    std::vector<ModuleRead> reads;
    std::vector<ProbeWrite> probeWrites;  // in the order written
    std::vector<PortNotice> notices;      // of probes' target ports, in the order read
    bool brokerChanged = false;           // connected or lost
    bool empty() const {
        return ports.empty() && heard.empty() && reads.empty() && probeWrites.empty() &&
               notices.empty() && !brokerChanged;
    }
};

class WatchInbox final : public PortNews {
  public:
    static constexpr std::size_t kMostNotices = 4096;
    WatchInbox();
    // Readable while news waits.
    int fd() const { return m_wake.get(); }
    WatchNews take();

    void portOpened(const std::string& port) override;
    void portFailed(const std::string& port, const std::string& reason) override;
    void heard(const std::string& port, std::uint16_t node) override;
    void moduleRead(std::uint64_t round, mesh::SurveyedPort module) override;
    void probeWritten(std::size_t probe,
                      std::optional<std::chrono::steady_clock::time_point> onWire) override;
    void noticed(const std::string& port, proto::Frame notice,
                 std::chrono::steady_clock::time_point at) override;
    void brokerChanged();

  private:
    void wake();

    std::mutex m_lock;
    WatchNews m_news;  // under m_lock
    files::FileDescriptor m_wake;
};

}  // namespace watch

#pragma once
// The news of every source, waiting for the watcher's loop, which polls fd() beside its signals.
// Each piece is stamped with the time it was told. Bounded whatever the modules send: nodes
// heard are kept once each (the last time), port news comes at most once a try, and a survey
// reads each port once.

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

struct WatchNews {
    std::vector<PortChange> ports;             // in the order they came
    std::map<std::uint16_t, HeardNode> heard;  // the last time each node was heard
    std::vector<ModuleRead> reads;
    bool brokerChanged = false;  // connected or lost
    bool empty() const { return ports.empty() && heard.empty() && reads.empty() && !brokerChanged; }
};

class WatchInbox final : public PortNews {
  public:
    WatchInbox();
    // Readable while news waits.
    int fd() const { return m_wake.get(); }
    WatchNews take();

    void portOpened(const std::string& port) override;
    void portFailed(const std::string& port, const std::string& reason) override;
    void heard(const std::string& port, std::uint16_t node) override;
    void moduleRead(std::uint64_t round, mesh::SurveyedPort module) override;
    void brokerChanged();

  private:
    void wake();

    std::mutex m_lock;
    WatchNews m_news;  // under m_lock
    FileDescriptor m_wake;
};

}  // namespace watch

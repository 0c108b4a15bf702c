#pragma once
// Connections to a port across the network, made off the face's thread: the face's Open and
// the watch's attempts to reconnect a lost one. One attempt counts at a time; one the face no
// longer wants runs to its end and is dropped, so that nobody waits for it.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "NetworkOpening.h"
#include "ReopenMemory.h"

namespace engine {

class RemoteOpening {
  public:
    enum class Purpose { kOpen, kReconnect };
    struct Ended {
        PortSettings settings;
        Purpose purpose = Purpose::kOpen;
        ports::NetworkAddress address;
        serial::NetworkLink::Connected connected;
    };

    // ended is called on the attempt's thread once its result can be taken.
    explicit RemoteOpening(std::function<void()> ended) : m_ended(std::move(ended)) {}

    void start(const ports::NetworkAddress& address, const proto::LineSettings& line,
               const PortSettings& settings, Purpose purpose);
    // The attempt that counts, for the purpose given, is still running.
    bool running(Purpose purpose) const;
    // When the last attempt started; the epoch before the first.
    std::chrono::steady_clock::time_point lastStart() const { return m_lastStart; }
    // The attempt that counts, once it has ended: nothing before, and once only.
    std::optional<Ended> takeEnded();
    void abandon();

  private:
    void dropEndedAbandoned();

    const std::function<void()> m_ended;
    std::unique_ptr<serial::NetworkOpening> m_current;
    PortSettings m_settings;
    ports::NetworkAddress m_address;
    Purpose m_purpose = Purpose::kOpen;
    std::chrono::steady_clock::time_point m_lastStart{};
    std::vector<std::unique_ptr<serial::NetworkOpening>> m_abandoned;
};

}  // namespace engine

#include "RemoteOpening.h"

#include <algorithm>

namespace engine {

void RemoteOpening::start(const ports::NetworkAddress& address, const proto::LineSettings& line,
                          const PortSettings& settings, Purpose purpose) {
    abandon();
    m_settings = settings;
    m_address = address;
    m_purpose = purpose;
    m_lastStart = std::chrono::steady_clock::now();
    m_current = std::make_unique<serial::NetworkOpening>(address, line, m_ended);
}

bool RemoteOpening::running(Purpose purpose) const {
    return m_current && m_purpose == purpose;
}

std::optional<RemoteOpening::Ended> RemoteOpening::takeEnded() {
    dropEndedAbandoned();
    if (!m_current || !m_current->ended()) return std::nullopt;
    Ended ended{m_settings, m_purpose, m_address, m_current->take()};
    m_current.reset();
    return ended;
}

void RemoteOpening::abandon() {
    dropEndedAbandoned();
    if (m_current) m_abandoned.push_back(std::move(m_current));
}

// Their threads have ended, so dropping them waits for nothing; a connection one of them made
// is closed.
void RemoteOpening::dropEndedAbandoned() {
    std::erase_if(m_abandoned, [](const std::unique_ptr<serial::NetworkOpening>& attempt) {
        return attempt->ended();
    });
}

}  // namespace engine

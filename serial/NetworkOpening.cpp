#include "NetworkOpening.h"

#include <utility>

namespace serial {

NetworkOpening::NetworkOpening(ports::NetworkAddress address, proto::LineSettings settings,
                               std::function<void()> ended)
    : m_address(std::move(address)) {
    m_attempt = std::thread([this, settings, ended = std::move(ended)] {
        m_result = NetworkLink::connect(m_address, settings);
        m_ended = true;
        if (ended) ended();
    });
}

NetworkOpening::~NetworkOpening() {
    if (m_attempt.joinable()) m_attempt.join();
}

NetworkLink::Connected NetworkOpening::take() {
    if (m_attempt.joinable()) m_attempt.join();
    return std::move(m_result);
}

}  // namespace serial

#include "ReceiveBuffer.h"

namespace serial {

bool ReceiveBuffer::append(std::uint8_t byte) {
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(m_mutex);
    m_lastArrival = now;
    if (m_count < kCapacity) {
        m_bytes[m_count++] = byte;
    } else {
        ++m_dropped;
    }
    const bool startsBlock = m_idle == kIdle;
    m_idle = 0;
    return startsBlock;
}

std::optional<ReceivedBlock> ReceiveBuffer::tick() {
    std::lock_guard lock(m_mutex);
    if (m_idle == kIdle) return std::nullopt;
    const int old = m_idle++;
    if (old < kSilentTicks) return std::nullopt;
    ReceivedBlock block{{m_bytes, m_bytes + m_count}, m_dropped, m_lastArrival};
    m_count = 0;
    m_idle = kIdle;
    m_dropped = 0;
    return block;
}

int ReceiveBuffer::idleCounter() const {
    std::lock_guard lock(m_mutex);
    return m_idle;
}

std::size_t ReceiveBuffer::count() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

std::size_t ReceiveBuffer::dropped() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}

}  // namespace serial

#include "ModuleLink.h"

#include <algorithm>

#include "Interrupt.h"

namespace {
// How often a wait looks at Ctrl+C; the reader's notice ends it at once when bytes come.
constexpr std::chrono::milliseconds kInterruptPoll{50};
}  // namespace

ModuleLink::~ModuleLink() {
    Close();
}

void ModuleLink::OnReceiveByte(unsigned char byte) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(byte);
        m_lastByte = Clock::now();
    }
    m_arrived.notify_one();
}

void ModuleLink::discardPending() {
    std::lock_guard lock(m_mutex);
    m_pending.clear();
}

bool ModuleLink::blockEnds(const std::optional<proto::ExpectedReply>& expected,
                           Clock::time_point now) const {
    if (m_pending.empty()) return false;
    if (expected && proto::replyComplete(*expected, m_pending)) return true;
    return now - m_lastByte >= proto::kReplySilence;
}

std::optional<ModuleLink::Block> ModuleLink::awaitBlock(
    const std::optional<proto::ExpectedReply>& expected, Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto now = Clock::now();
        if (blockEnds(expected, now) || (now >= deadline && !m_pending.empty())) break;
        if (now >= deadline || interrupted()) return std::nullopt;
        auto wake = std::min(deadline, now + kInterruptPoll);
        if (!m_pending.empty()) wake = std::min(wake, m_lastByte + proto::kReplySilence);
        m_arrived.wait_until(lock, wake);
    }
    Block block{std::move(m_pending), m_lastByte};
    m_pending.clear();
    return block;
}

#include "ModuleLine.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "SystemError.h"

namespace sim {

namespace {

constexpr auto kStaleAfter = std::chrono::milliseconds(200);
constexpr std::size_t kReadChunk = 1024;

}  // namespace

std::optional<ModuleLine::Clock::time_point> ModuleLine::nextWake() const {
    std::optional<Clock::time_point> wake;
    if (!m_lineFull) wake = m_pacer.nextDue();
    if (m_parser.hasPending()) {
        const Clock::time_point stale = m_lastInput + kStaleAfter;
        wake = wake ? std::min(*wake, stale) : stale;
    }
    return wake;
}

std::vector<Received> ModuleLine::read(int terminal, Clock::time_point now) {
    std::uint8_t buffer[kReadChunk];
    const ssize_t count = ::read(terminal, buffer, sizeof buffer);
    if (count < 0) {
        if (errno == EAGAIN || errno == EINTR) return {};
        throw systemFailure("cannot read the terminal");
    }
    m_lastInput = now;
    return m_parser.feed(proto::Bytes(buffer, static_cast<std::size_t>(count)));
}

std::vector<Received> ModuleLine::takeStale(Clock::time_point now) {
    if (!m_parser.hasPending() || now - m_lastInput < kStaleAfter) return {};
    return m_parser.flushStale();
}

void ModuleLine::write(int terminal, Clock::time_point now) {
    if (m_lineFull) return;
    const auto due = m_pacer.takeDue(now);
    if (due.empty()) return;
    const ssize_t written = ::write(terminal, due.data(), due.size());
    if (written < 0 && errno != EAGAIN && errno != EINTR)
        throw systemFailure("cannot write the terminal");
    const std::size_t sent = written < 0 ? 0 : static_cast<std::size_t>(written);
    if (sent < due.size()) {
        m_pacer.putBack(proto::Bytes(due).subspan(sent));
        m_lineFull = true;
    }
}

void ModuleLine::drop() {
    m_pacer.drop();
    m_parser = FrameParser();
    m_lineFull = false;
}

}  // namespace sim

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
    const auto consider = [&](std::optional<Clock::time_point> due) {
        if (due && (!wake || *due < *wake)) wake = due;
    };
    if (!m_lineFull) consider(m_pacer.nextDue());
    if (m_parser.hasPending()) consider(m_lastInput + kStaleAfter);
    consider(m_inputDrops.endsAt());
    consider(m_outputDrops.endsAt());
    return wake;
}

std::vector<Heard> ModuleLine::read(int terminal, Clock::time_point now) {
    std::uint8_t buffer[kReadChunk];
    const ssize_t count = ::read(terminal, buffer, sizeof buffer);
    if (count < 0) {
        if (errno == EAGAIN || errno == EINTR) return {};
        throw systemFailure("cannot read the terminal");
    }
    const auto written = static_cast<std::size_t>(count);
    const std::vector<Clock::time_point> crossed = m_input.arrive(now, written);
    if (!crossed.empty()) m_lastInput = crossed.back();
    m_parsing.insert(m_parsing.end(), crossed.begin(), crossed.end());
    std::vector<Heard> heard = timed(m_parser.feed(proto::Bytes(buffer, crossed.size())));
    if (crossed.size() < written) {
        m_inputDrops.count(now, written - crossed.size());
        // The bytes dropped cut what the parser holds: that frame can never be whole.
        for (Heard& item : timed(m_parser.flushStale())) heard.push_back(std::move(item));
    }
    return heard;
}

std::vector<Heard> ModuleLine::takeStale(Clock::time_point now) {
    if (!m_parser.hasPending() || now - m_lastInput < kStaleAfter) return {};
    return timed(m_parser.flushStale());
}

// Every byte the parser took comes out in exactly one item, in order: an item was heard when
// its last byte had crossed.
std::vector<Heard> ModuleLine::timed(std::vector<Received> received) {
    std::vector<Heard> heard;
    for (Received& item : received) {
        const auto end = m_parsing.begin() + static_cast<std::ptrdiff_t>(item.bytes.size());
        const Clock::time_point at = *std::prev(end);
        m_parsing.erase(m_parsing.begin(), end);
        heard.push_back({std::move(item), at});
    }
    return heard;
}

void ModuleLine::say(Clock::time_point at, proto::Bytes bytes) {
    if (!m_pacer.push(at, bytes)) m_outputDrops.count(at, 1);
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

std::vector<std::string> ModuleLine::takeOverflows(Clock::time_point now, int com) {
    std::vector<std::string> lines;
    const auto tell = [&](Overflows& drops, std::string_view side, std::string_view unit) {
        if (const auto count = drops.takeEnded(now))
            lines.push_back("COM" + std::to_string(com) + " " + std::string(side) +
                            " overflow: " + std::to_string(*count) + " " + std::string(unit) +
                            (*count == 1 ? "" : "s") + " dropped");
    };
    tell(m_inputDrops, "input", "byte");
    tell(m_outputDrops, "output", "frame");
    return lines;
}

void ModuleLine::drop() {
    m_pacer.drop();
    m_input.drop();
    m_parser = FrameParser();
    m_parsing.clear();
    m_lineFull = false;
}

}  // namespace sim

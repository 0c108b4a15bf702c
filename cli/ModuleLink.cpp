#include "ModuleLink.h"

#include <algorithm>
#include <utility>

#include "Interrupt.h"
#include "ReplyEnd.h"

namespace {
// How often a wait looks at Ctrl+C; bytes and a hang-up end it at once.
constexpr std::chrono::milliseconds kInterruptPoll{50};
}  // namespace

ModuleLink::ModuleLink(Reading reading)
    : CXSerial(PortEvents{.hungUp = [this] { onHangUp(); }}), m_reading(reading) {}

ModuleLink::~ModuleLink() {
    Close();
}

void ModuleLink::OnReceiveByte(unsigned char byte) {
    {
        std::lock_guard lock(m_mutex);
        m_lastByte = Clock::now();
        if (m_reading == Reading::kFrames)
            m_reader.push(proto::Bytes(&byte, 1), m_lastByte);
        else
            m_block.push_back(byte);
    }
    m_arrived.notify_one();
}

void ModuleLink::onHangUp() {
    {
        std::lock_guard lock(m_mutex);
        m_lost = true;
    }
    m_arrived.notify_one();
}

bool ModuleLink::lost(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, wait, [this] { return m_lost; });
}

void ModuleLink::forgetLoss() {
    std::lock_guard lock(m_mutex);
    m_lost = false;
    m_block.clear();
}

std::vector<proto::ReadFrame> ModuleLink::startExchange(proto::Bytes request) {
    std::lock_guard lock(m_mutex);
    std::vector<proto::ReadFrame> earlier(m_frames.begin(), m_frames.end());
    m_frames.clear();
    for (proto::ReadFrame& frame : m_reader.take()) earlier.push_back(std::move(frame));
    m_reader.expectReplyTo(request);
    return earlier;
}

std::size_t ModuleLink::noiseBytes() {
    std::lock_guard lock(m_mutex);
    return m_reader.noiseBytes();
}

std::optional<ModuleLink::WaitEnd> ModuleLink::waitEnd(Clock::time_point now,
                                                       Clock::time_point deadline) const {
    if (m_lost) return WaitEnd::kLost;
    if (interrupted()) return WaitEnd::kInterrupted;
    if (now >= deadline) return WaitEnd::kTimeOut;
    return std::nullopt;
}

ModuleLink::Clock::time_point ModuleLink::nextWake(Clock::time_point now,
                                                   Clock::time_point deadline) const {
    auto wake = std::min(deadline, now + kInterruptPoll);
    const bool partial =
        m_reading == Reading::kFrames ? m_reader.holdsPartialFrame() : !m_block.empty();
    if (partial) wake = std::min(wake, m_lastByte + proto::kReplySilence);
    return wake;
}

ModuleLink::WaitEnd ModuleLink::awaitFrame(Clock::time_point deadline, proto::ReadFrame& frame) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto now = Clock::now();
        m_reader.flushStale(now);
        for (proto::ReadFrame& cut : m_reader.take()) m_frames.push_back(std::move(cut));
        if (!m_frames.empty()) {
            frame = std::move(m_frames.front());
            m_frames.pop_front();
            return WaitEnd::kArrived;
        }
        if (const auto end = waitEnd(now, deadline)) return *end;
        m_arrived.wait_until(lock, nextWake(now, deadline));
    }
}

ModuleLink::WaitEnd ModuleLink::awaitBlock(Clock::time_point deadline, Block& block) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto now = Clock::now();
        // A block cut short by a hang-up or Ctrl+C is still shown.
        if (!m_block.empty() &&
            (now - m_lastByte >= proto::kReplySilence || m_lost || interrupted())) {
            block = {std::exchange(m_block, {}), m_lastByte};
            return WaitEnd::kArrived;
        }
        if (const auto end = waitEnd(now, deadline)) return *end;
        m_arrived.wait_until(lock, nextWake(now, deadline));
    }
}

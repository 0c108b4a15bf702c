#include "ReceivingPort.h"

#include <chrono>
#include <utility>

namespace engine {

ReceivingPort::ReceivingPort(serial::PortEvents events, Receiving receiving,
                             std::function<void()> wake)
    : serial::QZSerial(std::move(events),
                       receiving == Receiving::Blocks ? wake : std::function<void()>()),
      m_receiving(receiving),
      m_framesWhole(receiving == Receiving::Frames ? std::move(wake) : std::function<void()>()) {}

// The reader must be stopped while the frame reader it feeds still exists.
ReceivingPort::~ReceivingPort() {
    Close();
}

// The frame reader sees the byte before the receive buffer does, so a block cut by silence
// never ends in a byte whose frame the reader has not yet cut.
// A byte is stamped under the lock, so that one taken later never bears an earlier time than
// the take.
void ReceivingPort::OnReceiveByte(unsigned char byte) {
    bool whole = false;
    {
        std::lock_guard lock(m_readerLock);
        m_reader.push(proto::Bytes(&byte, 1), std::chrono::steady_clock::now());
        whole = keepCut();
    }
    if (whole && m_framesWhole) m_framesWhole();
    // A face that reads frames alone has no blocks to cut, and no ticks to cut them.
    if (m_receiving == Receiving::Blocks) serial::QZSerial::OnReceiveByte(byte);
}

bool ReceivingPort::keepCut() {
    std::vector<proto::ReadFrame> cut = m_reader.take();
    for (proto::ReadFrame& frame : cut)
        if (m_cut.size() < kHeldFrames) m_cut.push_back(std::move(frame));
    return !cut.empty();
}

std::optional<std::chrono::steady_clock::time_point> ReceivingPort::silenceDue() {
    std::lock_guard lock(m_readerLock);
    return m_reader.staleAt();
}

void ReceivingPort::onSilence() {
    bool whole = false;
    {
        std::lock_guard lock(m_readerLock);
        m_reader.flushStale(std::chrono::steady_clock::now());
        whole = keepCut();
    }
    if (whole && m_framesWhole) m_framesWhole();
}

void ReceivingPort::expectReplyTo(proto::Bytes request) {
    std::lock_guard lock(m_readerLock);
    m_reader.expectReplyTo(request);
}

std::vector<proto::ReadFrame> ReceivingPort::takeFrames(proto::FrameReader::Clock::time_point now) {
    std::lock_guard lock(m_readerLock);
    m_reader.flushStale(now);
    keepCut();
    return std::exchange(m_cut, {});
}

std::size_t ReceivingPort::bytesToCome() {
    std::lock_guard lock(m_readerLock);
    return m_reader.bytesToCome();
}

std::size_t ReceivingPort::noiseBytes() {
    std::lock_guard lock(m_readerLock);
    return m_reader.noiseBytes();
}

std::size_t ReceivingPort::unfinishedBytes() {
    std::lock_guard lock(m_readerLock);
    return m_reader.unfinishedBytes();
}

}  // namespace engine

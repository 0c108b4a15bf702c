#include "FrameReader.h"

#include <utility>

#include "Dispatch.h"
#include "Ticks.h"

namespace proto {

namespace {

// Nothing when the first byte opens no frame of either type; 0 while its size is not yet known.
std::optional<std::size_t> sizeOfFrameAt(Bytes head) {
    const std::uint8_t type = head[kTypeOffset];
    if (type != kTypeModule && type != kTypeNetData) return std::nullopt;
    if (head.size() < kHeaderSize) return 0;
    return receivedFrameSize(head);
}

bool isReceiveNotice(Bytes frame) {
    return frame[kTypeOffset] == kTypeNetData && frame[kCodeOffset] == kCmdReceiveNotice;
}

}  // namespace

void FrameReader::expectReplyTo(Bytes request) {
    m_awaited = expectedReplyTo(request);
}

void FrameReader::push(Bytes bytes, Clock::time_point arrived) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    m_arrivals.insert(m_arrivals.end(), bytes.size(), arrived);
    cut();
}

void FrameReader::flushStale(Clock::time_point now) {
    for (auto at = staleAt(); at && now >= *at; at = staleAt()) {
        dropNoise(1);
        cut();
    }
}

std::optional<FrameReader::Clock::time_point> FrameReader::staleAt() const {
    if (m_pending.empty()) return std::nullopt;
    if (answersAwaited(m_pending) && !awaitedReplyBehindHead()) return std::nullopt;
    return m_arrivals.back() + kReplySilence;
}

std::vector<ReadFrame> FrameReader::take() {
    return std::exchange(m_frames, {});
}

std::size_t FrameReader::bytesToCome() const {
    if (m_pending.empty()) return 0;
    const auto size = sizeOfFrameAt(m_pending);
    if (!size) return 0;
    const std::size_t whole = *size == 0 ? kHeaderSize : *size;
    return whole > m_pending.size() ? whole - m_pending.size() : 0;
}

void FrameReader::cut() {
    while (!m_pending.empty()) {
        const auto size = sizeOfFrameAt(m_pending);
        if (!size) {
            dropNoise(1);
            continue;
        }
        if (*size == 0 || m_pending.size() < *size) return;  // wait for the rest
        const Bytes frame = Bytes(m_pending).first(*size);
        const bool checkOk = blockPassesCheck(frame);
        const bool awaited = answersAwaited(frame);
        if (!checkOk && !awaited) {
            dropNoise(1);
            continue;
        }
        if (awaited) m_awaited.reset();
        m_frames.push_back({.bytes = Frame(frame.begin(), frame.end()),
                            .arrived = m_arrivals[*size - 1],
                            .checkOk = checkOk,
                            .unsolicited = isReceiveNotice(frame)});
        m_pending.erase(m_pending.begin(), m_pending.begin() + *size);
        m_arrivals.erase(m_arrivals.begin(), m_arrivals.begin() + *size);
    }
}

void FrameReader::dropNoise(std::size_t count) {
    m_pending.erase(m_pending.begin(), m_pending.begin() + count);
    m_arrivals.erase(m_arrivals.begin(), m_arrivals.begin() + count);
    m_noiseBytes += count;
}

bool FrameReader::answersAwaited(Bytes frame) const {
    return m_awaited && opensExpectedReply(*m_awaited, frame);
}

bool FrameReader::awaitedReplyBehindHead() const {
    for (std::size_t start = 1; start < m_pending.size(); ++start) {
        const Bytes rest = Bytes(m_pending).subspan(start);
        const auto size = sizeOfFrameAt(rest);
        if (!size || *size == 0 || *size > rest.size()) continue;
        const Bytes frame = rest.first(*size);
        if (blockPassesCheck(frame) && answersAwaited(frame)) return true;
    }
    return false;
}

}  // namespace proto

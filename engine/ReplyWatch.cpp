#include "ReplyWatch.h"

#include <algorithm>

#include "ReplyEnd.h"

namespace engine {

void ReplyWatch::taken(proto::Bytes frame) {
    std::optional<std::uint8_t> code;
    if (frame.size() > proto::kTypeOffset && frame[proto::kTypeOffset] == proto::kTypeModule)
        if (const auto expected = proto::expectedReplyTo(frame)) code = expected->dispatchCode;
    m_requests.push_back({code, std::nullopt});
}

void ReplyWatch::written(Clock::time_point done) {
    const auto unwritten = std::find_if(m_requests.begin(), m_requests.end(),
                                        [](const Request& r) { return !r.written; });
    if (unwritten == m_requests.end()) return;
    unwritten->written = done;
    // Only a request whose reply is watched stays once written.
    std::erase_if(m_requests, [](const Request& r) { return r.written && !r.replyCode; });
}

// The frame reader keeps a spoiled frame only when it has the awaited reply's header.
void ReplyWatch::received(const proto::ReadFrame& frame) {
    if (frame.unsolicited || frame.bytes.size() <= proto::kCodeOffset) return;
    if (frame.bytes[proto::kTypeOffset] != proto::kTypeModule) return;
    const std::uint8_t code = frame.bytes[proto::kCodeOffset];
    const auto answered = std::find_if(m_requests.begin(), m_requests.end(),
                                       [code](const Request& r) { return r.replyCode == code; });
    if (answered != m_requests.end()) m_requests.erase(answered);
}

int ReplyWatch::takeOverdue(Clock::time_point now) {
    const auto before = m_requests.size();
    std::erase_if(m_requests, [now](const Request& r) {
        return r.replyCode && r.written && now - *r.written >= kNoReplyAfter;
    });
    return static_cast<int>(before - m_requests.size());
}

}  // namespace engine

#pragma once
// The port as a script uses it: write a request, then wait for its reply, which ends as soon as
// it is whole (or, for replies of no known shape, after the window's silence), or at a deadline.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "CXSerial.h"
#include "Frame.h"
#include "ReplyEnd.h"

class ModuleLink final : public CXSerial {
  public:
    using Clock = std::chrono::steady_clock;

    struct Block {
        std::vector<std::uint8_t> bytes;
        Clock::time_point lastByte;
    };

    ~ModuleLink() override;
    void OnReceiveByte(unsigned char byte) override;

    // Drops what arrived before a request, so it is not taken for the request's reply.
    void discardPending();

    // The block received from now until it is whole as expected, or has been silent for the
    // silence rule, or the deadline passes. Nothing when no byte came in time or on Ctrl+C.
    std::optional<Block> awaitBlock(const std::optional<proto::ExpectedReply>& expected,
                                    Clock::time_point deadline);

  private:
    bool blockEnds(const std::optional<proto::ExpectedReply>& expected,
                   Clock::time_point now) const;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::uint8_t> m_pending;
    Clock::time_point m_lastByte;
};

// A peer that never reads: each Write gives up after its bounded waits instead of holding
// the caller, and the port stays usable both ways afterwards.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

#include "PortAlias.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "ScopedRuntimeDir.h"
#include "StuckLine.h"
#include "Wait.h"

namespace {

constexpr int kStuckPort = 200;
// Three waits of a second each, and room for a loaded machine; a Write that never gives up
// is what this catches.
constexpr double kGiveUpBoundSeconds = 5.0;

class StuckPeer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_port.Open(ports::PortDirectory().target(kStuckPort), 115200, 0))
            << m_port.lastError();
    }

    // Times one Write into a line filled beforehand.
    bool timedWrite(const char* what, const std::vector<std::uint8_t>& bytes, int attempt) {
        const std::size_t filled = fillLine(m_pty);
        const auto start = std::chrono::steady_clock::now();
        const bool written = m_port.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
        const double seconds = secondsSince(start);
        std::printf(
            "FIGURE write_stuck_peer what=%s attempt=%d bytes=%zu line_filled=%zu "
            "result=%s seconds=%.2f\n",
            what, attempt, bytes.size(), filled, written ? "true" : "false", seconds);
        EXPECT_LT(seconds, kGiveUpBoundSeconds) << what;
        return written;
    }

    ScopedRuntimeDir m_runtimeDir;
    PtyPair m_pty;
    PortAlias m_alias{kStuckPort, m_pty.slavePath()};
    serial::QZSerial m_port;
};

TEST_F(StuckPeer, EveryWriteGivesUpAndThePortStaysUsable) {
    // More than the line can take even when each time-out frees it.
    const std::vector<std::uint8_t> block(256 * 1024, 0x55);
    for (int attempt = 1; attempt <= 2; ++attempt)
        EXPECT_FALSE(timedWrite("block_256k", block, attempt));
    // A request-sized write only has to wait for the time-out that frees the line.
    const std::vector<std::uint8_t> request{0x05, 0x00, 0x01, 0x08, 0x00, 0x01, 0x00,
                                            0x07, 0x01, 0x02, 0x01, 0x02, 0x0A};
    timedWrite("request", request, 1);

    EXPECT_TRUE(m_port.isOpen());
    EXPECT_TRUE(m_port.isReading());
    const std::vector<std::uint8_t> reply{0x01, 0x00, 0x81, 0x00, 0x80};
    ASSERT_TRUE(m_pty.writeMaster(reply));
    ASSERT_TRUE(waitUntil([&] { return m_port.receiveBuffer().count() == reply.size(); }));

    // Once the far end reads again, a write goes through whole.
    ASSERT_TRUE(farEndReceives(m_pty, request));  // what the last write left on the line
    EXPECT_TRUE(m_port.Write(reply.data(), static_cast<unsigned>(reply.size())));
    EXPECT_TRUE(farEndReceives(m_pty, reply));
}

// A port that keeps what the writer reports thrown away by a flush.
class FlushWatchingPort : public serial::QZSerial {
  public:
    FlushWatchingPort()
        : serial::QZSerial({.framesFlushed = [this](std::vector<std::vector<std::uint8_t>> frames) {
              std::lock_guard lock(m_mutex);
              m_flushed.insert(m_flushed.end(), frames.begin(), frames.end());
              ++m_reports;
          }}) {}
    ~FlushWatchingPort() override { Close(); }
    std::vector<std::vector<std::uint8_t>> flushed() const {
        std::lock_guard lock(m_mutex);
        return m_flushed;
    }
    int reports() const {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_flushed;
    int m_reports = 0;
};

// Frames the device took whole but had not sent when a stuck wait flushed its output are
// named, not passed off as sent; the frame that waited still goes out after the flush.
TEST(FlushedOutput, NamesTheFramesItThrewAway) {
    const ScopedRuntimeDir runtimeDir;
    PtyPair pty;
    const PortAlias alias{kStuckPort, pty.slavePath()};
    FlushWatchingPort port;
    ASSERT_TRUE(port.Open(ports::PortDirectory().target(kStuckPort), 115200, 0))
        << port.lastError();
    const std::vector<std::vector<std::uint8_t>> taken{{0x01, 0x00, 0x02, 0x0D}, {0x05, 0x00}};
    for (const auto& frame : taken)
        ASSERT_TRUE(port.Write(frame.data(), static_cast<unsigned>(frame.size())));
    // Both are in the kernel's queue; the far end still reads nothing when the line fills.
    fillLine(pty);
    // Large enough that no scrap of room left in the full line takes it.
    const std::vector<std::uint8_t> waiting(4096, 0x5A);
    EXPECT_TRUE(port.Write(waiting.data(), static_cast<unsigned>(waiting.size())));

    EXPECT_EQ(port.reports(), 1);
    EXPECT_EQ(port.flushed(), taken);
    EXPECT_TRUE(farEndReceives(pty, waiting));
}

}  // namespace

// The writer thread against a line whose output is stopped, as a far end that never reads
// leaves it: the queue is bounded, frames wait whole and go out in order once the line takes
// data, and Close drops what still waits.

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <mutex>
#include <vector>

#include "PtyPortFixture.h"
#include "QZSerial.h"
#include "RecordingPort.h"
#include "Wait.h"

namespace {

class SerialWriter : public PtyPortFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_port.Open(ports::PortDirectory().target(kPort), 115200, 0))
            << m_port.lastError();
        ASSERT_EQ(::tcflow(m_pty.slaveFd(), TCOOFF), 0);
    }

    // Frame i: its number, then bytes that tell a cut or a swap from a whole frame.
    static std::vector<std::uint8_t> frame(int i) {
        auto bytes = pattern(40);
        bytes[0] = static_cast<std::uint8_t>(i);
        return bytes;
    }

    RecordingPort m_port;
};

TEST_F(SerialWriter, FramesWaitInABoundedQueueAndGoOutWholeInOrder) {
    const auto before = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> expected;
    int refused = 0;
    for (int i = 0; i < 70; ++i) {
        const auto bytes = frame(i);
        if (m_port.queueWrite(bytes)) {
            EXPECT_EQ(refused, 0) << "a frame was taken after one was refused";
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        } else {
            ++refused;
        }
    }
    // The one in the writer's hands may already have left the queue.
    const std::size_t taken = expected.size() / frame(0).size();
    EXPECT_GE(taken, serial::CXSerial::kWriteQueueLimit);
    EXPECT_LE(taken, serial::CXSerial::kWriteQueueLimit + 1);
    EXPECT_TRUE(m_pty.readMaster(1, std::chrono::milliseconds(100)).empty());
    EXPECT_EQ(m_port.lastWriteDone(), std::chrono::steady_clock::time_point{});

    ASSERT_EQ(::tcflow(m_pty.slaveFd(), TCOON), 0);
    EXPECT_EQ(m_pty.readMaster(expected.size()), expected);
    EXPECT_TRUE(m_pty.readMaster(1, std::chrono::milliseconds(100)).empty());
    EXPECT_GT(m_port.lastWriteDone(), before);
}

// A port that keeps, for each frame the writer hands over, when the device took its last byte
// and when the line carries it.
class LineTimingPort : public serial::QZSerial {
  public:
    struct Written {
        std::chrono::steady_clock::time_point handedOver;
        std::chrono::steady_clock::time_point onWire;
    };
    LineTimingPort()
        : serial::QZSerial({.frameWritten = [this](auto onWire) {
              std::lock_guard lock(m_mutex);
              m_written.push_back({lastWriteDone(), onWire});
          }}) {}
    ~LineTimingPort() override { Close(); }
    std::vector<Written> written() const {
        std::lock_guard lock(m_mutex);
        return m_written;
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<Written> m_written;
};

using PacedWriter = PtyPortFixture;

// Frames queued at once: each is handed over only once the line has carried the one before,
// 28.125 ms for 27 bytes at 9600 baud, so that the device never holds more than the line is
// carrying.
TEST_F(PacedWriter, HandsAFrameOverOnceTheOneBeforeIsOnTheWire) {
    LineTimingPort port;
    ASSERT_TRUE(port.Open(ports::PortDirectory().target(kPort), 9600, 0)) << port.lastError();
    const auto frame = pattern(27);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(port.queueWrite(frame));
    EXPECT_EQ(m_pty.readMaster(3 * frame.size()).size(), 3 * frame.size());
    ASSERT_TRUE(waitUntil([&] { return port.written().size() == 3; }));
    const auto written = port.written();
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(written[i].onWire - written[i].handedOver, std::chrono::microseconds(28'125));
        if (i > 0) {
            EXPECT_GE(written[i].handedOver, written[i - 1].onWire) << i;
        }
    }
}

TEST_F(SerialWriter, CloseDropsWhatWaits) {
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(m_port.queueWrite(frame(i)));
    m_port.Close();
    EXPECT_FALSE(m_port.queueWrite(frame(5)));
    ASSERT_EQ(::tcflow(m_pty.slaveFd(), TCOON), 0);
    EXPECT_TRUE(m_pty.readMaster(1, std::chrono::milliseconds(300)).empty());
}

}  // namespace

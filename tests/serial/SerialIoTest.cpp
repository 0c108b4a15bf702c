#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "PtyPortFixture.h"
#include "QZSerial.h"
#include "RecordingPort.h"
#include "Wait.h"

namespace {

constexpr std::size_t kBlock = 1000;

// Writes blocks of kBlock bytes from the port's side of the line, each once the kernel has
// passed what it can on to the far end, until one is taken only in part or not at all, or
// limit blocks have gone. Returns the number of blocks taken whole.
int fillInBlocks(PtyPair& pty, int limit) {
    const int fd = pty.slaveFd();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const std::vector<std::uint8_t> filler(kBlock, 0xEE);
    int whole = 0;
    while (whole < limit && ::write(fd, filler.data(), kBlock) == ssize_t(kBlock)) {
        ++whole;
        int waiting = -1;
        waitUntil([&] {
            int now = 0;
            ::ioctl(pty.masterFd(), FIONREAD, &now);
            return std::exchange(waiting, now) == now;
        });
    }
    return whole;
}

class SerialIo : public PtyPortFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_port.Open(ports::PortDirectory().target(kPort), 115200, 0))
            << m_port.lastError();
    }

    bool receivedAtLeast(std::size_t count) {
        return waitUntil([&] { return m_port.received() >= count; });
    }

    RecordingPort m_port;
};

TEST_F(SerialIo, WriteLongerThanAChunkArrivesComplete) {
    const auto sent = pattern(1500);
    ASSERT_TRUE(m_port.Write(sent.data(), static_cast<unsigned>(sent.size())));
    EXPECT_EQ(m_pty.readMaster(sent.size() + 1, std::chrono::milliseconds(500)), sent);
}

// The kernel takes the frame's head and then nothing more until the time-out, whose flush
// throws that head away with the rest of what the far end has not taken yet.
TEST_F(SerialIo, FrameCutByAFlushIsOfferedAgainWhole) {
    PtyPair scratch;
    const int wholeBlocks = fillInBlocks(scratch, 1 << 10);
    ASSERT_EQ(fillInBlocks(m_pty, wholeBlocks), wholeBlocks);
    const auto frame = pattern(kBlock);
    ASSERT_TRUE(m_port.Write(frame.data(), static_cast<unsigned>(frame.size())));
    auto arrived = m_pty.readMaster(1 << 16, std::chrono::milliseconds(500));
    arrived.erase(arrived.begin(), std::ranges::find_if(arrived, [](auto b) { return b != 0xEE; }));
    EXPECT_EQ(arrived, frame);
}

TEST_F(SerialIo, EmptyWriteSucceedsOnlyWhileOpen) {
    const std::uint8_t byte = 0x5A;
    EXPECT_TRUE(m_port.Write(&byte, 0));
    m_port.Close();
    EXPECT_FALSE(m_port.Write(&byte, 1));
    EXPECT_FALSE(m_port.Write(&byte, 0));
}

TEST_F(SerialIo, BurstReachesOnReceiveByteCompleteAndInOrder) {
    const auto sent = pattern(2000);
    ASSERT_TRUE(m_pty.writeMaster(sent));
    ASSERT_TRUE(receivedAtLeast(sent.size()));
    EXPECT_EQ(m_port.bytes(), sent);
}

TEST_F(SerialIo, CloseThenOpenStartsAFreshReader) {
    ASSERT_TRUE(m_pty.writeMaster(pattern(10)));
    ASSERT_TRUE(receivedAtLeast(10));
    m_port.Close();
    ASSERT_TRUE(m_pty.writeMaster(pattern(5)));  // the line is not read while closed
    ASSERT_TRUE(m_port.Open(ports::PortDirectory().target(kPort), 9600, 1)) << m_port.lastError();
    const auto after = pattern(300);
    ASSERT_TRUE(m_pty.writeMaster(after));
    ASSERT_TRUE(receivedAtLeast(10 + after.size()));
    auto expected = pattern(10);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(m_port.bytes(), expected);  // bytes queued while closed are discarded on open
}

TEST_F(SerialIo, HangupEndsTheReaderAndIsReportedOnce) {
    ASSERT_TRUE(m_pty.writeMaster(pattern(100)));
    ASSERT_TRUE(receivedAtLeast(100));
    m_pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return m_port.hangups() > 0; }));
    EXPECT_TRUE(waitUntil([&] { return !m_port.isReading(); }));
    EXPECT_TRUE(m_port.isOpen());  // the window closes it, on its own thread
    const std::uint8_t byte = 0;
    EXPECT_FALSE(m_port.Write(&byte, 1));
    m_port.Close();
    EXPECT_FALSE(m_port.isOpen());
    EXPECT_EQ(m_port.hangups(), 1);
    EXPECT_EQ(m_port.received(), 100u);
}

TEST_F(SerialIo, WriteToAPeerThatNeverReadsGivesUp) {
    const std::vector<std::uint8_t> flood(1 << 20, 0x55);
    const auto start = std::chrono::steady_clock::now();
    const bool written = m_port.Write(flood.data(), static_cast<unsigned>(flood.size()));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("write to a stuck peer gave up after %.2f s\n", elapsed.count());
    EXPECT_FALSE(written);
    EXPECT_LT(elapsed.count(), 10.0);
}

using QZSerialBuffer = PtyPortFixture;

TEST_F(QZSerialBuffer, BytesReceivedBeforeCloseStayInTheBuffer) {
    serial::QZSerial port;
    ASSERT_TRUE(port.Open(ports::PortDirectory().target(kPort), 9600, 0)) << port.lastError();
    const auto sent = pattern(5);
    ASSERT_TRUE(m_pty.writeMaster(sent));
    ASSERT_TRUE(waitUntil([&] { return port.receiveBuffer().count() == sent.size(); }));
    port.Close();
    // Open does not touch the buffer either.
    ASSERT_TRUE(port.Open(ports::PortDirectory().target(kPort), 9600, 0));
    std::optional<serial::ReceivedBlock> block;
    for (int tick = 0; tick < 4 && !block; ++tick) block = port.receiveBuffer().tick();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->bytes, sent);
}

// A round trip runs from the request's last byte written to the reply's last byte received;
// the silence that later cuts the block is not part of it.
TEST_F(QZSerialBuffer, TimesTheLastByteWrittenAndTheLastByteReceived) {
    using Clock = std::chrono::steady_clock;
    serial::QZSerial port;
    ASSERT_TRUE(port.Open(ports::PortDirectory().target(kPort), 9600, 0)) << port.lastError();
    const auto request = pattern(3);
    const auto beforeWrite = Clock::now();
    ASSERT_TRUE(port.Write(request.data(), static_cast<unsigned>(request.size())));
    const auto written = Clock::now();
    EXPECT_GE(port.lastWriteDone(), beforeWrite);
    EXPECT_LE(port.lastWriteDone(), written);

    ASSERT_TRUE(m_pty.writeMaster(pattern(5)));
    ASSERT_TRUE(waitUntil([&] { return port.receiveBuffer().count() == 5; }));
    const auto received = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::optional<serial::ReceivedBlock> block;
    for (int tick = 0; tick < 4 && !block; ++tick) block = port.receiveBuffer().tick();
    ASSERT_TRUE(block);
    EXPECT_GE(block->lastArrival, written);
    EXPECT_LE(block->lastArrival, received);
}

}  // namespace

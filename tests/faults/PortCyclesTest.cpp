// Opening and closing the port, and peers hanging up, a thousand times each: every cycle
// must give back its descriptors, its reader thread and its memory.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>

#include "PortAlias.h"
#include "ProcessUsage.h"
#include "PtyPair.h"
#include "QZSerial.h"
#include "ScopedRuntimeDir.h"
#include "Wait.h"

namespace {

constexpr int kPort = 200;
constexpr int kCycles = 1000;
// Allocator arenas and cached thread stacks settle after the warm-up cycle; what is left is
// page-granular noise.
constexpr long kResidentSlackKiB = 2048;

class PortCycles : public ::testing::Test {
  protected:
    // Runs one warm-up cycle, then kCycles measured ones, and compares what the process holds.
    void measure(const char* name, const std::function<void()>& cycle) {
        cycle();
        if (HasFatalFailure()) return;
        const ProcessUsage before = settledUsage();
        for (int i = 0; i < kCycles && !HasFatalFailure(); ++i) cycle();
        const ProcessUsage after = settledUsage();
        std::printf("%s\n", usageFigure(name, before, after).c_str());
        EXPECT_EQ(after.descriptors, before.descriptors);
        EXPECT_EQ(after.threads, before.threads);
        if (residentMemoryIsMeaningful()) {
            EXPECT_LE(after.residentKiB - before.residentKiB, kResidentSlackKiB);
        }
    }

    // A joined reader can stay listed in /proc for a moment while the kernel finishes its exit:
    // wait, within a bound, until no more threads are listed than before any port was open.
    ProcessUsage settledUsage() const {
        waitUntil([this] { return processUsage().threads <= m_threadsWithoutPort; },
                  std::chrono::milliseconds(2000));
        return processUsage();
    }

    const std::size_t m_threadsWithoutPort = processUsage().threads;
    ScopedRuntimeDir m_runtimeDir;
    std::atomic<int> m_hangups = 0;
    serial::QZSerial m_port{{.hungUp = [this] { ++m_hangups; }}};
};

TEST_F(PortCycles, OpenCloseGivesEverythingBack) {
    PtyPair pty;
    PortAlias alias(kPort, pty.slavePath());
    measure("open_close_1000", [&] {
        ASSERT_TRUE(m_port.Open(ports::PortDirectory().target(kPort), 115200, 0))
            << m_port.lastError();
        ASSERT_TRUE(m_port.isReading());
        m_port.Close();
        ASSERT_FALSE(m_port.isOpen());
    });
    EXPECT_EQ(m_hangups, 0);
}

TEST_F(PortCycles, HangupGivesEverythingBack) {
    measure("hangup_1000", [&] {
        PtyPair pty;
        PortAlias alias(kPort, pty.slavePath());
        ASSERT_TRUE(m_port.Open(ports::PortDirectory().target(kPort), 115200, 0))
            << m_port.lastError();
        pty.closeMaster();
        ASSERT_TRUE(waitUntil([&] { return !m_port.isReading(); }));
        m_port.Close();
    });
    EXPECT_EQ(m_hangups, kCycles + 1);  // each hang-up reported once, the warm-up's included
}

}  // namespace

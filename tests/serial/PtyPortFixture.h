#pragma once
// A pty published as COM200 in a private alias directory.

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cstdint>
#include <vector>

#include "PortAlias.h"
#include "PtyPair.h"
#include "ScopedRuntimeDir.h"

class PtyPortFixture : public ::testing::Test {
  protected:
    static constexpr int kPort = 200;

    // A period of 251 does not divide the 1024-byte chunks, so a lost, doubled or swapped
    // chunk changes the sequence.
    static std::vector<std::uint8_t> pattern(std::size_t size) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
        return bytes;
    }

    // The kernel's exclusive-use flag of the pty, as any other holder of it would meet it.
    int exclusiveFlag() const {
        int flag = -1;
        EXPECT_EQ(::ioctl(m_pty.slaveFd(), TIOCGEXCL, &flag), 0);
        return flag;
    }

    ScopedRuntimeDir m_runtimeDir;
    PtyPair m_pty;
    PortAlias m_alias{kPort, m_pty.slavePath()};
};

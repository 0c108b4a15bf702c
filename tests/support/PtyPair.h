#pragma once
// A pseudo-terminal pair for tests: the slave path is what a port opens, the master is the
// far end of the line. The slave stays open here (as the simulator holds it), in raw mode.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FileDescriptor.h"

class PtyPair {
  public:
    static constexpr std::chrono::milliseconds kDefaultWait{5000};

    PtyPair();  // throws std::system_error when no pty can be had

    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master.get(); }
    int slaveFd() const { return m_slave.get(); }

    // Writes every byte to the master; false if they did not all go within limit.
    bool writeMaster(std::span<const std::uint8_t> bytes,
                     std::chrono::milliseconds limit = kDefaultWait);
    // Reads from the master until count bytes have come or limit has passed.
    std::vector<std::uint8_t> readMaster(std::size_t count,
                                         std::chrono::milliseconds limit = kDefaultWait);
    // The far end hangs up: the slave side sees POLLHUP.
    void closeMaster() { m_master.reset(); }

  private:
    files::FileDescriptor m_master;
    files::FileDescriptor m_slave;
    std::string m_slavePath;
};

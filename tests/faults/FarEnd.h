#pragma once
// Threads on the far end of a pty line: one that reads everything the port sends, so the
// line never fills, and one that floods the port at full speed for a while.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "FileDescriptor.h"

class FarEndReader {
  public:
    explicit FarEndReader(int masterFd);  // throws std::system_error
    ~FarEndReader();
    FarEndReader(const FarEndReader&) = delete;
    FarEndReader& operator=(const FarEndReader&) = delete;

    std::vector<std::uint8_t> bytes() const;
    std::size_t size() const;

  private:
    void run();

    int m_master;
    files::FileDescriptor m_stop;
    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_bytes;
    std::thread m_thread;
};

class FarEndFlood {
  public:
    // The byte at stream offset i is floodByte(i): a lost, doubled or reordered byte shows.
    static std::uint8_t floodByte(std::size_t offset) {
        return static_cast<std::uint8_t>(offset % 251);
    }

    // Writes for duration as fast as the line takes it, then calls done on its own thread.
    FarEndFlood(int masterFd, std::chrono::milliseconds duration, std::function<void()> done);
    ~FarEndFlood();
    FarEndFlood(const FarEndFlood&) = delete;
    FarEndFlood& operator=(const FarEndFlood&) = delete;

    void join();
    std::size_t written() const { return m_written; }
    double seconds() const { return m_seconds; }

  private:
    void run(std::chrono::milliseconds duration, const std::function<void()>& done);

    int m_master;
    std::atomic<std::size_t> m_written = 0;
    std::atomic<double> m_seconds = 0;
    std::thread m_thread;
};

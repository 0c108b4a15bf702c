#pragma once
// A port that keeps every byte the reader hands over, and counts hang-ups.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "CXSerial.h"

class RecordingPort : public serial::CXSerial {
  public:
    RecordingPort() : serial::CXSerial({.hungUp = [this] { ++m_hangups; }}) {}
    ~RecordingPort() override { Close(); }

    void OnReceiveByte(unsigned char byte) override {
        std::lock_guard lock(m_mutex);
        m_bytes.push_back(byte);
    }

    std::vector<std::uint8_t> bytes() const {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }
    std::size_t received() const {
        std::lock_guard lock(m_mutex);
        return m_bytes.size();
    }
    int hangups() const { return m_hangups; }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_bytes;
    std::atomic<int> m_hangups = 0;
};

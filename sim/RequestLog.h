#pragma once
// The simulator's account of what it received and sent, one line at a time, flushed at once so
// a test or a second terminal sees every line as it happens.

#include <cstdio>
#include <string_view>

namespace sim {

class RequestLog {
  public:
    // Writes nowhere when out is null.
    explicit RequestLog(std::FILE* out) : m_out(out) {}

    void write(std::string_view line);

  private:
    std::FILE* m_out = nullptr;
};

}  // namespace sim

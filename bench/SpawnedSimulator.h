#pragma once
// A qz470-sim process for the benchmarks, its stdout read for the COM alias it published.

#include <sys/types.h>

#include <string>
#include <vector>

class SpawnedSimulator {
  public:
    // options come after --quiet and no unasked notices.
    explicit SpawnedSimulator(const std::vector<std::string>& options = {});
    ~SpawnedSimulator();
    SpawnedSimulator(const SpawnedSimulator&) = delete;
    SpawnedSimulator& operator=(const SpawnedSimulator&) = delete;

    int port() const { return m_port; }  // 0 when it named none

  private:
    pid_t m_pid = 0;
    int m_port = 0;
};
